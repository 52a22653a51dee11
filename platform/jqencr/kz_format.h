// The encrypted file format and the two ciphers, under the exports of jqencr.dll.
//
// Layout (little-endian):
//   0   8  magic "JQKZENC\x1A"
//   8   2  format version (1)
//   10  1  cipher: 1 DES in CBC mode, 2 shift-xor
//   11  5  zero
//   16  8  plain-text length
//   24  8  random IV
//   32  8  key check: the first 8 bytes of HMAC-SHA256(MAC key, "key check" + bytes 0-31)
//   40  n  cipher text: DES: the plain text padded with zeros to a multiple of 8 bytes;
//          shift-xor: as long as the plain text
//   40+n 32 HMAC-SHA256(MAC key, bytes 0 to 40+n-1)
// The MAC key is SHA-256 of a fixed label, the cipher byte and the 8-byte key.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kz {

enum Cipher : uint8_t { kCipherDes = 1, kCipherShiftXor = 2 };

constexpr char kMagic[8] = {'J', 'Q', 'K', 'Z', 'E', 'N', 'C', 0x1A};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 40;
constexpr size_t kMacSize = 32;

// Starts libgcrypt once per process; false when it cannot be used.
bool InitCrypto();

// One DES block with an 8-byte key (ECB), for the known-answer check.
bool DesEncryptBlock(const uint8_t key[8], const uint8_t in[8], uint8_t out[8]);

// The 8-byte key of a key text (PBKDF2-SHA256 over a fixed salt).
short PasswordToKey(const char* text, uint8_t key[8]);

// The DES key record (128 bytes: "KzDS", version, key, zeros) and the key it holds.
void MakeDesSchedule(const uint8_t key[8], uint8_t schedule[128]);
bool KeyOfDesSchedule(const uint8_t schedule[128], uint8_t key[8]);

short EncryptFile(const char* source, const char* target, Cipher cipher, const uint8_t key[8]);
short DecryptFile(const char* source, const char* target, Cipher cipher, const uint8_t key[8]);
// The file has our header with a known version and cipher, and a length that fits it.
bool IsEncryptedFile(const char* path);
// The file is encrypted with this cipher and its key check matches the key.
bool KeyOpensFile(const char* path, Cipher cipher, const uint8_t key[8]);

}  // namespace kz
