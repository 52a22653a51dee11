#include "kz_format.h"
#include <windows.h>
#include <gcrypt.h>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "jqencr.h"

namespace kz {

namespace {

constexpr size_t kChunk = 64 * 1024;  // a multiple of the DES block
constexpr char kSalt[] = "Quorvanel jqencr key 1";
constexpr unsigned long kKdfIterations = 20000;
constexpr char kMacLabel[] = "Quorvanel jqencr MAC key 1";
constexpr char kCheckLabel[] = "key check";
constexpr char kScheduleMagic[4] = {'K', 'z', 'D', 'S'};

void PutLe(uint8_t* at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint64_t GetLe(const uint8_t* at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  Handle() = default;
  explicit Handle(HANDLE handle) : h(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  void Close() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
  }
  bool ok() const { return h != INVALID_HANDLE_VALUE; }
};

struct Mac {
  gcry_mac_hd_t h = nullptr;
  ~Mac() {
    if (h) gcry_mac_close(h);
  }
};

struct CipherHandle {
  gcry_cipher_hd_t h = nullptr;
  ~CipherHandle() {
    if (h) gcry_cipher_close(h);
  }
};

short OpenErrorCode(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return KZ_E_NOT_FOUND;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME: return KZ_E_PATH_NOT_FOUND;
    case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: return KZ_E_MEMORY;
    default: return KZ_E_ACCESS;
  }
}

void MacKey(Cipher cipher, const uint8_t key[8], uint8_t out[32]) {
  uint8_t material[sizeof kMacLabel + 1 + 8];
  memcpy(material, kMacLabel, sizeof kMacLabel);
  material[sizeof kMacLabel] = cipher;
  memcpy(material + sizeof kMacLabel + 1, key, 8);
  gcry_md_hash_buffer(GCRY_MD_SHA256, out, material, sizeof material);
  SecureZeroMemory(material, sizeof material);
}

bool OpenMac(Mac* mac, const uint8_t macKey[32]) {
  return !gcry_mac_open(&mac->h, GCRY_MAC_HMAC_SHA256, 0, nullptr) && !gcry_mac_setkey(mac->h, macKey, 32);
}

bool KeyCheck(const uint8_t macKey[32], const uint8_t header[kHeaderSize], uint8_t out[8]) {
  Mac mac;
  if (!OpenMac(&mac, macKey)) return false;
  gcry_mac_write(mac.h, kCheckLabel, sizeof kCheckLabel - 1);
  gcry_mac_write(mac.h, header, 32);
  uint8_t full[32];
  size_t length = sizeof full;
  if (gcry_mac_read(mac.h, full, &length) || length != sizeof full) return false;
  memcpy(out, full, 8);
  return true;
}

// The cipher of one file, fed chunk by chunk.
class Stream {
 public:
  bool Start(Cipher cipher, const uint8_t key[8], const uint8_t iv[8]) {
    cipher_ = cipher;
    if (cipher == kCipherDes) {
      if (gcry_cipher_open(&des_.h, GCRY_CIPHER_DES, GCRY_CIPHER_MODE_CBC, 0)) return false;
      // The key is the user's; a weak DES key still encrypts, it is only weaker.
      gcry_cipher_ctl(des_.h, GCRYCTL_SET_ALLOW_WEAK_KEY, nullptr, 1);
      gpg_error_t error = gcry_cipher_setkey(des_.h, key, 8);
      if (error && gcry_err_code(error) != GPG_ERR_WEAK_KEY) return false;
      return !gcry_cipher_setiv(des_.h, iv, 8);
    }
    // Shift-xor: the bytes are xored with a xorshift64* stream seeded from key and IV.
    state_ = GetLe(key, 8) ^ (GetLe(iv, 8) * 0x9E3779B97F4A7C15ull) ^ 0x6A09E667F3BCC908ull;
    if (!state_) state_ = 0x6A09E667F3BCC908ull;
    used_ = 8;
    return true;
  }
  // length: a multiple of 8 for DES.
  bool Run(uint8_t* data, size_t length, bool encrypt) {
    if (cipher_ == kCipherDes) {
      gpg_error_t error = encrypt ? gcry_cipher_encrypt(des_.h, data, length, nullptr, 0)
                                  : gcry_cipher_decrypt(des_.h, data, length, nullptr, 0);
      return !error;
    }
    for (size_t i = 0; i < length; ++i) {
      if (used_ == 8) {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        PutLe(block_, state_ * 0x2545F4914F6CDD1Dull, 8);
        used_ = 0;
      }
      data[i] ^= block_[used_++];
    }
    return true;
  }
  ~Stream() { SecureZeroMemory(block_, sizeof block_); state_ = 0; }

