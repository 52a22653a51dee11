// Loading and binding of the archive libraries, identification and the engines' messages.
#include "archive_engines.h"
#include <cstdio>
#include <cstring>
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "window_helpers.h"

ZipEngineApi g_zipApi;
CabEngineApi g_cabApi;
RarEngineApi g_rarApi;
LhaEngineApi g_lhaApi;
ShellExtToolsApi g_shellExtApi;
HMODULE g_shellExtModule;
uint32_t ZipEngineHandle;
uint16_t ArchiveKind;

namespace {

HMODULE g_zipModule, g_cabModule, g_rarModule, g_lhaModule;

const char* const kZipNames[] = {"Et5Init", "Et5ShutDown", "Et5IsGoodPassword", "Et5IsPassword", "Et5Cancel",
                                 "Et5IdentifyFile", "Et5ZipClose", "Et5ZipFindNext", "Et5ZipFindFirst",
                                 "Et5ZipOpen", "Et5QZip", "Et5Zip", "Et5ZipCreateMV", "Et5CPrintHook",
                                 "Et5SetCPrint", "Et5SetParseType", "Et5QUnZip", "Et5ZipNewComment",
                                 "Et5ZipComment", "Et5UUEncode"};
const char* const kCabNames[] = {"CAB_SetArchive", "CAB_CloseArchive", "CAB_ExtractFiles", "CAB_MapToCPError"};
const char* const kRarNames[] = {"RAR_SetArchive", "RAR_FindOpen", "RAR_FindNext", "RAR_NextFileName",
                                 "RAR_ExtractNextFile", "RAR_ExtractSingleFile", "RAR_CloseArchive",
                                 "RAR_IsValidArchive"};
const char* const kLhaNames[] = {"Unlha", "UnlhaSetOwnerWindow", "UnlhaSetCursorMode"};
const char* const kToolNames[] = {"CheckIntegrity", "DoEraseDiskette", "DoCopyDisk", "DoLabelDisk",
                                  "DoFormatDisk", "EditZipComments", "DecodeFiles", "DoSynchFolders",
                                  "DoConvertPictureFormat", "UnZipTo"};

static_assert(sizeof(ZipEngineApi) == sizeof kZipNames / sizeof *kZipNames * sizeof(void*));
static_assert(sizeof(CabEngineApi) == sizeof kCabNames / sizeof *kCabNames * sizeof(void*));
static_assert(sizeof(RarEngineApi) == sizeof kRarNames / sizeof *kRarNames * sizeof(void*));
static_assert(sizeof(ShellExtToolsApi) == sizeof kToolNames / sizeof *kToolNames * sizeof(void*));

void ShowLoadFailure(UINT stringId) {
  char text[400] = "";
  LoadStringText(g_instance, stringId, text, sizeof text);
  seams::MessageBoxA(g_mainWindow, text, g_title, MB_ICONHAND);
}

// Loads the library and binds the names into `table`, in order. A missing function frees the
// library again, so that a later call never finds a half-bound table.
template <size_t N>
bool LoadAndBind(HMODULE* module, const char* fileName, UINT failureString, const char* const (&names)[N],
                 void* table) {
  if (*module) return true;
  char path[MAX_PATH + 16];
  ArchiveLibraryPath(fileName, path, sizeof path);
  HMODULE loaded = LoadLibraryA(path);
  if (!loaded) {
    ShowLoadFailure(failureString);
    return false;
  }
  auto* slots = static_cast<FARPROC*>(table);
  for (size_t i = 0; i < N; ++i) {
    slots[i] = GetProcAddress(loaded, names[i]);
    if (!slots[i]) {
      memset(table, 0, N * sizeof(FARPROC));
      FreeLibrary(loaded);
      return false;
    }
  }
  *module = loaded;
  return true;
}

void Release(HMODULE* module, void* table, size_t size) {
  if (*module) FreeLibrary(*module);
  *module = nullptr;
  memset(table, 0, size);
}

}  // namespace

