// A plug-in panel library as a third party writes one: it knows the toolbar only through
// "EnumeratePanelTypes", its per-type entry points and the panel messages. It offers three
// types in turn and refuses the second ("Sample Refused"). A "Sample Swatch" panel keeps a
// colour, a label and a hot key in its settings, registers the hot key through its container
// and, when the key fires, appends a line to the file named by JQ_SAMPLE_PLUGIN_LOG. With
// JQ_SAMPLE_PLUGIN_ENDLESS=1 it keeps offering types for ever, as a broken library might.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kGetSettings = WM_USER + 105;
constexpr UINT kSetSettings = WM_USER + 106;
constexpr UINT kGetPrefSize = WM_USER + 108;
constexpr UINT kHotKey = WM_USER + 113;
constexpr UINT kChanged = WM_USER + 130;
constexpr UINT kAddHotKey = WM_USER + 140;
constexpr UINT kRemoveHotKey = WM_USER + 141;

struct TypeInfo {
  char typeName[20];
  char description[80];
  HBITMAP image;
  HBITMAP mask;
};

struct HotKeyEntry {
  HWND owner;
  std::int32_t key, modifiers, id;
};

// Settings blob: magic "SWCH", colour, hot key, modifiers, label[32].
struct Settings {
  char magic[4];
  std::int32_t colour;
  std::int32_t hotKey;
  std::int32_t modifiers;
  char label[32];
};
static_assert(sizeof(Settings) == 48);

HINSTANCE g_module = nullptr;
int g_enumerated = 0;
TypeInfo g_swatch{"Sample Swatch", "A coloured swatch with a label (sample plug-in)", nullptr, nullptr};
TypeInfo g_second{"Sample Bar", "A thin bar (sample plug-in)", nullptr, nullptr};

void Log(const char* text) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_LOG", path, MAX_PATH) || !path[0]) return;
  HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD wrote = 0;
  WriteFile(f, text, DWORD(strlen(text)), &wrote, nullptr);
  WriteFile(f, "\r\n", 2, &wrote, nullptr);
  CloseHandle(f);
}

Settings* State(HWND w) { return reinterpret_cast<Settings*>(GetWindowLongPtrA(w, 0)); }

void RegisterKey(HWND w, const Settings& s) {
  if (!s.hotKey) return;
  HotKeyEntry e{w, s.hotKey, s.modifiers, 7};
  SendMessageA(GetParent(w), kAddHotKey, 0, reinterpret_cast<LPARAM>(&e));
}

LRESULT CALLBACK SwatchProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  Settings* s = State(w);
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
      break;
    case WM_NCDESTROY:
      delete s;
      SetWindowLongPtrA(w, 0, 0);
      break;
    case WM_DESTROY:
      SendMessageA(GetParent(w), kRemoveHotKey, WPARAM(w), 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      RECT r;
      GetClientRect(w, &r);
      HBRUSH b = CreateSolidBrush(COLORREF(s ? s->colour : 0));
      FillRect(dc, &r, b);
      DeleteObject(b);
      if (s) {
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, s->label, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      }
      EndPaint(w, &ps);
      return 0;
    }
    case kGetSettings:
      if (lp) *reinterpret_cast<void**>(lp) = s;
      return s ? sizeof(Settings) : 0;
    case kSetSettings:
      if (s && lp && wp >= sizeof(Settings)) {
        SendMessageA(GetParent(w), kRemoveHotKey, WPARAM(w), 0);
        std::memcpy(s, reinterpret_cast<const void*>(lp), sizeof(Settings));
        s->label[31] = 0;
        RegisterKey(w, *s);
        InvalidateRect(w, nullptr, TRUE);
      }
      return 0;
    case kGetPrefSize:
      return MAKELONG(60, 24);
    case kHotKey: {
      char line[80];
      snprintf(line, sizeof line, "hotkey %d %s", int(wp), s ? s->label : "");
      Log(line);
      return 0;
    }
    case WM_LBUTTONUP:
      // A click changes the colour, as a user edit the toolbar can undo.
      if (s) {
        s->colour = COLORREF(s->colour) ^ 0x00FFFFFF;
        InvalidateRect(w, nullptr, TRUE);
        SendMessageA(GetParent(w), kChanged, WPARAM(w), 0);
      }
      return 0;
  }
  return DefWindowProcA(w, msg, wp, lp);
}

