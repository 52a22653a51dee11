// A second program for the drag-out tests: a window standing for a folder of another program.
// Its drop target takes files (CF_HDROP) with the copy effect and copies each into the folder
// named on its command line, as a folder window does; then it closes. Its exit code is 100 plus
// the number of files copied.
//   drop_folder_helper_test.exe <x> <y> <folder>
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "com_object.h"

namespace {

std::string g_folder;
int g_copied = 0;
HWND g_window = nullptr;

class FolderTarget final : public ComObject<IDropTarget, IID_IDropTarget> {
 public:
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    files_ = data->QueryGetData(&format) == S_OK;
    *effect = files_ && (*effect & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = files_ && (*effect & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_NONE;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (SUCCEEDED(data->GetData(&format, &medium))) {
      HDROP drop = static_cast<HDROP>(medium.hGlobal);
      UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = {};
        if (!DragQueryFileA(drop, i, path, MAX_PATH)) continue;
        const char* name = path;
        for (const char* p = path; *p; ++p)
          if (*p == '\\') name = p + 1;
        if (CopyFileA(path, (g_folder + "\\" + name).c_str(), FALSE)) ++g_copied;
      }
      ReleaseStgMedium(&medium);
      if (g_copied) *effect = DROPEFFECT_COPY;
    }
    PostMessageA(g_window, WM_CLOSE, 0, 0);
    return S_OK;
  }

 private:
  bool files_ = false;
};

// Made once and kept for the life of the program: its own reference is never released.
FolderTarget* g_target = new FolderTarget;

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    RevokeDragDrop(window);
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 1;
  g_folder = argv[3];
  OleInitialize(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = HelperProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_HIGHLIGHT);
  windowClass.lpszClassName = "JQDropFolderHelper";
  RegisterClassA(&windowClass);
  g_window = CreateWindowExA(WS_EX_TOPMOST, "JQDropFolderHelper", "folder", WS_POPUP | WS_VISIBLE,
                             atoi(argv[1]), atoi(argv[2]), 120, 120, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
  if (!g_window || FAILED(RegisterDragDrop(g_window, g_target))) return 2;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  OleUninitialize();
  return 100 + g_copied;
}