 private:
  Cipher cipher_ = kCipherDes;
  CipherHandle des_;
  uint64_t state_ = 0;
  uint8_t block_[8] = {};
  int used_ = 8;
};

uint64_t CipherLength(Cipher cipher, uint64_t plain) {
  return cipher == kCipherDes ? (plain + 7) / 8 * 8 : plain;
}

bool ReadExactly(HANDLE file, void* buffer, DWORD length) {
  DWORD got = 0;
  return ReadFile(file, buffer, length, &got, nullptr) && got == length;
}
bool WriteExactly(HANDLE file, const void* buffer, DWORD length) {
  DWORD written = 0;
  return WriteFile(file, buffer, length, &written, nullptr) && written == length;
}

// The folder part of a path ("C:\a\b.txt" -> "C:\a"); "." for a bare name.
std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return ".";
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

// A temporary file beside the target, written and then moved over it.
class TempOutput {
 public:
  short Create(const char* target) {
    target_ = target;
    std::string folder = FolderOf(target_);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return KZ_E_PATH_NOT_FOUND;
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.c_str(), "~kz", 0, temp)) return KZ_E_ACCESS;
    path_ = temp;
    file_.h = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (!file_.ok()) {
      DeleteFileA(temp);
      path_.clear();
      return KZ_E_ACCESS;
    }
    return KZ_OK;
  }
  HANDLE handle() const { return file_.h; }
  short Commit() {
    if (!FlushFileBuffers(file_.h)) return KZ_E_WRITE;
    file_.Close();
    if (!MoveFileExA(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return KZ_E_ACCESS;
    path_.clear();
    return KZ_OK;
  }
  ~TempOutput() {
    file_.Close();
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }

 private:
  Handle file_;
  std::string path_, target_;
};

bool PathsFit(const char* source, const char* target) {
  return source && target && strlen(source) < MAX_PATH && strlen(target) < MAX_PATH;
}

// Opens an encrypted source and checks its header against cipher and key.
short OpenEncrypted(const char* source, Cipher cipher, const uint8_t key[8], Handle* file,
                    uint8_t header[kHeaderSize], uint64_t* plain, uint8_t macKey[32]) {
  // Others may read the file meanwhile, nobody may change it between the check and the use.
  file->h = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (!file->ok()) return OpenErrorCode(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file->h, &size)) return KZ_E_READ;
  if (static_cast<uint64_t>(size.QuadPart) < kHeaderSize + kMacSize) return KZ_E_FORMAT;
  if (!ReadExactly(file->h, header, kHeaderSize)) return KZ_E_READ;
  if (memcmp(header, kMagic, sizeof kMagic) || GetLe(header + 8, 2) != kVersion) return KZ_E_FORMAT;
  if (header[10] != cipher) return KZ_E_FORMAT;
  *plain = GetLe(header + 16, 8);
  if (*plain > (1ull << 62) ||
      static_cast<uint64_t>(size.QuadPart) != kHeaderSize + CipherLength(cipher, *plain) + kMacSize)
    return KZ_E_READ;  // cut short or grown: damaged
  MacKey(cipher, key, macKey);
  uint8_t check[8];
  if (!KeyCheck(macKey, header, check)) return KZ_E_MEMORY;
  if (memcmp(check, header + 32, 8)) return KZ_E_KEY;
  return KZ_OK;
}

}  // namespace

bool InitCrypto() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    if (!gcry_check_version(GCRYPT_VERSION)) return;
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    ready = true;
  });
  return ready;
}