LRESULT CALLBACK BarProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  static std::int32_t blob = 0x52414253;  // "SBAR"
  switch (msg) {
    case kGetSettings:
      if (lp) *reinterpret_cast<void**>(lp) = &blob;
      return 4;
    case kGetPrefSize:
      return wp ? MAKELONG(8, 24) : MAKELONG(24, 8);
  }
  return DefWindowProcA(w, msg, wp, lp);
}

void RegisterClasses() {
  WNDCLASSA wc{};
  if (!GetClassInfoA(g_module, "SampleSwatch", &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = SwatchProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = g_module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "SampleSwatch";
    RegisterClassA(&wc);
    wc.lpfnWndProc = BarProc;
    wc.cbWndExtra = 0;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
    wc.lpszClassName = "SampleBar";
    RegisterClassA(&wc);
  }
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI EnumeratePanelTypes(char* info, char* create, char* terminate,
                                                     HINSTANCE, int) {
  static const char* const names[3][3] = {
      {"SwatchInfo", "SwatchCreate", "SwatchTerminate"},
      {"RefusedInfo", "SwatchCreate", ""},
      {"BarInfo", "BarCreate", ""},
  };
  // A misbehaving library for the host's tests: it never says "no more types".
  char endless[8] = {};
  if (GetEnvironmentVariableA("JQ_SAMPLE_PLUGIN_ENDLESS", endless, sizeof endless) && endless[0] == '1') {
    lstrcpynA(info, "BarInfo", 52);
    lstrcpynA(create, "BarCreate", 52);
    terminate[0] = 0;
    return 1;
  }
  if (g_enumerated >= 3) {
    g_enumerated = 0;
    return 0;
  }
  const char* const* n = names[g_enumerated++];
  lstrcpynA(info, n[0], 52);
  lstrcpynA(create, n[1], 52);
  lstrcpynA(terminate, n[2], 52);
  return 1;
}

__declspec(dllexport) int WINAPI SwatchInfo(TypeInfo** out, int) {
  *out = &g_swatch;
  return 1;
}

__declspec(dllexport) int WINAPI RefusedInfo(TypeInfo** out, int) {
  *out = nullptr;
  return 0;
}

__declspec(dllexport) int WINAPI BarInfo(TypeInfo** out, int) {
  *out = &g_second;
  return 1;
}

__declspec(dllexport) HWND WINAPI SwatchCreate(HWND parent, const RECT* r, const void* blob, int size, int) {
  RegisterClasses();
  auto* s = new Settings{{'S', 'W', 'C', 'H'}, 0x00FF8000, 0, 0, "Swatch"};
  if (blob && size >= int(sizeof(Settings)) && std::memcmp(blob, "SWCH", 4) == 0) {
    std::memcpy(s, blob, sizeof(Settings));
    s->label[31] = 0;
  }
  HWND w = CreateWindowExA(0, "SampleSwatch", "", WS_CHILD | WS_VISIBLE, r->left, r->top,
                           r->right - r->left, r->bottom - r->top, parent, nullptr, g_module, s);
  if (!w) {
    delete s;
    return nullptr;
  }
  RegisterKey(w, *s);
  return w;
}

__declspec(dllexport) HWND WINAPI BarCreate(HWND parent, const RECT* r, const void*, int, int) {
  RegisterClasses();
  return CreateWindowExA(0, "SampleBar", "", WS_CHILD | WS_VISIBLE, r->left, r->top,
                         r->right - r->left, r->bottom - r->top, parent, nullptr, g_module, nullptr);
}

__declspec(dllexport) int WINAPI SwatchTerminate(int) {
  Log("terminate Sample Swatch");
  return 0;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}
