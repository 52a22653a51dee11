// The disk and zip tools.
#include "jqshext.h"
#include <shellapi.h>
#include <shlobj.h>
#include <gdiplus.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "../jqcomp/et5.h"
#include "resource_jqshext.h"

namespace {

HMODULE g_self;

std::string Text(UINT id) {
  char text[512] = "";
  LoadStringA(g_self, id, text, sizeof text);
  return text;
}

std::string Format(UINT id, const std::string& a, int n = 0) {
  std::string format = Text(id);
  char out[1024];
  size_t at = format.find("%s");
  std::string s = at == std::string::npos ? format : format.substr(0, at) + a + format.substr(at + 2);
  at = s.find("%d");
  if (at != std::string::npos) {
    snprintf(out, sizeof out, "%d", n);
    s = s.substr(0, at) + out + s.substr(at + 2);
  }
  return s;
}

int Show(HWND owner, const std::string& text, UINT type) { return MessageBoxA(owner, text.c_str(), Text(IDS_SHX_TITLE).c_str(), type); }

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
  size_t n = strlen(tail);
  return s.size() >= n && lstrcmpiA(s.c_str() + s.size() - n, tail) == 0;
}

// jqcomp.dll beside this library, initialised for one tool.
struct ZipEngine {
  HMODULE module = nullptr;
  uint32_t handle = 0;
  Et5InitFn init = nullptr;
  Et5ShutDownFn shutDown = nullptr;
  Et5QUnZipFn qUnZip = nullptr;
  Et5ZipCommentFn comment = nullptr;
  Et5ZipNewCommentFn newComment = nullptr;
  Et5IdentifyFileFn identify = nullptr;
  bool Load() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(g_self, path, sizeof path);
    std::string folder = path;
    folder = folder.substr(0, folder.rfind('\\') + 1);
    module = LoadLibraryA((folder + "jqcomp.dll").c_str());
    if (!module) return false;
    init = reinterpret_cast<Et5InitFn>(GetProcAddress(module, "Et5Init"));
    shutDown = reinterpret_cast<Et5ShutDownFn>(GetProcAddress(module, "Et5ShutDown"));
    qUnZip = reinterpret_cast<Et5QUnZipFn>(GetProcAddress(module, "Et5QUnZip"));
    comment = reinterpret_cast<Et5ZipCommentFn>(GetProcAddress(module, "Et5ZipComment"));
    newComment = reinterpret_cast<Et5ZipNewCommentFn>(GetProcAddress(module, "Et5ZipNewComment"));
    identify = reinterpret_cast<Et5IdentifyFileFn>(GetProcAddress(module, "Et5IdentifyFile"));
    return init && shutDown && qUnZip && comment && newComment && identify && LOWORD(init(&handle, 0)) == 0;
  }
  ~ZipEngine() {
    if (handle && shutDown) shutDown(&handle);
    if (module) FreeLibrary(module);
  }
};

std::string TempFolder() {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH] = "";
  GetTempFileNameA(temp, "jqt", 0, name);
  DeleteFileA(name);
  CreateDirectoryA(name, nullptr);
  return name;
}

void RemoveFolder(const std::string& folder) {
  std::string from = folder;
  from.push_back(0);
  from.push_back(0);
  SHFILEOPSTRUCTA operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationA(&operation);
}

struct InputRequest {
  std::string prompt, text;
};

INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* request = reinterpret_cast<InputRequest*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
      request = reinterpret_cast<InputRequest*>(lParam);
      SetDlgItemTextA(dialog, IDC_SHX_PROMPT, request->prompt.c_str());
      SetDlgItemTextA(dialog, IDC_SHX_TEXT, request->text.c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        int length = GetWindowTextLengthA(GetDlgItem(dialog, IDC_SHX_TEXT));
        std::string text(length + 1, '\0');
        GetDlgItemTextA(dialog, IDC_SHX_TEXT, text.data(), length + 1);
        text.resize(length);
        request->text = text;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

bool AskText(HWND owner, const std::string& prompt, std::string* text) {
  InputRequest request{prompt, *text};
  if (DialogBoxParamA(g_self, MAKEINTRESOURCEA(IDD_SHX_INPUT), owner, InputProc, reinterpret_cast<LPARAM>(&request)) != IDOK)
    return false;
  *text = request.text;
  return true;
}

// The removable drives of the selection ("A:\").
std::vector<std::string> RemovableRoots(const std::vector<std::string>& paths) {
  std::vector<std::string> roots;
  for (const std::string& path : paths) {
    if (path.size() < 2 || path[1] != ':') continue;
    std::string root = path.substr(0, 2) + "\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE &&
        std::find(roots.begin(), roots.end(), root) == roots.end())
      roots.push_back(root);
  }
  return roots;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

bool EncoderOf(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0, size = 0;
  Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size);
  if (!size) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::DllExports::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i)
    if (wcscmp(codecs[i].MimeType, mime) == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  return false;
}