void ArchiveLibraryPath(const char* fileName, char* out, int size) {
  char folder[MAX_PATH] = "";
  ReadInstallDir(folder);
  size_t length = strlen(folder);
  snprintf(out, size, "%s%s%s", folder, length && folder[length - 1] == '\\' ? "" : "\\", fileName);
}

int LoadZipEngine() {
  if (g_zipModule) return ZipEngineHandle ? 1 : 0;
  if (!LoadAndBind(&g_zipModule, "jqcomp.dll", IDS_ARC_NO_JQCOMP, kZipNames, &g_zipApi)) return 0;
  uint32_t handle = 0;
  if (LOWORD(g_zipApi.Et5Init(&handle, 0)) != 0) {
    Release(&g_zipModule, &g_zipApi, sizeof g_zipApi);
    return 0;
  }
  ZipEngineHandle = handle;
  return 1;
}

int LoadCabEngine() {
  return LoadAndBind(&g_cabModule, "jqcab.dll", IDS_ARC_NO_JQCAB, kCabNames, &g_cabApi) ? 1 : 0;
}

int LoadRarEngine() {
  return LoadAndBind(&g_rarModule, "jqrar.dll", IDS_ARC_NO_JQRAR, kRarNames, &g_rarApi) ? 1 : 0;
}

int LoadLhaEngine() {
  if (g_lhaModule) return 1;
  UINT message = g_lhaApi.extractMessage;
  if (!LoadAndBind(&g_lhaModule, "jqlha.dll", IDS_ARC_NO_JQLHA, kLhaNames, &g_lhaApi)) return 0;
  g_lhaApi.UnlhaSetCursorMode(0);
  g_lhaApi.UnlhaSetOwnerWindow(g_mainWindow);
  g_lhaApi.extractMessage = message ? message : RegisterWindowMessageA("wm_arcextract");
  return 1;
}

int LoadShellExtTools() {
  return LoadAndBind(&g_shellExtModule, "jqshext.dll", IDS_ARC_NO_JQSHEXT, kToolNames, &g_shellExtApi) ? 1 : 0;
}

void UnloadZipEngine() {
  if (g_zipModule && ZipEngineHandle && g_zipApi.Et5ShutDown) {
    uint32_t handle = ZipEngineHandle;
    g_zipApi.Et5ShutDown(&handle);
  }
  ZipEngineHandle = 0;
  Release(&g_zipModule, &g_zipApi, sizeof g_zipApi);
}

void UnloadCabEngine() { Release(&g_cabModule, &g_cabApi, sizeof g_cabApi); }
void UnloadRarEngine() { Release(&g_rarModule, &g_rarApi, sizeof g_rarApi); }

void UnloadLhaEngine() {
  UINT message = g_lhaApi.extractMessage;
  Release(&g_lhaModule, &g_lhaApi, sizeof g_lhaApi);
  g_lhaApi.extractMessage = message;
}

void UnloadShellExtTools() { Release(&g_shellExtModule, &g_shellExtApi, sizeof g_shellExtApi); }

uint16_t ArchiveKindOfEngineKind(uint16_t engineKind) {
  switch (engineKind) {
    case 1: case 2: case 3: case 4: case 13: return kArchiveZip;
    case 6: case 7: case 8: case 11: case 12: case 15: case 17: return kArchiveOther;
    case 5: return kArchiveLha;
    case 14: return kArchiveCab;
    default: return kArchiveNone;
  }
}

bool IsRarArchive(const char* path) {
  if (!LoadRarEngine()) return false;
  return g_rarApi.RAR_IsValidArchive(path) != 0;
}

