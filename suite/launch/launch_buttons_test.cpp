// The launch buttons' list and stored image, the program and start-folder checks, and shortcut
// files with their names.
#include "launch_buttons.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include <vector>
#include "le_bytes.h"
#include "shortcut_file.h"
#include "test_support.h"

using namespace jqtest;

namespace {

LaunchButton* Make(const char* command, const char* label, const char* iconFile = nullptr,
                   uint32_t show = SW_SHOWNORMAL) {
  LaunchButton* b = NewLaunchButton();
  SetLaunchString(&b->command, command);
  SetLaunchString(&b->label, label);
  SetLaunchString(&b->iconFile, iconFile);
  b->customIcon = iconFile ? 1 : 0;
  b->iconIndex = iconFile ? 3 : 0;
  b->showMode = show;
  return b;
}

std::string Text(const char* s) { return s ? s : "<null>"; }

}  // namespace

TEST(LaunchButtons, ListCountsIndexesAndFrees) {
  FreeLaunchButtons();
  EXPECT_EQ(CountLaunchButtons(), 0);
  EXPECT_EQ(GetLaunchButton(0), nullptr);
  for (const char* name : {"a", "b", "c"}) AppendLaunchButton(&LaunchButtonList(), Make(name, name));
  EXPECT_EQ(CountLaunchButtons(), 3);
  EXPECT_STREQ(GetLaunchButton(2)->command, "c");
  EXPECT_EQ(GetLaunchButton(3), nullptr);
  EXPECT_EQ(GetLaunchButton(-1), nullptr);
  FreeLaunchButtons();
  EXPECT_EQ(LaunchButtonList(), nullptr);
  EXPECT_EQ(CountLaunchButtons(), 0);
}

TEST(LaunchButtons, StoredImageHasTheRecordLayoutAndReadsBack) {
  LaunchButton* list = nullptr;
  AppendLaunchButton(&list, Make("C:\\w\\n.exe", "Note", "C:\\w\\i.dll", SW_SHOWMAXIMIZED));
  LaunchButton* second = Make("D:\\x", nullptr);
  SetLaunchString(&second->parameters, "-p \"q\"");
  SetLaunchString(&second->startDirectory, "");
  AppendLaunchButton(&list, second);

  std::vector<uint8_t> bytes = EncodeLaunchButtons(list);
  // 4 + (44 + 20) per button + the strings with their NULs.
  size_t strings = sizeof "C:\\w\\n.exe" + sizeof "Note" + sizeof "C:\\w\\i.dll" + sizeof "D:\\x" +
                   sizeof "-p \"q\"" + 1;
  ASSERT_EQ(bytes.size(), 4 + 2 * 64 + strings);
  EXPECT_EQ(le::GetU32(&bytes[0]), 2u);
  EXPECT_EQ(le::GetU32(&bytes[4]), 0u) << "pointer words are zero";
  EXPECT_EQ(le::GetU32(&bytes[4 + 16]), static_cast<uint32_t>(SW_SHOWMAXIMIZED));
  EXPECT_EQ(le::GetU32(&bytes[4 + 24]), 1u);
  EXPECT_EQ(le::GetU32(&bytes[4 + 28]), 3u);
  EXPECT_EQ(le::GetU32(&bytes[4 + 44]), sizeof "C:\\w\\n.exe");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&bytes[4 + 48])), "C:\\w\\n.exe");

  LaunchButton* back = nullptr;
  ASSERT_TRUE(DecodeLaunchButtons(bytes.data(), bytes.size(), &back));
  ASSERT_TRUE(back && back->next && !back->next->next);
  EXPECT_EQ(Text(back->command), "C:\\w\\n.exe");
  EXPECT_EQ(Text(back->label), "Note");
  EXPECT_EQ(Text(back->iconFile), "C:\\w\\i.dll");
  EXPECT_EQ(back->customIcon, 1u);
  EXPECT_EQ(back->iconIndex, 3);
  EXPECT_EQ(back->showMode, static_cast<uint32_t>(SW_SHOWMAXIMIZED));
  EXPECT_EQ(Text(back->next->parameters), "-p \"q\"");
  EXPECT_EQ(Text(back->next->startDirectory), "") << "an empty string stays empty, not absent";
  EXPECT_EQ(Text(back->next->label), "<null>");
  EXPECT_EQ(EncodeLaunchButtons(back), bytes);
  FreeLaunchButtonChain(back, nullptr);
  FreeLaunchButtonChain(list, nullptr);
}

TEST(LaunchButtons, EmptyIconFileClearsTheCustomIconFlag) {
  LaunchButton* one = Make("C:\\a.exe", "a", "");
  one->customIcon = 1;
  std::vector<uint8_t> bytes = EncodeLaunchButtons(one);
  LaunchButton* back = nullptr;
  ASSERT_TRUE(DecodeLaunchButtons(bytes.data(), bytes.size(), &back));
  EXPECT_EQ(back->customIcon, 0u);
  FreeLaunchButtonChain(back, nullptr);
  FreeLaunchButtonChain(one, nullptr);
}