struct PictureFormat {
  const char* label;
  const wchar_t* mime;
  const char* extension;
};
const PictureFormat kFormats[] = {{"PNG", L"image/png", ".png"},
                                  {"BMP", L"image/bmp", ".bmp"},
                                  {"JPEG", L"image/jpeg", ".jpg"},
                                  {"GIF", L"image/gif", ".gif"},
                                  {"TIFF", L"image/tiff", ".tif"}};

INT_PTR CALLBACK FormatProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      for (const PictureFormat& f : kFormats)
        SendDlgItemMessageA(dialog, IDC_SHX_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.label));
      SendDlgItemMessageA(dialog, IDC_SHX_COMBO, CB_SETCURSEL, 0, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        EndDialog(dialog, 100 + SendDlgItemMessageA(dialog, IDC_SHX_COMBO, CB_GETCURSEL, 0, 0));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

namespace jqshext {

std::vector<std::string> SelectionPaths(IDataObject* selection) {
  std::vector<std::string> paths;
  if (!selection) return paths;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(selection->GetData(&format, &medium))) return paths;
  HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  if (drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char path[MAX_PATH] = "";
      if (DragQueryFileA(drop, i, path, sizeof path)) paths.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return paths;
}

bool UUDecode(const std::string& text, std::string* name, std::string* data) {
  size_t position = 0;
  bool inside = false, done = false;
  data->clear();
  while (position < text.size() && !done) {
    size_t end = text.find('\n', position);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(position, end - position);
    position = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (!inside) {
      if (line.compare(0, 6, "begin ") == 0) {
        size_t blank = line.find(' ', 6);
        if (blank == std::string::npos) continue;
        *name = BaseName(line.substr(blank + 1));
        inside = true;
      }
      continue;
    }
    if (line == "end") {
      done = true;
      break;
    }
    if (line.empty()) continue;
    int count = (line[0] - 32) & 63;
    // Cut lines, section lines and anything else that is no encoded line of its length.
    if (line.size() < 1 + static_cast<size_t>((count + 2) / 3 * 4) ||
        line.find_first_not_of(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`") != std::string::npos)
      continue;
    for (int i = 0, at = 1; i < count; i += 3, at += 4) {
      unsigned char c[4];
      for (int k = 0; k < 4; ++k) c[k] = (line[at + k] - 32) & 63;
      unsigned char out[3] = {static_cast<unsigned char>(c[0] << 2 | c[1] >> 4),
                              static_cast<unsigned char>(c[1] << 4 | c[2] >> 2),
                              static_cast<unsigned char>(c[2] << 6 | c[3])};
      for (int k = 0; k < 3 && i + k < count; ++k) data->push_back(static_cast<char>(out[k]));
    }
  }
  return done && !name->empty() && name->find_first_of(":\\/") == std::string::npos && *name != "." && *name != "..";
}

}  // namespace jqshext

using jqshext::SelectionPaths;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, void** out) {
  if (out) *out = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return S_OK; }

JQSHEXT_API int __stdcall CheckIntegrity(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> zips;
  for (const std::string& path : SelectionPaths(selection))
    if (EndsWithNoCase(path, ".zip")) zips.push_back(path);
  if (zips.empty()) {
    Show(owner, Text(IDS_SHX_NO_ZIP), MB_ICONINFORMATION);
    return 0;
  }
  ZipEngine engine;
  if (!engine.Load()) {
    Show(owner, Text(IDS_SHX_NO_ENGINE), MB_ICONHAND);
    return 0;
  }
  std::string report;
  bool allGood = true;
  for (const std::string& zip : zips) {
    // Every entry is decoded and its CRC checked by extracting into a folder that goes again.
    std::string folder = TempFolder();
    int code = static_cast<int16_t>(LOWORD(engine.qUnZip(engine.handle, zip.c_str(), folder.c_str(), "*.*", "-d -o -.L ")));
    RemoveFolder(folder);
    report += (code ? Format(IDS_SHX_FAILED, BaseName(zip), code) : Format(IDS_SHX_OK, BaseName(zip))) + "\r\n";
    allGood = allGood && !code;
  }
  Show(owner, report, allGood ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
  return allGood ? 1 : 0;
}

JQSHEXT_API int __stdcall UnZipTo(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> archives = SelectionPaths(selection);
  if (archives.empty()) return 0;
  ZipEngine engine;
  if (!engine.Load()) {
    Show(owner, Text(IDS_SHX_NO_ENGINE), MB_ICONHAND);
    return 0;
  }
  std::string start = archives[0].substr(0, archives[0].rfind('\\'));
  std::string title = Text(IDS_SHX_UNZIP_TO);
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return 0;
  char target[MAX_PATH] = "";
  BOOL ok = SHGetPathFromIDListA(chosen, target);
  CoTaskMemFree(chosen);
  if (!ok || !target[0]) return 0;
  std::string report;
  bool allGood = true;
  for (const std::string& archive : archives) {
    std::string name = BaseName(archive);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
    std::string folder = std::string(target) + (target[lstrlenA(target) - 1] == '\\' ? "" : "\\") + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    int code = static_cast<int16_t>(LOWORD(engine.qUnZip(engine.handle, archive.c_str(), folder.c_str(), "*.*", "-d -.L ")));
    if (code) {
      report += Format(IDS_SHX_NOT_EXTRACTED, BaseName(archive), code) + "\r\n";
      allGood = false;
    }
  }
  if (!allGood) Show(owner, report, MB_ICONEXCLAMATION);
  return allGood ? 1 : 0;
}

JQSHEXT_API int __stdcall EditZipComments(HMODULE, HWND owner, IDataObject* selection) {
  std::string zip;
  for (const std::string& path : SelectionPaths(selection))
    if (EndsWithNoCase(path, ".zip")) {
      zip = path;
      break;
    }
  if (zip.empty()) {
    Show(owner, Text(IDS_SHX_NO_ZIP), MB_ICONINFORMATION);
    return 0;
  }
  ZipEngine engine;
  if (!engine.Load()) {
    Show(owner, Text(IDS_SHX_NO_ENGINE), MB_ICONHAND);
    return 0;
  }
  std::vector<char> buffer(65536, 0);
  int code = static_cast<int16_t>(LOWORD(engine.comment(engine.handle, zip.c_str(), buffer.data(), static_cast<uint32_t>(buffer.size()))));
  if (code) {
    Show(owner, Format(IDS_SHX_FAILED, BaseName(zip), code), MB_ICONEXCLAMATION);
    return 0;
  }
  std::string text = buffer.data();
  if (!AskText(owner, Format(IDS_SHX_COMMENT_PROMPT, BaseName(zip)), &text)) return 0;
  code = static_cast<int16_t>(LOWORD(engine.newComment(engine.handle, zip.c_str(), text.c_str())));
  if (code) {
    Show(owner, Format(IDS_SHX_FAILED, BaseName(zip), code), MB_ICONEXCLAMATION);
    return 0;
  }
  return 1;
}

JQSHEXT_API int __stdcall DecodeFiles(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> files = SelectionPaths(selection);
  if (files.empty()) return 0;
  // Parts of one split file are joined in name order (name.u01, name.u02, ...).
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  std::string joined;
  for (const std::string& file : files) {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(h, chunk, sizeof chunk, &read, nullptr) && read) joined.append(chunk, read);
    CloseHandle(h);
    joined += "\r\n";
  }
  std::string name, data;
  if (!jqshext::UUDecode(joined, &name, &data)) {
    Show(owner, Format(IDS_SHX_NOT_DECODED, BaseName(files[0])), MB_ICONEXCLAMATION);
    return 0;
  }
  std::string folder = files[0].substr(0, files[0].rfind('\\') + 1);
  std::string target = folder + name, temp = target + ".~jq";
  HANDLE out = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  bool ok = out != INVALID_HANDLE_VALUE && (data.empty() || WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) &&
            written == data.size();
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  ok = ok && MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    DeleteFileA(temp.c_str());
    Show(owner, Format(IDS_SHX_NOT_DECODED, BaseName(files[0])), MB_ICONEXCLAMATION);
    return 0;
  }
  Show(owner, Format(IDS_SHX_DECODED, name), MB_ICONINFORMATION);
  return 1;
}

JQSHEXT_API int __stdcall DoConvertPictureFormat(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> files = SelectionPaths(selection);
  if (files.empty()) return 0;
  INT_PTR choice = DialogBoxParamA(g_self, MAKEINTRESOURCEA(IDD_SHX_FORMAT), owner, FormatProc, 0);
  if (choice < 100 || choice >= 100 + static_cast<INT_PTR>(sizeof kFormats / sizeof *kFormats)) return 0;
  const PictureFormat& format = kFormats[choice - 100];
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 0;
  CLSID encoder;
  std::string report;
  bool allGood = EncoderOf(format.mime, &encoder);
  for (const std::string& file : files) {
    std::string target = file.substr(0, file.rfind('.') == std::string::npos || file.rfind('.') < file.rfind('\\') ? file.size() : file.rfind('.')) + format.extension;
    bool ok = false;
    if (allGood && lstrcmpiA(target.c_str(), file.c_str()) != 0) {
      wchar_t source[MAX_PATH], output[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, source, MAX_PATH);
      MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, output, MAX_PATH);
      Gdiplus::GpImage* image = nullptr;
      if (Gdiplus::DllExports::GdipLoadImageFromFile(source, &image) == Gdiplus::Ok && image) {
        ok = Gdiplus::DllExports::GdipSaveImageToFile(image, output, &encoder, nullptr) == Gdiplus::Ok;
        Gdiplus::DllExports::GdipDisposeImage(image);
      }
    }
    report += Format(ok ? IDS_SHX_CONVERTED : IDS_SHX_NOT_CONVERTED, BaseName(ok ? target : file)) + "\r\n";
    allGood = allGood && ok;
  }
  Gdiplus::GdiplusShutdown(token);
  Show(owner, report, allGood ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
  return allGood ? 1 : 0;
}

JQSHEXT_API int __stdcall DoLabelDisk(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> paths = SelectionPaths(selection);
  if (paths.empty() || paths[0].size() < 2 || paths[0][1] != ':') {
    Show(owner, Text(IDS_SHX_NO_DRIVE), MB_ICONINFORMATION);
    return 0;
  }
  std::string root = paths[0].substr(0, 2) + "\\";
  char label[MAX_PATH + 1] = "";
  GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0);
  std::string text = label;
  if (!AskText(owner, Format(IDS_SHX_LABEL_PROMPT, root), &text)) return 0;
  if (!SetVolumeLabelA(root.c_str(), text.c_str())) {
    Show(owner, Format(IDS_SHX_LABEL_FAILED, root), MB_ICONEXCLAMATION);
    return 0;
  }
  return 1;
}

JQSHEXT_API int __stdcall DoFormatDisk(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> roots = RemovableRoots(SelectionPaths(selection));
  if (roots.empty()) {
    Show(owner, Text(IDS_SHX_NO_REMOVABLE), MB_ICONINFORMATION);
    return 0;
  }
  DWORD result = SHFormatDrive(owner, toupper(roots[0][0]) - 'A', SHFMT_ID_DEFAULT, 0);
  if (result == SHFMT_ERROR || result == SHFMT_NOFORMAT) {
    Show(owner, Format(IDS_SHX_FORMAT_FAILED, roots[0]), MB_ICONEXCLAMATION);
    return 0;
  }
  return result == SHFMT_CANCEL ? 0 : 1;
}

JQSHEXT_API int __stdcall DoCopyDisk(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> roots = RemovableRoots(SelectionPaths(selection));
  Show(owner, Text(roots.empty() ? IDS_SHX_NO_REMOVABLE : IDS_SHX_COPY_DISK), MB_ICONINFORMATION);
  return 0;
}

JQSHEXT_API int __stdcall DoEraseDiskette(HMODULE, HWND owner, IDataObject* selection) {
  std::vector<std::string> roots = RemovableRoots(SelectionPaths(selection));
  if (roots.empty()) {
    Show(owner, Text(IDS_SHX_NO_REMOVABLE), MB_ICONINFORMATION);
    return 0;
  }
  const std::string& root = roots[0];
  if (Show(owner, Format(IDS_SHX_ERASE_CONFIRM, root), MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  std::string from = root + "*.*";
  from.push_back(0);
  from.push_back(0);
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = owner;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT;
  bool ok = SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
  Show(owner, Format(ok ? IDS_SHX_ERASED : IDS_SHX_FORMAT_FAILED, root), ok ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
  return ok ? 1 : 0;
}

JQSHEXT_API int __stdcall DoSynchFolders(HMODULE, HWND owner, IDataObject*) {
  Show(owner, Text(IDS_SHX_SYNCH), MB_ICONINFORMATION);
  return 0;
}
