// The zip engine's interface as its callers see it: the exported functions (all __stdcall,
// exported under their plain names), the records they fill, the callback protocol, the
// archive kinds and the result codes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace et5 {

// Result codes. 0 is success; the caller tests the low 16 bits and reads them as signed.
enum Code : int16_t {
  kOk = 0,
  kNotArchive = -1,        // not a valid archive (or not the last disk of a span set)
  kBadDirectory = -2,      // error in the archive directory (also: an unsafe entry name)
  kUnknownMethod = -3,     // unknown compression method
  kAlreadyReported = -5,   // failed; every failure was already reported through the callback
  kCancelled = -6,         // cancelled by Et5Cancel or by a callback answer; no message
  kEmptyArchive = -7,      // Et5ZipFindFirst: the archive holds no entry
  kIncomplete = -8,        // the operation could not be completed (also: too large for the format)
  kWriteError = -10,       // cannot write to the disk (disk full?)
  kReadError = -11,        // cannot read a file
  kNothingToDo = -19,      // no action given, or nothing matched
  kTooManyFiles = -21,     // more than 65535 entries
  kBadPassword = -24,      // wrong or missing password
  kCrcError = -25,         // CRC check failed, data damaged or sizes that lie
  kNotRemovable = -28,     // a spanned target must lie on a removable drive
  kNewerVersion = -29,     // the archive needs features this engine does not have
  kFileNotFound = 102,
  kPathNotFound = 103,     // path not found, or a folder could not be created
  kAccessDenied = 105,
  kArchiveNotFound = 106,  // file not found or not a valid archive
  kNoMemory = 108,
};

// Archive kinds written by Et5IdentifyFile.
enum Kind : uint16_t {
  kKindZip = 1,            // an ordinary zip
  kKindZipSfx = 2,         // a zip behind a program (self-extracting)
  kKindZipSpanPart = 3,    // one disk of a spanned or split zip that is not the last
  kKindZip64 = 13,         // a zip with zip64 records
  kKindLha = 5,
  kKindGzip = 6,           // a single gzip-compressed file
  kKindTar = 7,
  kKindTarGz = 8,          // tar inside gzip (.tgz)
  kKindCompress = 11,      // a single file compressed with Unix compress (.z, .Z)
  kKindTarCompress = 12,   // tar inside compress (.taz)
  kKindCab = 14,
};

// Entry record filled by Et5ZipFindFirst / Et5ZipFindNext (64 bytes, little-endian).
#pragma pack(push, 1)
struct EntryRecord {
  uint32_t recordSize;      // 0: sizeof(EntryRecord)
  uint32_t index;           // 4: position of the entry in the archive
  uint32_t flags;           // 8: the zip general-purpose flags (bit 0: encrypted)
  uint16_t dosTime;         // 12: local time
  uint16_t dosDate;         // 14
  uint32_t crc;             // 16
  uint32_t packedSize;      // 20: 0xFFFFFFFF when the real size does not fit (see +40)
  uint32_t size;            // 24: 0xFFFFFFFF when the real size does not fit (see +48)
  uint16_t method;          // 28: 0 stored, 8 deflated, others as the zip format numbers them
  uint16_t versionNeeded;   // 30
  uint16_t diskStart;       // 32
  uint16_t internalAttributes;  // 34
  uint16_t reserved36;      // 36
  uint8_t attributes;       // 38: Windows file attributes (0x10 folder)
  uint8_t reserved39;       // 39
  uint64_t packedSize64;    // 40
  uint64_t size64;          // 48
  uint64_t reserved56;      // 56
};
static_assert(sizeof(EntryRecord) == 64);
static_assert(offsetof(EntryRecord, flags) == 8);
static_assert(offsetof(EntryRecord, dosTime) == 12);
static_assert(offsetof(EntryRecord, dosDate) == 14);
static_assert(offsetof(EntryRecord, packedSize) == 20);
static_assert(offsetof(EntryRecord, size) == 24);
static_assert(offsetof(EntryRecord, attributes) == 38);

