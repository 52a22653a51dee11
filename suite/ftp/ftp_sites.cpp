// Saved FTP sites: record images, the site list, the registry store and the password scrambler.
#include "ftp_sites.h"

#include <cstring>
#include <string>
#include <vector>

#include "ftp_folder.h"
#include "le_bytes.h"
#include "seams.h"

const uint8_t kFtpScrambleKey[8] = {0x3C, 0x91, 0xE4, 0x07, 0x5B, 0xD2, 0x68, 0xAF};

namespace {

void GetText(const uint8_t* bytes, size_t size, size_t offset, char* out, size_t field) {
  memset(out, 0, field);
  if (offset >= size) return;
  size_t n = size - offset < field ? size - offset : field;
  memcpy(out, bytes + offset, n);
  out[field - 1] = '\0';
}

void PutField(uint8_t* p, const char* text, size_t field) {
  size_t n = strnlen(text, field - 1);
  memcpy(p, text, n);
  memset(p + n, 0, field - n);
}

uint8_t RotateRight(uint8_t b, int n) {
  n &= 7;
  return n ? static_cast<uint8_t>((b >> n) | (b << (8 - n))) : b;
}
uint8_t RotateLeft(uint8_t b, int n) {
  n &= 7;
  return n ? static_cast<uint8_t>((b << n) | (b >> (8 - n))) : b;
}

int Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

}  // namespace

void EncodeFtpSiteRecord(const FtpSiteRecord& r, uint8_t (&b)[kFtpSiteRecordBytes]) {
  memset(b, 0, sizeof b);
  PutField(b + kFtpSiteNameOffset, r.name, 100);
  PutField(b + kFtpSiteHostOffset, r.host, 100);
  // The scrambled password is binary: every byte of the field is kept.
  memcpy(b + kFtpSitePasswordOffset, r.password, 100);
  PutField(b + kFtpSiteLoginOffset, r.login, 100);
  PutField(b + kFtpSiteAccountOffset, r.account, 100);
  PutField(b + kFtpSiteStartOffset, r.startDirectory, 260);
  PutField(b + kFtpSiteDescriptionOffset, r.description, 260);
  le::PutI32(b + kFtpSitePortOffset, r.port);
  le::PutU32(b + kFtpSitePassiveOffset, r.passive);
}

void DecodeFtpSiteRecord(const uint8_t* b, size_t size, FtpSiteRecord* r) {
  memset(r, 0, sizeof *r);
  GetText(b, size, kFtpSiteNameOffset, r->name, 100);
  GetText(b, size, kFtpSiteHostOffset, r->host, 100);
  if (size > kFtpSitePasswordOffset) {
    size_t n = size - kFtpSitePasswordOffset < 100 ? size - kFtpSitePasswordOffset : 100;
    memcpy(r->password, b + kFtpSitePasswordOffset, n);
  }
  GetText(b, size, kFtpSiteLoginOffset, r->login, 100);
  GetText(b, size, kFtpSiteAccountOffset, r->account, 100);
  GetText(b, size, kFtpSiteStartOffset, r->startDirectory, 260);
  GetText(b, size, kFtpSiteDescriptionOffset, r->description, 260);
  if (size >= kFtpSitePortOffset + 4) r->port = le::GetI32(b + kFtpSitePortOffset);
  if (size >= kFtpSitePassiveOffset + 4) r->passive = le::GetU32(b + kFtpSitePassiveOffset);
}

void ScrambleBytes(uint8_t* data, int n, const uint8_t* key, int k) {
  for (int i = 0; i < n; ++i) {
    uint8_t c = key[i % k];
    data[i] = static_cast<uint8_t>(RotateRight(data[i], c & 7) ^ c);
  }
}

void UnscrambleBytes(uint8_t* data, int n, const uint8_t* key, int k) {
  for (int i = 0; i < n; ++i) {
    uint8_t c = key[i % k];
    data[i] = RotateLeft(static_cast<uint8_t>(data[i] ^ c), c & 7);
  }
}

void ScramblePassword(char* field, int* length, const uint8_t* key, int keyLength) {
  uint8_t* f = reinterpret_cast<uint8_t*>(field);
  int len = *length;
  // At most 95 characters: 96 bytes rounded and 4 salt bytes fill the field exactly.
  if (len > kFtpMaxPassword + 1) {
    len = kFtpMaxPassword + 1;
    f[kFtpMaxPassword] = 0;
  }
  if (len < 1) len = 1;
  DWORD tick = seams::GetTickCount();
  uint8_t salt[4] = {static_cast<uint8_t>(tick), static_cast<uint8_t>(tick >> 8),
                     static_cast<uint8_t>(tick >> 16), static_cast<uint8_t>(tick >> 24)};
  len = (len + 3) & ~3;
  ScrambleBytes(f, len, salt, 4);
  uint8_t out[100] = {};
  out[0] = salt[0];
  out[1] = salt[1];
  out[2] = f[0];
  out[3] = f[1];
  out[4] = salt[2];
  out[5] = salt[3];
  out[6] = f[2];
  out[7] = f[3];
  for (int i = 4; i < len; ++i) out[i + 4] = f[i];
  len += 4;
  memcpy(f, out, len);
  ScrambleBytes(f, len, key, keyLength);
  *length = len;
}