TEST(LaunchButtons, DamagedImagesAreRefusedWithoutReadingPastTheValue) {
  LaunchButton* list = nullptr;
  AppendLaunchButton(&list, Make("C:\\a.exe", "a"));
  AppendLaunchButton(&list, Make("C:\\b.exe", "b"));
  const std::vector<uint8_t> good = EncodeLaunchButtons(list);
  FreeLaunchButtonChain(list, nullptr);

  struct Case { const char* what; std::vector<uint8_t> bytes; };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  cases.push_back({"count only, short", {1, 0}});
  {
    auto b = good;
    le::PutU32(b.data(), 3);
    cases.push_back({"count larger than the entries", b});
  }
  {
    auto b = good;
    le::PutU32(b.data(), 0xFFFFFFFF);
    cases.push_back({"huge count", b});
  }
  cases.push_back({"truncated in a string", std::vector<uint8_t>(good.begin(), good.end() - 3)});
  {
    auto b = good;
    b.push_back(0);
    cases.push_back({"trailing bytes", b});
  }
  {
    auto b = good;
    le::PutU32(&b[4 + 44], 0x7FFFFFFF);
    cases.push_back({"string length past the end", b});
  }
  {
    auto b = good;
    b[4 + 48 + sizeof "C:\\a.exe" - 1] = 'x';
    cases.push_back({"string without its NUL", b});
  }
  {
    auto b = good;
    le::PutU32(&b[4 + 16], 99);
    cases.push_back({"show mode out of range", b});
  }
  std::vector<uint8_t> noise(4096);
  uint32_t seed = 12345;
  for (auto& byte : noise) byte = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  cases.push_back({"4096 random bytes", noise});

  for (const Case& c : cases) {
    LaunchButton* out = reinterpret_cast<LaunchButton*>(1);
    EXPECT_FALSE(DecodeLaunchButtons(c.bytes.data(), c.bytes.size(), &out)) << c.what;
    EXPECT_EQ(out, nullptr) << c.what;
  }
  LaunchButton* out = nullptr;
  std::vector<uint8_t> zero(4, 0);
  EXPECT_TRUE(DecodeLaunchButtons(zero.data(), zero.size(), &out)) << "no buttons is a valid image";
  EXPECT_EQ(out, nullptr);
}

TEST(LaunchButtons, ProgramSearchTriesTheExtensionsInOrder) {
  TempFolder temp;
  std::string exe = temp.WriteFile("tool.exe", "x");
  std::string bat = temp.WriteFile("only.bat", "x");
  char out[MAX_PATH];
  struct Case { std::string text; int found; std::string path; };
  const Case cases[] = {
      {exe, 1, exe},
      {"  \t" + temp.path() + "\\tool", 1, exe},
      {temp.path() + "\\only", 1, bat},
      {temp.path() + "\\missing", 0, temp.path() + "\\missing"},
      {"", 0, ""},
      {"   ", 0, "   "},
  };
  for (const Case& c : cases) {
    out[0] = '?';
    EXPECT_EQ(IsProgramFile(c.text.c_str(), out, sizeof out), c.found) << c.text;
    EXPECT_STRCASEEQ(out, c.path.c_str()) << c.text;
  }
  EXPECT_EQ(IsProgramFile("notepad", out, sizeof out), 1) << "found on the system path";
}

TEST(LaunchButtons, StartFolderMustHoldEntries) {
  TempFolder temp;
  temp.WriteFile("full\\a.txt", "a");
  temp.MakeFolder("empty");
  EXPECT_EQ(FolderHasFiles(""), 1);
  EXPECT_EQ(FolderHasFiles(" \t"), 1);
  EXPECT_EQ(FolderHasFiles((temp / "full").c_str()), 1);
  EXPECT_EQ(FolderHasFiles((temp / "full\\").c_str()), 1);
  EXPECT_EQ(FolderHasFiles((temp / "missing").c_str()), 0);
  // An empty folder still lists "." and "..".
  EXPECT_EQ(FolderHasFiles((temp / "empty").c_str()), 1);
}

TEST(ShortcutFile, WritesALinkThatResolvesToItsTarget) {
  CoInitialize(nullptr);
  TempFolder temp;
  std::string target = temp.WriteFile("doc.txt", "hello");
  ASSERT_EQ(CreateShortcutFile(temp.path().c_str(), "My doc", target.c_str(), "desc", "-a",
                               temp.path().c_str(), SW_SHOWMAXIMIZED, nullptr, 0, nullptr),
            1);
  std::string link = temp / "My doc.lnk";
  ASSERT_TRUE(FileExists(link));
  IShellLinkA* shell = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&shell))));
  IPersistFile* persist = nullptr;
  shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
  ASSERT_TRUE(SUCCEEDED(persist->Load(wide, STGM_READ)));
  char path[MAX_PATH] = "", args[MAX_PATH] = "";
  int show = 0;
  shell->GetPath(path, MAX_PATH, nullptr, 0);
  shell->GetArguments(args, MAX_PATH);
  shell->GetShowCmd(&show);
  EXPECT_STRCASEEQ(path, target.c_str());
  EXPECT_STREQ(args, "-a");
  (void)show;  // Wine does not always hand the stored show command back.
  persist->Release();
  shell->Release();
  EXPECT_EQ(CreateShortcutFile((temp / "no such folder").c_str(), "x", target.c_str(), nullptr, nullptr,
                               nullptr, SW_SHOWNORMAL, nullptr, 0, nullptr),
            0);
  CoUninitialize();
}

TEST(ShortcutFile, IllegalCharactersAreStripped) {
  const char* cases[][2] = {
      {"a\\b/c:d*e?f\"g<h>i|j", "abcdefghij"},
      {"plain name.txt", "plain name.txt"},
      {"|||", ""},
      {"", ""},
  };
  for (auto& c : cases) {
    char buffer[64];
    strcpy(buffer, c[0]);
    StripIllegalFileNameChars(buffer);
    EXPECT_STREQ(buffer, c[1]) << c[0];
  }
}
