// The chain of panel types: the built-in types the program registers and the plug-in types
// that libraries named under HKLM "...\CurrentVersion\Tools" offer through
// "EnumeratePanelTypes". A layout's type names are turned into panel windows only here.
#pragma once
#include <windows.h>
#include <commctrl.h>

namespace jqbar {

inline constexpr const char* kToolsKeyPath = "SOFTWARE\\Belmoor\\Quorvanel\\CurrentVersion\\Tools";
// A plug-in that keeps answering "one more type" is stopped after this many.
inline constexpr int kMaxTypesPerLibrary = 64;

using BuiltinCreateProc = HWND (*)(HWND parent, const RECT* rect, const void* blob, int blobSize);

// What a plug-in's info proc hands back; owned by the plug-in.
struct PanelTypeInfo {
  char typeName[20];
  char description[80];
  HBITMAP image;
  HBITMAP mask;
};

using PluginEnumProc = int(WINAPI*)(char* infoProcName, char* createProcName,
                                    char* terminateProcName, HINSTANCE host, int reserved);
using PluginInfoProc = int(WINAPI*)(PanelTypeInfo** info, int reserved);
using PluginCreateProc = HWND(WINAPI*)(HWND parent, const RECT* rect, const void* blob,
                                       int blobSize, int reserved);
using PluginTerminateProc = int(WINAPI*)(int reserved);

struct PanelType {
  PanelType* next;
  char typeName[20];
  char displayName[20];
  char description[80];
  HBITMAP image;
  HBITMAP mask;
  int builtIn;
  int imageIndex;
  HMODULE module;
  BuiltinCreateProc builtinCreate;
  PluginInfoProc infoProc;
  PluginCreateProc createProc;
  PluginTerminateProc terminateProc;
  // Clean-up of what the type shares, called once at exit (built-in types).
  void (*cleanup)();
};

// Registers a built-in type; BuildPanelTypeList links the registered records in the order they
// were registered, ahead of every plug-in type.
using BuiltinTypeRegistrar = PanelType* (*)(HINSTANCE instance);
void AddBuiltinTypeRegistrar(BuiltinTypeRegistrar registrar);

// Fills a built-in record: names and description from the string table, bitmaps from resources.
void FillBuiltinType(PanelType& type, HINSTANCE instance, const char* typeName, UINT nameId,
                     UINT descriptionId, UINT imageId, UINT maskId, BuiltinCreateProc create);

void BuildPanelTypeList(HINSTANCE instance);
void FreePanelTypeList();
PanelType* FirstPanelType();
PanelType* FindPanelType(const char* typeName);
HIMAGELIST PanelTypeImageList();
int CountPanelTypes();

// Creates a panel window of the type; null on failure.
HWND CreatePanelOfType(const PanelType& type, HWND parent, const RECT* rect, const void* blob,
                       int blobSize);

// Removes every '&' in place.
void StripAmpersands(char* label);

}  // namespace jqbar