void UnscramblePassword(char* field, int* length, const uint8_t* key, int keyLength) {
  uint8_t* f = reinterpret_cast<uint8_t*>(field);
  int len = *length;
  if (len < 8) {
    field[0] = 0;
    *length = 0;
    return;
  }
  UnscrambleBytes(f, len, key, keyLength);
  uint8_t salt[4] = {f[0], f[1], f[4], f[5]};
  uint8_t data[100] = {};
  data[0] = f[2];
  data[1] = f[3];
  data[2] = f[6];
  data[3] = f[7];
  for (int i = 8; i < len; ++i) data[i - 4] = f[i];
  len -= 4;
  memcpy(f, data, len);
  memset(f + len, 0, *length - len);
  UnscrambleBytes(f, len, salt, 4);
  f[len < 100 ? len : 99] = 0;
  *length = static_cast<int>(strnlen(field, len));
}

void StoreFtpPassword(char (&field)[100], const char* text) {
  memset(field, 0, sizeof field);
  size_t n = strnlen(text ? text : "", kFtpMaxPassword);
  if (n) memcpy(field, text, n);
  int len = static_cast<int>(n) + 1;
  ScramblePassword(field, &len, kFtpScrambleKey, 8);
}

void ReadFtpPassword(const char (&field)[100], char (&text)[100]) {
  memcpy(text, field, 100);
  int len = 100;
  UnscramblePassword(text, &len, kFtpScrambleKey, 8);
  text[len < 100 ? len : 99] = 0;
}

FtpSiteRecord* AllocFtpSiteRecord() {
  auto* r = new FtpSiteRecord;
  memset(r, 0, sizeof *r);
  return r;
}

int CompareFtpSiteNames(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int x = Lower(static_cast<unsigned char>(*a)), y = Lower(static_cast<unsigned char>(*b));
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

void LoadFtpSiteList(FtpSiteList& list) {
  FreeFtpSiteList(list);
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kFtpSitesKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      char name[260];
      DWORD nameSize = sizeof name, type = 0;
      uint8_t data[kFtpSiteRecordBytes];
      DWORD dataSize = sizeof data;
      LONG rc = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
      if (rc == ERROR_MORE_DATA) continue;  // not a site record: too long
      if (rc != ERROR_SUCCESS) break;
      if (type != REG_BINARY || dataSize != kFtpSiteRecordBytes) continue;
      FtpSiteRecord* r = AllocFtpSiteRecord();
      DecodeFtpSiteRecord(data, dataSize, r);
      AddFtpSite(list, r);
    }
    RegCloseKey(key);
  }
  SortFtpSiteList(list);
  list.loaded = true;
}

LONG SaveFtpSiteList(const FtpSiteList& list) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(seams::UserRoot(), kFtpSitesKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  bool allWritten = true;
  for (FtpSiteRecord* r = list.head; r; r = r->next) {
    uint8_t data[kFtpSiteRecordBytes];
    EncodeFtpSiteRecord(*r, data);
    rc = RegSetValueExA(key, r->name, 0, REG_BINARY, data, sizeof data);
    if (rc != ERROR_SUCCESS) allWritten = false;
  }
  // Only once every site is stored are the values of removed sites deleted.
  if (allWritten) {
    std::vector<std::string> stale;
    for (DWORD i = 0;; ++i) {
      char name[260];
      DWORD nameSize = sizeof name;
      LONG e = RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
      if (e == ERROR_MORE_DATA) continue;
      if (e != ERROR_SUCCESS) break;
      bool listed = false;
      for (FtpSiteRecord* r = list.head; r && !listed; r = r->next) listed = CompareFtpSiteNames(r->name, name) == 0;
      if (!listed) stale.push_back(name);
    }
    for (auto& name : stale) rc = RegDeleteValueA(key, name.c_str());
  }
  RegCloseKey(key);
  return rc;
}

void SortFtpSiteList(FtpSiteList& list) {
  FtpSiteRecord* sorted = nullptr;
  FtpSiteRecord* r = list.head;
  while (r) {
    FtpSiteRecord* next = r->next;
    FtpSiteRecord** at = &sorted;
    while (*at && CompareFtpSiteNames((*at)->name, r->name) <= 0) at = &(*at)->next;
    r->next = *at;
    *at = r;
    r = next;
  }
  list.head = sorted;
}

FtpSiteRecord* FindFtpSite(const FtpSiteList& list, const char* name) {
  if (!name) return nullptr;
  for (FtpSiteRecord* r = list.head; r; r = r->next)
    if (CompareFtpSiteNames(r->name, name) == 0) return r;
  return nullptr;
}

void AddFtpSite(FtpSiteList& list, FtpSiteRecord* record) {
  record->next = list.head;
  list.head = record;
}

namespace {
void FreeRecord(FtpSiteRecord* r) {
  if (r->folder) {
    FtpFolder* f = r->folder;
    r->folder = nullptr;
    ReleaseFtpFolder(f);
  }
  delete r;
}
}  // namespace

int RemoveFtpSite(FtpSiteList& list, const char* name) {
  for (FtpSiteRecord** at = &list.head; *at; at = &(*at)->next) {
    if (CompareFtpSiteNames((*at)->name, name) == 0) {
      FtpSiteRecord* r = *at;
      *at = r->next;
      FreeRecord(r);
      return 1;
    }
  }
  return 0;
}

void FreeFtpSiteList(FtpSiteList& list) {
  while (list.head) {
    FtpSiteRecord* r = list.head;
    list.head = r->next;
    FreeRecord(r);
  }
}
