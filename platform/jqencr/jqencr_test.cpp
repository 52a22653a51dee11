// jqencr.dll through its exports, loaded by full path from the program folder as the file
// manager loads it; the DES known answer through the library's own cipher wrapper.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "jqencr.h"
#include "kz_format.h"
#include "test_support.h"

namespace {

struct EncrApi {
  HMODULE module = nullptr;
  short(__stdcall* PasswordToKeys)(const char*, unsigned char*) = nullptr;
  short(__stdcall* SetKeyDES)(const unsigned char*, unsigned char*) = nullptr;
  short(__stdcall* IsEncrypted)(const char*) = nullptr;
  short(__stdcall* EncryptDES)(const char*, const char*, const unsigned char*, int) = nullptr;
  short(__stdcall* EncryptShiftXor)(const char*, const char*, const unsigned char*, int) = nullptr;
  short(__stdcall* DecryptDES)(const char*, const char*, const unsigned char*, int) = nullptr;
  short(__stdcall* DecryptShiftXor)(const char*, const char*, const unsigned char*, int) = nullptr;
  short(__stdcall* GoodDES)(const char*, const unsigned char*) = nullptr;
  short(__stdcall* GoodShiftXor)(const char*, const unsigned char*) = nullptr;
  short(__stdcall* Nuke)(const char*) = nullptr;
};

template <typename F>
void Bind(HMODULE module, const char* name, F* out) {
  *out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return data;
}

// Files of a folder other than "." and "..".
int CountFiles(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  int count = 0;
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (strcmp(data.cFileName, ".") && strcmp(data.cFileName, "..")) ++count;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return count;
}

class Encr : public ::testing::Test {
 protected:
  void SetUp() override {
    api.module = LoadLibraryA((jqtest::ProgramFolder() + "\\jqencr.dll").c_str());
    ASSERT_NE(api.module, nullptr);
    Bind(api.module, "KzPasswordToKeys", &api.PasswordToKeys);
    Bind(api.module, "KzSetKeyDES", &api.SetKeyDES);
    Bind(api.module, "KzIsEncrypted", &api.IsEncrypted);
    Bind(api.module, "KzEncryptFileDES", &api.EncryptDES);
    Bind(api.module, "KzEncryptFileShiftXor", &api.EncryptShiftXor);
    Bind(api.module, "KzDecryptFileDES", &api.DecryptDES);
    Bind(api.module, "KzDecryptFileShiftXor", &api.DecryptShiftXor);
    Bind(api.module, "KzIsGoodPasswordDES", &api.GoodDES);
    Bind(api.module, "KzIsGoodPasswordShiftXor", &api.GoodShiftXor);
    Bind(api.module, "KzNukeFile", &api.Nuke);
    ASSERT_TRUE(api.PasswordToKeys && api.SetKeyDES && api.IsEncrypted && api.EncryptDES &&
                api.EncryptShiftXor && api.DecryptDES && api.DecryptShiftXor && api.GoodDES &&
                api.GoodShiftXor && api.Nuke);
    MakeKeys("correct horse", key, schedule);
    MakeKeys("wrong horse", wrongKey, wrongSchedule);
  }
  void TearDown() override {
    if (api.module) FreeLibrary(api.module);
  }
  void MakeKeys(const char* text, unsigned char* k, unsigned char* s) {
    memset(k, ' ', kKzKeySize);
    memset(s, ' ', kKzScheduleSize);
    ASSERT_EQ(api.PasswordToKeys(text, k), 0);
    ASSERT_EQ(api.SetKeyDES(k, s), 0);
  }
  short Encrypt(bool des, const std::string& source, const std::string& target) {
    return des ? api.EncryptDES(source.c_str(), target.c_str(), schedule, 3)
               : api.EncryptShiftXor(source.c_str(), target.c_str(), key, 3);
  }
  short Decrypt(bool des, const std::string& source, const std::string& target, bool wrong = false) {
    return des ? api.DecryptDES(source.c_str(), target.c_str(), wrong ? wrongSchedule : schedule, 3)
               : api.DecryptShiftXor(source.c_str(), target.c_str(), wrong ? wrongKey : key, 3);
  }
  EncrApi api;
  unsigned char key[kKzKeySize], schedule[kKzScheduleSize];
  unsigned char wrongKey[kKzKeySize], wrongSchedule[kKzScheduleSize];
};

TEST(EncrCipher, DesMatchesTheFipsKnownAnswer) {
  const uint8_t key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  const uint8_t plain[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  const uint8_t expected[8] = {0x85, 0xE8, 0x13, 0x54, 0x0F, 0x0A, 0xB4, 0x05};
  uint8_t out[8] = {};
  ASSERT_TRUE(kz::DesEncryptBlock(key, plain, out));
  EXPECT_EQ(0, memcmp(out, expected, 8));
}

TEST_F(Encr, KeysDependOnTheWholeTextAndAreStable) {
  unsigned char again[kKzKeySize], other[kKzKeySize], s[kKzScheduleSize];
  MakeKeys("correct horse", again, s);
  EXPECT_EQ(0, memcmp(again, key, kKzKeySize));
  EXPECT_EQ(0, memcmp(s, schedule, kKzScheduleSize));
  MakeKeys("correct horsf", other, s);
  EXPECT_NE(0, memcmp(other, key, kKzKeySize));
  EXPECT_NE(api.PasswordToKeys("", other), 0);
}

TEST_F(Encr, BothCiphersRoundTripEverySize) {
  for (bool des : {true, false}) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{8}, size_t{9}, size_t{100 * 1024}}) {
      SCOPED_TRACE(std::string(des ? "DES " : "shift-xor ") + std::to_string(size));
      jqtest::TempFolder t;
      std::string data = Pattern(size);
      std::string plain = t.WriteFile("plain.bin", data);
      std::string sealed = t / "sealed.kz", opened = t / "opened.bin";
      EXPECT_EQ(api.IsEncrypted(plain.c_str()), 0);
      ASSERT_EQ(Encrypt(des, plain, sealed), 0);
      EXPECT_NE(api.IsEncrypted(sealed.c_str()), 0);
      std::string stored = jqtest::ReadFileText(sealed);
      if (size >= 8) {
        EXPECT_EQ(stored.find(data.substr(0, 8)), std::string::npos);
      }
      EXPECT_NE(des ? api.GoodDES(sealed.c_str(), schedule) : api.GoodShiftXor(sealed.c_str(), key), 0);
      ASSERT_EQ(Decrypt(des, sealed, opened), 0);
      EXPECT_EQ(jqtest::ReadFileText(opened), data);
      EXPECT_EQ(CountFiles(t.path()), 3);  // no temporary file left behind
    }
  }
}

