#include "number_format.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void CopyBounded(char* buffer, size_t size, const char* text) {
  if (!buffer || size == 0) return;
  size_t n = strlen(text);
  if (n >= size) n = size - 1;
  memcpy(buffer, text, n);
  buffer[n] = '\0';
}

}  // namespace

void FormatThousands(int64_t value, char* buffer, size_t size) {
  char digits[32];
  if (value < 1000) {
    snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    CopyBounded(buffer, size, digits);
    return;
  }
  char separator[4] = ",";
  GetProfileStringA("Intl", "sThousand", ",", separator, sizeof separator);
  snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
  std::string out;
  size_t len = strlen(digits);
  for (size_t i = 0; i < len; ++i) {
    if (i > 0 && (len - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  CopyBounded(buffer, size, out.c_str());
}

void LocalizeDecimal(char* text) {
  if (!text) return;
  char decimal[4] = ".";
  GetProfileStringA("Intl", "sDecimal", ".", decimal, sizeof decimal);
  if (!decimal[0]) return;
  for (char* p = text; *p; ++p)
    if (*p == '.') *p = decimal[0];
}

void FormatSize(uint64_t value, char* buffer, size_t size) {
  char text[64];
  if (value < 1000) {
    snprintf(text, sizeof text, "%lu bytes", static_cast<unsigned long>(value));
  } else {
    static const char* const units[] = {"KB", "MB", "GB"};
    double amount = static_cast<double>(value);
    int unit = 0;
    amount /= 1024.0;
    while (amount >= 1000.0 && unit < 2) {
      amount /= 1024.0;
      ++unit;
    }
    const char* form = amount < 10.0 ? "%.2f%s" : amount >= 100.0 ? "%.0f%s" : "%.1f%s";
    snprintf(text, sizeof text, form, amount, units[unit]);
  }
  LocalizeDecimal(text);
  CopyBounded(buffer, size, text);
}
