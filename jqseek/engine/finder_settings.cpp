#include "finder_settings.h"

#include <objbase.h>
#include <cstring>
#include <string>
#include <vector>

#include "le_bytes.h"

// {68BC0BC0-80F9-11CF-99B1-444553540000}
const CLSID CLSID_JQSeekSavedSearch = {
    0x68BC0BC0, 0x80F9, 0x11CF, {0x99, 0xB1, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

constexpr wchar_t kStreamName[] = L"SETTINGS";

void SetText(char* field, size_t size, const char* text) {
  memset(field, 0, size);
  strncpy(field, text, size - 1);
}

FinderSettings EmptySettings() {
  FinderSettings s;
  memset(&s, 0, sizeof s);
  s.drives['C' - 'A'] = 1;
  s.includeSubfolders = 1;
  s.archiveState = s.readOnlyState = s.hiddenState = s.systemState = 2;
  s.whichTime = 1;
  s.ignoreCase = 1;
  return s;
}

uint32_t Clamp(uint32_t value, uint32_t highest, uint32_t fallback) {
  return value <= highest ? value : fallback;
}

}  // namespace

FinderSettings StartupFinderSettings() {
  FinderSettings s = EmptySettings();
  s.directoryState = 2;
  SetText(s.nameMasks, sizeof s.nameMasks, "*.*");
  SetText(s.path, sizeof s.path, "C:\\");
  return s;
}

FinderSettings NewSearchFinderSettings() {
  FinderSettings s = EmptySettings();
  s.directoryState = 0;
  return s;
}

void FinderSettingsToBytes(const FinderSettings& s, uint8_t* b) {
  memset(b, 0, kFinderSettingsBytes);
  memcpy(b + 0, s.drives, 26);
  le::PutU32(b + 28, s.lookInPath);
  le::PutU32(b + 32, s.includeSubfolders);
  le::PutText(b + 36, s.fileType, 100);
  const uint16_t states[5] = {s.archiveState, s.readOnlyState, s.hiddenState, s.systemState,
                              s.directoryState};
  for (int i = 0; i < 5; ++i) {
    b[136 + 2 * i] = static_cast<uint8_t>(states[i]);
    b[137 + 2 * i] = static_cast<uint8_t>(states[i] >> 8);
  }
  le::PutU32(b + 148, s.dateMode);
  le::PutU32(b + 152, s.whichTime);
  le::PutText(b + 156, s.date1Text, 30);
  le::PutText(b + 186, s.date2Text, 30);
  le::PutU32(b + 216, s.timeMode);
  le::PutText(b + 220, s.time1Text, 20);
  le::PutText(b + 240, s.time2Text, 20);
  le::PutU32(b + 260, s.sizeMode);
  le::PutU32(b + 264, s.size1);
  le::PutU32(b + 268, s.size2);
  le::PutU32(b + 272, s.ignoreCase);
  le::PutText(b + 284, s.containingText, 100);
  le::PutText(b + 384, s.nameMasks, 100);
  le::PutText(b + 484, s.path, 260);
}

void FinderSettingsFromBytes(const uint8_t* bytes, size_t count, FinderSettings* s) {
  uint8_t b[kFinderSettingsBytes];
  FinderSettingsToBytes(*s, b);
  memcpy(b, bytes, count < kFinderSettingsBytes ? count : kFinderSettingsBytes);
  const FinderSettings defaults = StartupFinderSettings();
  for (int i = 0; i < 26; ++i) s->drives[i] = b[i] ? 1 : 0;
  s->lookInPath = le::GetU32(b + 28) ? 1 : 0;
  s->includeSubfolders = le::GetU32(b + 32) ? 1 : 0;
  le::GetText(b + 36, s->fileType, 100);
  uint16_t* states[5] = {&s->archiveState, &s->readOnlyState, &s->hiddenState, &s->systemState,
                         &s->directoryState};
  for (int i = 0; i < 5; ++i) {
    uint16_t v = static_cast<uint16_t>(b[136 + 2 * i] | b[137 + 2 * i] << 8);
    *states[i] = v <= 2 ? v : 2;
  }
  s->dateMode = Clamp(le::GetU32(b + 148), 5, 0);
  s->whichTime = Clamp(le::GetU32(b + 152), 2, defaults.whichTime);
  le::GetText(b + 156, s->date1Text, 30);
  le::GetText(b + 186, s->date2Text, 30);
  s->timeMode = Clamp(le::GetU32(b + 216), 7, 0);
  le::GetText(b + 220, s->time1Text, 20);
  le::GetText(b + 240, s->time2Text, 20);
  s->sizeMode = Clamp(le::GetU32(b + 260), 7, 0);
  s->size1 = le::GetU32(b + 264);
  s->size2 = le::GetU32(b + 268);
  s->ignoreCase = le::GetU32(b + 272) ? 1 : 0;
  le::GetText(b + 284, s->containingText, 100);
  le::GetText(b + 384, s->nameMasks, 100);
  le::GetText(b + 484, s->path, 260);
}

bool SaveSearchFile(const char* path, const FinderSettings& settings) {
  if (!path || !*path) return false;
  std::string target(path);
  std::string temp = target + ".~jq";
  wchar_t wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, temp.c_str(), -1, wide, MAX_PATH)) return false;
  HRESULT init = CoInitialize(nullptr);
  bool ok = false;
  IStorage* storage = nullptr;
  if (SUCCEEDED(StgCreateDocfile(wide, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                 &storage))) {
    IStream* stream = nullptr;
    uint8_t bytes[kFinderSettingsBytes];
    FinderSettingsToBytes(settings, bytes);
    ULONG written = 0;
    if (SUCCEEDED(storage->SetClass(CLSID_JQSeekSavedSearch)) &&
        SUCCEEDED(storage->CreateStream(kStreamName, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                        0, 0, &stream))) {
      ok = SUCCEEDED(stream->Write(bytes, sizeof bytes, &written)) && written == sizeof bytes &&
           SUCCEEDED(stream->Commit(STGC_DEFAULT));
      stream->Release();
    }
    ok = ok && SUCCEEDED(storage->Commit(STGC_DEFAULT));
    storage->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  if (ok)
    ok = MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

bool LoadSearchFile(const char* path, FinderSettings* settings) {
  if (!path || !*path || !settings) return false;
  wchar_t wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return false;
  HRESULT init = CoInitialize(nullptr);
  bool ok = false;
  IStorage* storage = nullptr;
  if (StgIsStorageFile(wide) == S_OK &&
      SUCCEEDED(StgOpenStorage(wide, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage))) {
    STATSTG stat{};
    IStream* stream = nullptr;
    if (SUCCEEDED(storage->Stat(&stat, STATFLAG_NONAME)) &&
        IsEqualCLSID(stat.clsid, CLSID_JQSeekSavedSearch) &&
        SUCCEEDED(storage->OpenStream(kStreamName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
      uint8_t bytes[kFinderSettingsBytes];
      ULONG got = 0;
      if (SUCCEEDED(stream->Read(bytes, sizeof bytes, &got))) {
        FinderSettingsFromBytes(bytes, got, settings);
        ok = true;
      }
      stream->Release();
    }
    storage->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return ok;
}