TEST_F(Encr, EncryptingTwiceGivesDifferentFilesThatBothOpen) {
  jqtest::TempFolder t;
  std::string plain = t.WriteFile("plain.txt", "same text, same key");
  ASSERT_EQ(Encrypt(true, plain, t / "a.kz"), 0);
  ASSERT_EQ(Encrypt(true, plain, t / "b.kz"), 0);
  EXPECT_NE(jqtest::ReadFileText(t / "a.kz"), jqtest::ReadFileText(t / "b.kz"));  // a fresh IV each time
  ASSERT_EQ(Decrypt(true, t / "b.kz", t / "b.txt"), 0);
  EXPECT_EQ(jqtest::ReadFileText(t / "b.txt"), "same text, same key");
}

TEST_F(Encr, WrongKeyOrCipherIsRefusedBeforeAnythingIsWritten) {
  for (bool des : {true, false}) {
    SCOPED_TRACE(des ? "DES" : "shift-xor");
    jqtest::TempFolder t;
    std::string plain = t.WriteFile("plain.txt", Pattern(5000));
    std::string sealed = t / "sealed.kz";
    ASSERT_EQ(Encrypt(des, plain, sealed), 0);
    std::string before = jqtest::ReadFileText(sealed);
    // An existing target stays as it was.
    std::string target = t.WriteFile("target.txt", "keep me");
    EXPECT_EQ(Decrypt(des, sealed, target, true), KZ_E_KEY);
    EXPECT_EQ(jqtest::ReadFileText(target), "keep me");
    EXPECT_EQ(Decrypt(des, sealed, t / "new.txt", true), KZ_E_KEY);
    EXPECT_FALSE(jqtest::FileExists(t / "new.txt"));
    // The other cipher's call says "not this format", whatever the key.
    EXPECT_EQ(Decrypt(!des, sealed, t / "new.txt"), KZ_E_FORMAT);
    EXPECT_EQ(des ? api.GoodDES(sealed.c_str(), wrongSchedule) : api.GoodShiftXor(sealed.c_str(), wrongKey), 0);
    EXPECT_EQ(des ? api.GoodShiftXor(sealed.c_str(), key) : api.GoodDES(sealed.c_str(), schedule), 0);
    EXPECT_EQ(jqtest::ReadFileText(sealed), before);
    EXPECT_EQ(CountFiles(t.path()), 3);
  }
}

