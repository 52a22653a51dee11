// The exports of jqencr.dll over the format and ciphers of kz_format.cpp.
#include "jqencr.h"
#include <cstring>
#include "file_wipe.h"
#include "kz_format.h"

namespace {

short CheckLevel(int level, bool decrypt) {
  if (level == 3 || (decrypt && level == 0)) return KZ_OK;
  return KZ_E_FORMAT;
}

struct DesKey {
  uint8_t key[8];
  bool ok;
  explicit DesKey(const unsigned char* schedule) : ok(kz::KeyOfDesSchedule(schedule, key)) {}
  ~DesKey() { SecureZeroMemory(key, sizeof key); }
};

}  // namespace

JQENCR_API short __stdcall KzPasswordToKeys(const char* text, unsigned char* key) {
  return kz::PasswordToKey(text, key);
}

JQENCR_API short __stdcall KzSetKeyDES(const unsigned char* key, unsigned char* schedule) {
  if (!key || !schedule) return KZ_E_BUFFER;
  kz::MakeDesSchedule(key, schedule);
  return KZ_OK;
}

JQENCR_API short __stdcall KzIsEncrypted(const char* path) { return kz::IsEncryptedFile(path) ? 1 : 0; }

JQENCR_API short __stdcall KzEncryptFileDES(const char* source, const char* target,
                                           const unsigned char* schedule, int level) {
  if (short code = CheckLevel(level, false)) return code;
  DesKey des(schedule);
  if (!des.ok) return KZ_E_BUFFER;
  return kz::EncryptFile(source, target, kz::kCipherDes, des.key);
}

JQENCR_API short __stdcall KzEncryptFileShiftXor(const char* source, const char* target,
                                                const unsigned char* key, int level) {
  if (short code = CheckLevel(level, false)) return code;
  if (!key) return KZ_E_BUFFER;
  return kz::EncryptFile(source, target, kz::kCipherShiftXor, key);
}

JQENCR_API short __stdcall KzDecryptFileDES(const char* source, const char* target,
                                           const unsigned char* schedule, int level) {
  if (short code = CheckLevel(level, true)) return code;
  DesKey des(schedule);
  if (!des.ok) return KZ_E_BUFFER;
  return kz::DecryptFile(source, target, kz::kCipherDes, des.key);
}

JQENCR_API short __stdcall KzDecryptFileShiftXor(const char* source, const char* target,
                                                const unsigned char* key, int level) {
  if (short code = CheckLevel(level, true)) return code;
  if (!key) return KZ_E_BUFFER;
  return kz::DecryptFile(source, target, kz::kCipherShiftXor, key);
}

JQENCR_API short __stdcall KzIsGoodPasswordDES(const char* source, const unsigned char* schedule) {
  DesKey des(schedule);
  return des.ok && kz::KeyOpensFile(source, kz::kCipherDes, des.key) ? 1 : 0;
}

JQENCR_API short __stdcall KzIsGoodPasswordShiftXor(const char* source, const unsigned char* key) {
  return key && kz::KeyOpensFile(source, kz::kCipherShiftXor, key) ? 1 : 0;
}

JQENCR_API short __stdcall KzNukeFile(const char* path) {
  if (!path || strlen(path) >= MAX_PATH) return KZ_E_PATH_TOO_LONG;
  return filewipe::WipeAndDeleteFile(path) ? KZ_OK : KZ_E_ACCESS;
}
