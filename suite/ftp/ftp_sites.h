// Saved FTP sites: the 1036-byte site record, the sorted in-memory site list, the registry store
// beneath "FTP Sites" and the salted password scrambler shared by JQNavig and JQXfr.
#pragma once
#include <windows.h>
#include <cstdint>

struct FtpFolder;

// One site. Text fields are NUL-terminated within their sizes; the password is always held in
// its scrambled form.
struct FtpSiteRecord {
  FtpSiteRecord* next;
  FtpFolder* folder;
  char name[100];
  char host[100];
  char password[100];
  char login[100];
  char account[100];
  char startDirectory[260];
  char description[260];
  int32_t port;
  uint32_t passive;
};

// The stored image of a record (registry value data).
constexpr size_t kFtpSiteRecordBytes = 1036;
constexpr size_t kFtpSiteNameOffset = 8, kFtpSiteHostOffset = 108, kFtpSitePasswordOffset = 208,
                 kFtpSiteLoginOffset = 308, kFtpSiteAccountOffset = 408, kFtpSiteStartOffset = 508,
                 kFtpSiteDescriptionOffset = 768, kFtpSitePortOffset = 1028, kFtpSitePassiveOffset = 1032;
static_assert(kFtpSitePassiveOffset + 4 == kFtpSiteRecordBytes);

// The longest password the 100-byte field can hold in scrambled form.
constexpr int kFtpMaxPassword = 95;

// The fixed key of the password scrambler.
extern const uint8_t kFtpScrambleKey[8];

// The registry key of the sites, relative to the user root.
constexpr const char* kFtpSitesKeyPath = "Software\\Belmoor\\Quorvanel\\CurrentVersion\\FTP Sites";

// Writes the record's stored image: the two link slots as zeros, every text NUL-terminated.
void EncodeFtpSiteRecord(const FtpSiteRecord& record, uint8_t (&bytes)[kFtpSiteRecordBytes]);
// Reads a stored image of `size` bytes (a shorter one leaves the rest zero); the links are 0.
void DecodeFtpSiteRecord(const uint8_t* bytes, size_t size, FtpSiteRecord* record);

void ScrambleBytes(uint8_t* data, int n, const uint8_t* key, int k);
void UnscrambleBytes(uint8_t* data, int n, const uint8_t* key, int k);
// `length` goes in as the text length plus one and comes out as the stored length. A text longer
// than kFtpMaxPassword is cut to that length first, so the stored form always fits 100 bytes.
void ScramblePassword(char* field, int* length, const uint8_t* key, int keyLength);
// `length` goes in as the field length (100) and comes out as the text length.
void UnscramblePassword(char* field, int* length, const uint8_t* key, int keyLength);
// Convenience forms with the fixed key: a password text into a field and back.
void StoreFtpPassword(char (&field)[100], const char* text);
void ReadFtpPassword(const char (&field)[100], char (&text)[100]);

// The site list of an FTP-sites root.
struct FtpSiteList {
  FtpSiteRecord* head = nullptr;
  bool loaded = false;
};

// A zeroed record with the links cleared.
FtpSiteRecord* AllocFtpSiteRecord();
// Frees the current list and reads every value of the key; sorts; marks the list loaded.
void LoadFtpSiteList(FtpSiteList& list);
// Writes every record as its value, then deletes the values of sites no longer listed, so a
// failure part-way never loses the sites already stored. The last registry result.
LONG SaveFtpSiteList(const FtpSiteList& list);
void SortFtpSiteList(FtpSiteList& list);
FtpSiteRecord* FindFtpSite(const FtpSiteList& list, const char* name);
void AddFtpSite(FtpSiteList& list, FtpSiteRecord* record);
int RemoveFtpSite(FtpSiteList& list, const char* name);
void FreeFtpSiteList(FtpSiteList& list);
// The order of the list: letters compared as lower case, then byte values.
int CompareFtpSiteNames(const char* a, const char* b);