bool DesEncryptBlock(const uint8_t key[8], const uint8_t in[8], uint8_t out[8]) {
  if (!InitCrypto()) return false;
  CipherHandle des;
  if (gcry_cipher_open(&des.h, GCRY_CIPHER_DES, GCRY_CIPHER_MODE_ECB, 0)) return false;
  gcry_cipher_ctl(des.h, GCRYCTL_SET_ALLOW_WEAK_KEY, nullptr, 1);
  gpg_error_t error = gcry_cipher_setkey(des.h, key, 8);
  if (error && gcry_err_code(error) != GPG_ERR_WEAK_KEY) return false;
  return !gcry_cipher_encrypt(des.h, out, 8, in, 8);
}

short PasswordToKey(const char* text, uint8_t key[8]) {
  if (!text || !key) return KZ_E_BUFFER;
  if (!InitCrypto()) return KZ_E_MEMORY;
  size_t length = strnlen(text, 100);
  if (length == 0 || length > 99) return KZ_E_BUFFER;
  if (gcry_kdf_derive(text, length, GCRY_KDF_PBKDF2, GCRY_MD_SHA256, kSalt, sizeof kSalt - 1,
                      kKdfIterations, 8, key))
    return KZ_E_MEMORY;
  return KZ_OK;
}

void MakeDesSchedule(const uint8_t key[8], uint8_t schedule[128]) {
  memset(schedule, 0, 128);
  memcpy(schedule, kScheduleMagic, 4);
  PutLe(schedule + 4, 1, 4);
  memcpy(schedule + 8, key, 8);
}

bool KeyOfDesSchedule(const uint8_t schedule[128], uint8_t key[8]) {
  if (!schedule || memcmp(schedule, kScheduleMagic, 4) || GetLe(schedule + 4, 4) != 1) return false;
  memcpy(key, schedule + 8, 8);
  return true;
}

short EncryptFile(const char* source, const char* target, Cipher cipher, const uint8_t key[8]) {
  if (!PathsFit(source, target)) return KZ_E_PATH_TOO_LONG;
  if (!InitCrypto()) return KZ_E_MEMORY;
  Handle in(CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in.ok()) return OpenErrorCode(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(in.h, &size)) return KZ_E_READ;
  const uint64_t plain = static_cast<uint64_t>(size.QuadPart);

  uint8_t header[kHeaderSize] = {};
  memcpy(header, kMagic, sizeof kMagic);
  PutLe(header + 8, kVersion, 2);
  header[10] = cipher;
  PutLe(header + 16, plain, 8);
  gcry_create_nonce(header + 24, 8);
  uint8_t macKey[32];
  MacKey(cipher, key, macKey);
  if (!KeyCheck(macKey, header, header + 32)) return KZ_E_MEMORY;
  Mac mac;
  Stream stream;
  if (!OpenMac(&mac, macKey) || !stream.Start(cipher, key, header + 24)) return KZ_E_MEMORY;
  SecureZeroMemory(macKey, sizeof macKey);

  TempOutput out;
  if (short code = out.Create(target)) return code;
  gcry_mac_write(mac.h, header, kHeaderSize);
  if (!WriteExactly(out.handle(), header, kHeaderSize)) return KZ_E_WRITE;

  std::vector<uint8_t> buffer(kChunk);
  uint64_t done = 0;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.h, buffer.data(), kChunk, &got, nullptr)) return KZ_E_READ;
    if (got == 0) break;
    done += got;
    if (done > plain) return KZ_E_READ;  // the file grew while it was read
    DWORD length = got;
    if (cipher == kCipherDes && length % 8) {
      DWORD padded = (length + 7) / 8 * 8;
      memset(buffer.data() + length, 0, padded - length);
      length = padded;
    }
    if (!stream.Run(buffer.data(), length, true)) return KZ_E_MEMORY;
    gcry_mac_write(mac.h, buffer.data(), length);
    if (!WriteExactly(out.handle(), buffer.data(), length)) return KZ_E_WRITE;
    if (length != got) break;  // the padded last block
  }
  if (done != plain) return KZ_E_READ;
  SecureZeroMemory(buffer.data(), buffer.size());
  uint8_t tag[kMacSize];
  size_t tagLength = sizeof tag;
  if (gcry_mac_read(mac.h, tag, &tagLength) || tagLength != kMacSize) return KZ_E_MEMORY;
  if (!WriteExactly(out.handle(), tag, kMacSize)) return KZ_E_WRITE;
  return out.Commit();
}

