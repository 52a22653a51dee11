// Numbers as the status bar and the dialogs show them: thousands grouping with the user's
// separator, and byte sizes in bytes, KB, MB or GB with the user's decimal sign.
#pragma once
#include <cstddef>
#include <cstdint>

// Text of a signed 64-bit value with thousands separators ([Intl] sThousand, default ",").
// Every group of three digits is separated, however large the value. Negative values are
// written without grouping. The buffer is always terminated (the text is cut to fit).
void FormatThousands(int64_t value, char* buffer, size_t size);

// "999 bytes", "0.98KB", "1.00MB", "150GB": below 1000 in bytes, else the first of KB, MB, GB
// below 1000 (GB has no limit), with two decimals below 10, one below 100 and none above.
void FormatSize(uint64_t value, char* buffer, size_t size);

// Replaces every '.' of the text with the first character of [Intl] sDecimal (default ".").
void LocalizeDecimal(char* text);