TEST_F(Encr, DamagedOrForeignFilesAreRefused) {
  jqtest::TempFolder t;
  std::string plain = t.WriteFile("plain.txt", Pattern(3000));
  std::string sealed = t / "sealed.kz";
  ASSERT_EQ(Encrypt(true, plain, sealed), 0);
  std::string bytes = jqtest::ReadFileText(sealed);
  // One flipped bit of cipher text: the MAC refuses it, nothing is written.
  std::string flipped = bytes;
  flipped[kz::kHeaderSize + 100] ^= 0x01;
  std::string damaged = t.WriteFile("damaged.kz", flipped);
  EXPECT_EQ(Decrypt(true, damaged, t / "out.txt"), KZ_E_READ);
  EXPECT_FALSE(jqtest::FileExists(t / "out.txt"));
  // Cut short: no longer counted as encrypted.
  std::string cut = t.WriteFile("cut.kz", bytes.substr(0, bytes.size() - 1));
  EXPECT_EQ(api.IsEncrypted(cut.c_str()), 0);
  EXPECT_EQ(Decrypt(true, cut, t / "out.txt"), KZ_E_READ);
  // Plain text and a missing file.
  EXPECT_EQ(Decrypt(true, plain, t / "out.txt"), KZ_E_FORMAT);
  EXPECT_EQ(Decrypt(true, t / "missing.kz", t / "out.txt"), KZ_E_NOT_FOUND);
  EXPECT_FALSE(jqtest::FileExists(t / "out.txt"));
  EXPECT_EQ(api.IsEncrypted((t / "missing.kz").c_str()), 0);
}

TEST_F(Encr, FormatLevelsAndBadArguments) {
  jqtest::TempFolder t;
  std::string plain = t.WriteFile("plain.txt", "level");
  EXPECT_EQ(api.EncryptDES(plain.c_str(), (t / "x.kz").c_str(), schedule, 0), KZ_E_FORMAT);
  ASSERT_EQ(api.EncryptDES(plain.c_str(), (t / "x.kz").c_str(), schedule, 3), 0);
  EXPECT_EQ(api.DecryptDES((t / "x.kz").c_str(), (t / "y.txt").c_str(), schedule, 0), 0);
  EXPECT_EQ(jqtest::ReadFileText(t / "y.txt"), "level");
  unsigned char notASchedule[kKzScheduleSize];
  memset(notASchedule, ' ', sizeof notASchedule);
  EXPECT_EQ(api.EncryptDES(plain.c_str(), (t / "z.kz").c_str(), notASchedule, 3), KZ_E_BUFFER);
  // A target folder that does not exist.
  EXPECT_EQ(Encrypt(false, plain, t / "no\\such\\z.kz"), KZ_E_PATH_NOT_FOUND);
  EXPECT_EQ(Encrypt(false, plain, std::string(300, 'a')), KZ_E_PATH_TOO_LONG);
}

TEST_F(Encr, NukeWipesAndDeletesReadOnlyFiles) {
  jqtest::TempFolder t;
  for (size_t size : {size_t{0}, size_t{10240}, size_t{10241}}) {
    std::string file = t.WriteFile("f" + std::to_string(size), Pattern(size));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(api.Nuke(file.c_str()), 0) << size;
    EXPECT_FALSE(jqtest::FileExists(file));
  }
  EXPECT_EQ(api.Nuke((t / "missing").c_str()), KZ_E_ACCESS);
  // A file another program holds open is reported, not silently left.
  std::string held = t.WriteFile("held", "x");
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(api.Nuke(held.c_str()), KZ_E_ACCESS);
  CloseHandle(h);
  EXPECT_EQ(jqtest::ReadFileText(held), "x");
}

}  // namespace