short DecryptFile(const char* source, const char* target, Cipher cipher, const uint8_t key[8]) {
  if (!PathsFit(source, target)) return KZ_E_PATH_TOO_LONG;
  if (!InitCrypto()) return KZ_E_MEMORY;
  Handle in;
  uint8_t header[kHeaderSize];
  uint64_t plain = 0;
  uint8_t macKey[32];
  if (short code = OpenEncrypted(source, cipher, key, &in, header, &plain, macKey)) return code;
  const uint64_t cipherLength = CipherLength(cipher, plain);

  // First pass: the whole file against its MAC, before anything is written.
  Mac mac;
  if (!OpenMac(&mac, macKey)) return KZ_E_MEMORY;
  SecureZeroMemory(macKey, sizeof macKey);
  gcry_mac_write(mac.h, header, kHeaderSize);
  std::vector<uint8_t> buffer(kChunk);
  for (uint64_t left = cipherLength; left > 0;) {
    DWORD part = static_cast<DWORD>(left < kChunk ? left : kChunk);
    if (!ReadExactly(in.h, buffer.data(), part)) return KZ_E_READ;
    gcry_mac_write(mac.h, buffer.data(), part);
    left -= part;
  }
  uint8_t stored[kMacSize];
  if (!ReadExactly(in.h, stored, kMacSize)) return KZ_E_READ;
  if (gcry_mac_verify(mac.h, stored, kMacSize)) return KZ_E_READ;  // damaged

  // Second pass: decrypt into the temporary file.
  Stream stream;
  if (!stream.Start(cipher, key, header + 24)) return KZ_E_MEMORY;
  LARGE_INTEGER start{};
  start.QuadPart = kHeaderSize;
  if (!SetFilePointerEx(in.h, start, nullptr, FILE_BEGIN)) return KZ_E_READ;
  TempOutput out;
  if (short code = out.Create(target)) return code;
  uint64_t left = cipherLength, written = 0;
  while (left > 0) {
    DWORD part = static_cast<DWORD>(left < kChunk ? left : kChunk);
    if (!ReadExactly(in.h, buffer.data(), part)) return KZ_E_READ;
    if (!stream.Run(buffer.data(), part, false)) return KZ_E_MEMORY;
    DWORD keep = static_cast<DWORD>(plain - written < part ? plain - written : part);
    if (!WriteExactly(out.handle(), buffer.data(), keep)) return KZ_E_WRITE;
    written += keep;
    left -= part;
  }
  SecureZeroMemory(buffer.data(), buffer.size());
  return out.Commit();
}

bool IsEncryptedFile(const char* path) {
  if (!path || strlen(path) >= MAX_PATH) return false;
  Handle in(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in.ok()) return false;
  LARGE_INTEGER size{};
  uint8_t header[kHeaderSize];
  if (!GetFileSizeEx(in.h, &size) || static_cast<uint64_t>(size.QuadPart) < kHeaderSize + kMacSize ||
      !ReadExactly(in.h, header, kHeaderSize))
    return false;
  if (memcmp(header, kMagic, sizeof kMagic) || GetLe(header + 8, 2) != kVersion) return false;
  Cipher cipher = static_cast<Cipher>(header[10]);
  if (cipher != kCipherDes && cipher != kCipherShiftXor) return false;
  uint64_t plain = GetLe(header + 16, 8);
  return plain <= (1ull << 62) &&
         static_cast<uint64_t>(size.QuadPart) == kHeaderSize + CipherLength(cipher, plain) + kMacSize;
}

bool KeyOpensFile(const char* path, Cipher cipher, const uint8_t key[8]) {
  if (!path || strlen(path) >= MAX_PATH || !InitCrypto()) return false;
  Handle in;
  uint8_t header[kHeaderSize];
  uint64_t plain = 0;
  uint8_t macKey[32];
  short code = OpenEncrypted(path, cipher, key, &in, header, &plain, macKey);
  SecureZeroMemory(macKey, sizeof macKey);
  return code == KZ_OK;
}

}  // namespace kz
