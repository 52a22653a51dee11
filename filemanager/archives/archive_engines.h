// The archive libraries of the program folder (jqcomp, jqcab, jqrar, jqlha, jqshext): loaded by
// full path from the install folder, bound by name into one table each, and released again;
// the identification of an archive's kind and the messages of the engines' result codes.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <cstdint>
#include "et5.h"

// Kinds of archive (ArchiveKind).
enum : uint16_t {
  kArchiveNone = 0,
  kArchiveZip = 1,
  kArchiveOther = 2,  // read through the zip engine (tar, gzip, compress)
  kArchiveLha = 4,
  kArchiveCab = 5,
  kArchiveRar = 6,
};

struct ZipEngineApi {
  Et5InitFn Et5Init;
  Et5ShutDownFn Et5ShutDown;
  Et5IsGoodPasswordFn Et5IsGoodPassword;
  Et5IsPasswordFn Et5IsPassword;
  Et5CancelFn Et5Cancel;
  Et5IdentifyFileFn Et5IdentifyFile;
  Et5ZipCloseFn Et5ZipClose;
  Et5ZipFindFn Et5ZipFindNext;
  Et5ZipFindFn Et5ZipFindFirst;
  Et5ZipOpenFn Et5ZipOpen;
  Et5QZipFn Et5QZip;
  Et5ZipFn Et5Zip;
  Et5ZipCreateMVFn Et5ZipCreateMV;
  Et5CPrintHookFn Et5CPrintHook;
  Et5SetCPrintFn Et5SetCPrint;
  Et5SetParseTypeFn Et5SetParseType;
  Et5QUnZipFn Et5QUnZip;
  Et5ZipNewCommentFn Et5ZipNewComment;
  Et5ZipCommentFn Et5ZipComment;
  Et5UUEncodeFn Et5UUEncode;
};

struct CabEngineApi {
  int(__stdcall* CAB_SetArchive)(const char* path);
  int(__stdcall* CAB_CloseArchive)();
  int(__stdcall* CAB_ExtractFiles)(const char* names, const char* folder);
  int(__stdcall* CAB_MapToCPError)(int code);
};

struct RarEngineApi {
  int(__stdcall* RAR_SetArchive)(const char* path);
  int(__stdcall* RAR_FindOpen)(void* entry, char* name, char* b2, int n2, char* b3, int n3);
  int(__stdcall* RAR_FindNext)(void* entry, char* name, char* b2, int n2, char* b3, int n3);
  int(__stdcall* RAR_NextFileName)(char* name, int size);
  int(__stdcall* RAR_ExtractNextFile)(const char* folder);
  int(__stdcall* RAR_ExtractSingleFile)(const char* name, const char* folder);
  int(__stdcall* RAR_CloseArchive)();
  int(__stdcall* RAR_IsValidArchive)(const char* path);
};

struct LhaEngineApi {
  int(__stdcall* Unlha)(HWND window, const char* command, char* output, DWORD size);
  BOOL(__stdcall* UnlhaSetOwnerWindow)(HWND window);
  BOOL(__stdcall* UnlhaSetCursorMode)(BOOL mode);
  UINT extractMessage;  // the id registered for "wm_arcextract"
};

// Each of jqshext.dll's tools: (the library's own module, the main window, the selection).
typedef int(__stdcall* ShellExtTool)(HMODULE self, HWND owner, IDataObject* selection);
struct ShellExtToolsApi {
  ShellExtTool CheckIntegrity, DoEraseDiskette, DoCopyDisk, DoLabelDisk, DoFormatDisk, EditZipComments,
      DecodeFiles, DoSynchFolders, DoConvertPictureFormat, UnZipTo;
};

extern ZipEngineApi g_zipApi;
extern CabEngineApi g_cabApi;
extern RarEngineApi g_rarApi;
extern LhaEngineApi g_lhaApi;
extern ShellExtToolsApi g_shellExtApi;
extern HMODULE g_shellExtModule;
// The zip engine instance; non-zero while the engine is initialised.
extern uint32_t ZipEngineHandle;
// The kind of the archive identified last.
extern uint16_t ArchiveKind;

// Loaders: 1 when the library is loaded and every function is bound. A library that cannot be
// loaded is reported once per attempt with its own message; a missing function frees the
// library again without a message.
int LoadZipEngine();
int LoadCabEngine();
int LoadRarEngine();
int LoadLhaEngine();
int LoadShellExtTools();
void UnloadZipEngine();
void UnloadCabEngine();
void UnloadRarEngine();
void UnloadLhaEngine();
void UnloadShellExtTools();

// The library's full path: the install folder, one backslash, the file name.
void ArchiveLibraryPath(const char* fileName, char* out, int size);

// 1 when the file is an archive of a known kind (ArchiveKind set), else 0 after the message.
int IdentifyArchive(const char* path);
// The ArchiveKind of an engine kind, 0 when the engine kind is not one it knows.
uint16_t ArchiveKindOfEngineKind(uint16_t engineKind);
bool IsRarArchive(const char* path);
// True for a zip that the zip engine handles itself (self-extracting or spanned parts).
bool IsZipEngineArchive(const char* path);

// The message of an engine code, with the name as its "%s" (shown unformatted for an empty
// name). 1 after OK, 2 after Cancel or when the code has no message.
int ShowArchiveError(int code, const char* name);
// The string of an engine code (0: none).
UINT ArchiveErrorString(int code);
// RAR and LHA library codes through the engine's messages.
int ShowRarError(int code, const char* path);
int ShowLhaError(int code, const char* name);
int MapRarCode(int code);
int MapLhaCode(int code);