// The record passed to the callback.
struct CallbackRecord {
  char path[256];           // 0: archive path, or the target on a spanned disk
  char name[260];           // 256: the item concerned
  uint32_t itemBytes;       // 516: bytes of the current item done so far (0: a new item)
  uint32_t itemSizeLow;     // 520: the item's whole size
  uint32_t itemSizeHigh;    // 524
  uint32_t reserved[4];     // 528
  int16_t operation;        // 544: 0 compressing, 1 extracting, 2 deleting
  int16_t reserved546;
  int16_t reserved548;
  int16_t kind;             // 550: 0 error, 1 question, 2 progress
  int16_t code;             // 552: kind 0 the code; kind 1 the question
  uint16_t disk;            // 554: question 1: the disk asked for (1-based)
  uint8_t reserved556[44];
};
#pragma pack(pop)
static_assert(sizeof(CallbackRecord) == 600);
static_assert(offsetof(CallbackRecord, name) == 256);
static_assert(offsetof(CallbackRecord, itemBytes) == 516);
static_assert(offsetof(CallbackRecord, operation) == 544);
static_assert(offsetof(CallbackRecord, kind) == 550);
static_assert(offsetof(CallbackRecord, code) == 552);
static_assert(offsetof(CallbackRecord, disk) == 554);

enum CallbackKind : int16_t { kCbError = 0, kCbQuestion = 1, kCbProgress = 2 };
enum Question : int16_t { kAskInsertDisk = 1, kAskOverwrite = 2, kAskInsertLastDisk = 3 };
enum Operation : int16_t { kOpCompress = 0, kOpExtract = 1, kOpDelete = 2 };
// Answers.
constexpr int16_t kAnswerOk = 1, kAnswerStop = 2, kAnswerYes = 6, kAnswerNo = 7, kAnswerYesToAll = 106;

typedef int16_t(__stdcall* Callback)(void* record);

// Et5ZipCreateMV's mode: a spanned archive over removable disks.
constexpr uint32_t kSpanRemovable = 3;
// Et5ZipOpen's mode as the file manager passes it.
constexpr uint32_t kOpenForListing = 257;

}  // namespace et5

// The exports, for callers that link the import library (tests bind by name instead).
extern "C" {
typedef int(__stdcall* Et5InitFn)(uint32_t* handle, uint32_t reserved);
typedef int(__stdcall* Et5ShutDownFn)(uint32_t* handle);
typedef int(__stdcall* Et5IsGoodPasswordFn)(uint32_t h, const char* zip, const char* password);
typedef int(__stdcall* Et5IsPasswordFn)(uint32_t h, const char* zip);
typedef int(__stdcall* Et5CancelFn)(uint32_t h);
typedef int(__stdcall* Et5IdentifyFileFn)(uint32_t h, const char* path, uint16_t* kind);
typedef int(__stdcall* Et5ZipCloseFn)(uint32_t h, uint32_t* archive);
typedef int(__stdcall* Et5ZipFindFn)(uint32_t h, uint32_t archive, void* entry, char* name,
                                     char* second, uint32_t secondSize, char* third,
                                     uint32_t thirdSize);
typedef int(__stdcall* Et5ZipOpenFn)(uint32_t h, const char* path, uint32_t mode, uint32_t* archive);
typedef int(__stdcall* Et5QZipFn)(uint32_t h, const char* zip, const char* list, const char* switches);
typedef int(__stdcall* Et5ZipFn)(uint32_t h, uint32_t* archive, const char* list, const char* reserved,
                                 const char* switches);
typedef int(__stdcall* Et5ZipCreateMVFn)(uint32_t h, const char* zip, uint32_t mode, uint32_t volumeSize,
                                         uint32_t reserved, uint32_t* archive);
typedef int(__stdcall* Et5CPrintHookFn)(uint32_t h, et5::Callback callback, uint32_t, uint32_t);
typedef int(__stdcall* Et5SetCPrintFn)(uint32_t h, uint32_t on);
typedef int(__stdcall* Et5SetParseTypeFn)(uint32_t h, int32_t type);
typedef int(__stdcall* Et5QUnZipFn)(uint32_t h, const char* zip, const char* folder, const char* list,
                                    const char* switches);
typedef int(__stdcall* Et5ZipNewCommentFn)(uint32_t h, const char* zip, const char* comment);
typedef int(__stdcall* Et5ZipCommentFn)(uint32_t h, const char* zip, char* buffer, uint32_t size);
typedef int(__stdcall* Et5UUEncodeFn)(uint32_t h, const char* file, const char* outputBase,
                                      uint32_t splitBytes, uint32_t cutLines, uint16_t* filesWritten);
}