int IdentifyArchive(const char* path) {
  if (!LoadZipEngine()) return 0;
  uint16_t engineKind = 0;
  int result = g_zipApi.Et5IdentifyFile(ZipEngineHandle, path, &engineKind);
  ArchiveKind = ArchiveKindOfEngineKind(engineKind);
  if (ArchiveKind != kArchiveNone) return 1;
  if (IsRarArchive(path)) {
    ArchiveKind = kArchiveRar;
    return 1;
  }
  ArchiveKind = kArchiveNone;
  ShowArchiveError(static_cast<int16_t>(result), path);
  return 0;
}

bool IsZipEngineArchive(const char* path) {
  if (!LoadZipEngine()) return false;
  uint16_t engineKind = 0;
  g_zipApi.Et5IdentifyFile(ZipEngineHandle, path, &engineKind);
  return engineKind >= 2 && engineKind <= 4;
}

UINT ArchiveErrorString(int code) {
  switch (code) {
    case -29: return IDS_ARC_NEWER_VERSION;
    case -28: return IDS_ARC_NOT_REMOVABLE;
    case -27: case -23: case -20: case -18: case -12: case -9: return IDS_ARC_GENERIC;
    case -26: return IDS_ARC_NO_SPANNING;
    case -25: return IDS_ARC_CRC;
    case -24: return IDS_ARC_BAD_PASSWORD;
    case -22: return IDS_ARC_BAD_DATE;
    case -21: return IDS_ARC_TOO_MANY_FILES;
    case -19: return IDS_ARC_NOTHING_TO_DO;
    case -11: return IDS_ARC_READ_ERROR;
    case -10: return IDS_ARC_WRITE_ERROR;
    case -8: return IDS_ARC_INCOMPLETE;
    case -3: return IDS_ARC_UNKNOWN_METHOD;
    case -2: return IDS_ARC_BAD_DIRECTORY;
    case -1: return IDS_ARC_NOT_ARCHIVE;
    case 102: return IDS_ARC_FILE_NOT_FOUND;
    case 103: return IDS_ARC_PATH_NOT_FOUND;
    case 105: return IDS_ARC_ACCESS_DENIED;
    case 106: return IDS_ARC_NOT_FOUND_OR_INVALID;
    case 108: return IDS_ARC_NO_MEMORY;
    default: return 0;
  }
}

int ShowArchiveError(int code, const char* name) {
  UINT id = ArchiveErrorString(code);
  if (!id) return 2;
  char format[400] = "";
  if (!LoadStringText(g_instance, id, format, sizeof format) || !format[0]) return 2;
  // Bounded: the longest name with the longest text still fits, and is cut otherwise.
  char text[400 + MAX_PATH + 16];
  if (name && name[0] && strstr(format, "%s")) {
    const char* at = strstr(format, "%s");
    snprintf(text, sizeof text, "%.*s%s%s", static_cast<int>(at - format), format, name, at + 2);
  } else {
    lstrcpynA(text, format, sizeof text);
  }
  int answer = seams::MessageBoxA(g_mainWindow, text, g_title, MB_OKCANCEL | MB_ICONEXCLAMATION);
  return answer == IDOK ? 1 : 2;
}

int MapRarCode(int code) {
  switch (code) {
    case 2: case 3: return 105;
    case 4: return 106;
    case 5: case 6: return -1;
    case 7: return -10;
    case 8: return 108;
    default: return -8;
  }
}

int ShowRarError(int code, const char* path) { return ShowArchiveError(MapRarCode(code), path); }

int MapLhaCode(int code) {
  if (code < 32785 || code > 32811) return 0;
  switch (code) {
    case 32785: return -21;
    case 32786: return 103;
    case 32787: return -10;
    case 32788: case 32789: case 32791: return -2;
    case 32790: return -25;
    case 32792: case 32807: return 105;
    case 32793: return -1;
    case 32797: case 32798: return 108;
    case 32809: return 102;
    default: return -27;
  }
}

int ShowLhaError(int code, const char* name) {
  int mapped = MapLhaCode(code);
  return mapped ? ShowArchiveError(mapped, name) : 2;
}
