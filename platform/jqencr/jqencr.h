// jqencr.dll: encryption and decryption of whole files with an 8-byte key, and wiping.
// Every export is __stdcall under its plain name and returns a 16-bit code, 0 for success
// unless stated. Paths are ANSI and shorter than MAX_PATH.
//
//   KzPasswordToKeys(text, key8)                 the key text (3 to 99 characters) to the key
//   KzSetKeyDES(key8, schedule128)               the key to the DES key record
//   KzIsEncrypted(path)                          non-zero when the file is in our format
//   KzEncryptFileDES(source, target, schedule, level)
//   KzEncryptFileShiftXor(source, target, key8, level)
//   KzDecryptFileDES(source, target, schedule, level)
//   KzDecryptFileShiftXor(source, target, key8, level)
//   KzIsGoodPasswordDES(source, schedule)        non-zero when the key opens the file
//   KzIsGoodPasswordShiftXor(source, key8)       non-zero when the key opens the file
//   KzNukeFile(path)                             wipes and deletes a file: 0, or 105
//
// `level` is the format level: 3 writes or reads the current format; 0, for a decryption,
// accepts a file of any level the library knows (there is one level so far, so both read the
// same files). Encryption accepts level 3 only.
//
// The output is written to a temporary file in the target's folder and moved over the target
// only after every write succeeded; a failure leaves no partial target. A wrong key is found
// from the header before anything is written, and the whole file is checked against its MAC
// before the first byte of plain text is written. See README.md for the format.
#pragma once
#include <windows.h>

#ifdef JQENCR_BUILD
#define JQENCR_API extern "C" __declspec(dllexport)
#else
#define JQENCR_API extern "C"
#endif

// Codes the exports return (the file manager shows a message for each).
enum KzCode : short {
  KZ_OK = 0,
  KZ_E_BUFFER = -28,        // a key record that is not ours
  KZ_E_FORMAT = -27,        // not encrypted in the requested cipher or format level
  KZ_E_KEY = -25,           // the key does not open the file
  KZ_E_PATH_TOO_LONG = -18,
  KZ_E_READ = -11,          // the source cannot be read, or is damaged (MAC mismatch)
  KZ_E_WRITE = -10,         // the target cannot be written (disk full?)
  KZ_E_NOT_FOUND = 102,
  KZ_E_PATH_NOT_FOUND = 103,
  KZ_E_ACCESS = 105,
  KZ_E_MEMORY = 108,
};

constexpr int kKzKeySize = 8;
constexpr int kKzScheduleSize = 128;

JQENCR_API short __stdcall KzPasswordToKeys(const char* text, unsigned char* key);
JQENCR_API short __stdcall KzSetKeyDES(const unsigned char* key, unsigned char* schedule);
JQENCR_API short __stdcall KzIsEncrypted(const char* path);
JQENCR_API short __stdcall KzEncryptFileDES(const char* source, const char* target,
                                           const unsigned char* schedule, int level);
JQENCR_API short __stdcall KzEncryptFileShiftXor(const char* source, const char* target,
                                                const unsigned char* key, int level);
JQENCR_API short __stdcall KzDecryptFileDES(const char* source, const char* target,
                                           const unsigned char* schedule, int level);
JQENCR_API short __stdcall KzDecryptFileShiftXor(const char* source, const char* target,
                                                const unsigned char* key, int level);
JQENCR_API short __stdcall KzIsGoodPasswordDES(const char* source, const unsigned char* schedule);
JQENCR_API short __stdcall KzIsGoodPasswordShiftXor(const char* source, const unsigned char* key);
JQENCR_API short __stdcall KzNukeFile(const char* path);
