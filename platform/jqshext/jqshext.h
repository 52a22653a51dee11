// jqshext.dll: the disk and zip tools that the file manager runs on its selection. Each tool is
// modal and finishes before it returns; it is called as
//   tool(the library's own module, the owner window, an IDataObject with CF_HDROP of the selection)
// and its result is 1 when it did its work, 0 otherwise (the caller does not look at it).
//
//   CheckIntegrity          tests every zip of the selection through jqcomp.dll and lists the results
//   UnZipTo                 extracts every selected archive into a folder of its own below a chosen folder
//   EditZipComments         shows and changes the comment of the selected zip
//   DecodeFiles             decodes uuencoded files (parts joined in name order) beside them
//   DoConvertPictureFormat  converts the selected pictures to a chosen format with GDI+
//   DoLabelDisk             changes the label of the selected drive
//   DoFormatDisk, DoCopyDisk, DoEraseDiskette
//                           act on a removable drive of the selection; without one they say so
//   DoSynchFolders          folder synchronisation belongs to the file manager: it says so
//
// The library also carries the class ids the archive associations name; it offers no class
// objects (DllGetClassObject answers CLASS_E_CLASSNOTAVAILABLE).
#pragma once
#include <windows.h>
#include <objidl.h>
#include <string>
#include <vector>

#ifdef JQSHEXT_BUILD
#define JQSHEXT_API extern "C" __declspec(dllexport)
#else
#define JQSHEXT_API extern "C" __declspec(dllimport)
#endif

JQSHEXT_API int __stdcall CheckIntegrity(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DoEraseDiskette(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DoCopyDisk(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DoLabelDisk(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DoFormatDisk(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall EditZipComments(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DecodeFiles(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DoSynchFolders(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall DoConvertPictureFormat(HMODULE self, HWND owner, IDataObject* selection);
JQSHEXT_API int __stdcall UnZipTo(HMODULE self, HWND owner, IDataObject* selection);

namespace jqshext {
// The file paths of a CF_HDROP data object.
std::vector<std::string> SelectionPaths(IDataObject* selection);
// Decodes uuencoded text (one or more parts, cut lines and section lines skipped); false when
// no complete "begin ... end" block is found. `name` receives the stored file name (folder
// parts dropped).
bool UUDecode(const std::string& text, std::string* name, std::string* data);
}  // namespace jqshext
