// The "SCCVIEWER" frame and its "SCCDISPLAY" child: a scrolling, selectable view of a document,
// with find, copy, select all and print.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <memory>
#include <string>

#include "document.h"
#include "sccvw.h"

namespace sccvw {
namespace {

HINSTANCE g_module;

struct Viewer {
  HWND frame = nullptr, display = nullptr;
  Document doc;
  std::string path;
  unsigned mode = 0;
  size_t selStart = 0, selEnd = 0, anchor = 0;
  bool dragging = false;
  int topLine = 0, leftPixel = 0;
  HFONT textFont = nullptr, hexFont = nullptr;
  LOGFONTW textLogFont{};
  std::wstring findText;
  HWND findDialog = nullptr;
  FINDREPLACEW findRecord{};
  wchar_t findBuffer[256] = {};
};

UINT FindMessage() {
  static UINT id = RegisterWindowMessageW(FINDMSGSTRINGW);
  return id;
}

Viewer* FromFrame(HWND w) { return reinterpret_cast<Viewer*>(GetWindowLongPtrW(w, GWLP_USERDATA)); }
Viewer* FromDisplay(HWND w) { return FromFrame(GetParent(w)); }

HFONT CurrentFont(const Viewer& v) { return v.doc.format == SCCVW_FORMAT_HEX ? v.hexFont : v.textFont; }

int LineHeight(const Viewer& v, HDC dc) {
  HGDIOBJ old = SelectObject(dc, CurrentFont(v));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  return tm.tmHeight > 0 ? tm.tmHeight : 16;
}

int VisibleLines(const Viewer& v) {
  RECT rc;
  GetClientRect(v.display, &rc);
  HDC dc = GetDC(v.display);
  int h = LineHeight(v, dc);
  ReleaseDC(v.display, dc);
  return std::max(1, static_cast<int>((rc.bottom - rc.top) / h));
}

void UpdateScrollBars(Viewer& v) {
  int lines = static_cast<int>(v.doc.LineCount());
  int page = VisibleLines(v);
  v.topLine = std::clamp(v.topLine, 0, std::max(0, lines - page));
  SCROLLINFO si{sizeof si, SIF_ALL | SIF_DISABLENOSCROLL, 0, std::max(0, lines - 1),
                static_cast<UINT>(page), v.topLine, 0};
  SetScrollInfo(v.display, SB_VERT, &si, TRUE);
  RECT rc;
  GetClientRect(v.display, &rc);
  SCROLLINFO sh{sizeof sh, SIF_ALL | SIF_DISABLENOSCROLL, 0, 4000,
                static_cast<UINT>(std::max<LONG>(1, rc.right)), v.leftPixel, 0};
  SetScrollInfo(v.display, SB_HORZ, &sh, TRUE);
}

size_t LineOf(const Viewer& v, size_t offset) {
  auto it = std::upper_bound(v.doc.lineStart.begin(), v.doc.lineStart.end(), offset);
  return it == v.doc.lineStart.begin() ? 0 : static_cast<size_t>(it - v.doc.lineStart.begin() - 1);
}

void ScrollToOffset(Viewer& v, size_t offset) {
  int line = static_cast<int>(LineOf(v, offset));
  int page = VisibleLines(v);
  if (line < v.topLine || line >= v.topLine + page) v.topLine = std::max(0, line - page / 2);
  // Horizontally: bring the offset's pixel column into view.
  HDC dc = GetDC(v.display);
  HGDIOBJ old = SelectObject(dc, CurrentFont(v));
  std::wstring_view text = v.doc.Line(static_cast<size_t>(line));
  size_t col = offset - v.doc.lineStart[static_cast<size_t>(line)];
  SIZE sz{};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(std::min(col, text.size())), &sz);
  SelectObject(dc, old);
  ReleaseDC(v.display, dc);
  RECT rc;
  GetClientRect(v.display, &rc);
  if (sz.cx < v.leftPixel || sz.cx > v.leftPixel + rc.right - 20) v.leftPixel = std::max<LONG>(0, sz.cx - 20);
  UpdateScrollBars(v);
  InvalidateRect(v.display, nullptr, TRUE);
}

void Select(Viewer& v, size_t start, size_t end) {
  v.selStart = std::min(start, v.doc.text.size());
  v.selEnd = std::min(end, v.doc.text.size());
  InvalidateRect(v.display, nullptr, TRUE);
}

void CloseFile(Viewer& v) {
  v.doc = Document{};
  v.path.clear();
  v.selStart = v.selEnd = v.anchor = 0;
  v.topLine = v.leftPixel = 0;
  if (v.display) {
    UpdateScrollBars(v);
    InvalidateRect(v.display, nullptr, TRUE);
  }
}

LRESULT ViewFile(Viewer& v, unsigned mode, const char* path) {
  if (!path || !*path || strnlen(path, MAX_PATH) >= MAX_PATH) return SCCVW_ERR_NOTFILE;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return SCCVW_ERR_OPEN;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return SCCVW_ERR_NOTFILE;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SCCVW_ERR_OPEN;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  size_t want = static_cast<size_t>(std::min<long long>(size.QuadPart, kMaxTextBytes));
  std::string bytes(want, '\0');
  size_t got = 0;
  bool ok = true;
  while (got < want) {
    DWORD n = 0;
    if (!ReadFile(file, bytes.data() + got, static_cast<DWORD>(std::min<size_t>(want - got, 1u << 20)), &n, nullptr)) {
      ok = false;
      break;
    }
    if (n == 0) break;
    got += n;
  }
  CloseHandle(file);
  if (!ok) return SCCVW_ERR_OPEN;
  bytes.resize(got);
  CloseFile(v);
  v.doc = MakeDocument(bytes, mode, static_cast<unsigned long long>(size.QuadPart) > got);
  v.path = path;
  v.mode = mode;
  UpdateScrollBars(v);
  InvalidateRect(v.display, nullptr, TRUE);
  return SCCVW_OK;
}

void CopySelection(Viewer& v) {
  std::wstring text = v.doc.text.substr(v.selStart, v.selEnd - v.selStart);
  if (text.empty() || !OpenClipboard(v.frame)) return;
  EmptyClipboard();
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (mem) {
    if (void* p = GlobalLock(mem)) {
      memcpy(p, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(mem);
      if (!SetClipboardData(CF_UNICODETEXT, mem)) GlobalFree(mem);
    } else {
      GlobalFree(mem);
    }
  }
  CloseClipboard();
}

bool FindAgain(Viewer& v, bool forward) {
  if (v.findText.empty()) return false;
  size_t from = forward ? (v.selEnd > v.selStart ? v.selStart + 1 : v.selEnd) : v.selStart;
  size_t pos = FindInText(v.doc.text, v.findText, from, forward);
  if (pos == std::wstring::npos) {
    MessageBeep(MB_OK);
    return false;
  }
  Select(v, pos, pos + v.findText.size());
  ScrollToOffset(v, pos);
  return true;
}

void OpenFindDialog(Viewer& v) {
  if (v.findDialog && IsWindow(v.findDialog)) {
    SetFocus(v.findDialog);
    return;
  }
  lstrcpynW(v.findBuffer, v.findText.c_str(), 256);
  v.findRecord = FINDREPLACEW{};
  v.findRecord.lStructSize = sizeof v.findRecord;
  v.findRecord.hwndOwner = v.frame;
  v.findRecord.Flags = FR_DOWN | FR_HIDEWHOLEWORD | FR_HIDEMATCHCASE;
  v.findRecord.lpstrFindWhat = v.findBuffer;
  v.findRecord.wFindWhatLen = 256;
  v.findDialog = FindTextW(&v.findRecord);
}

// Prints the selection (or the whole document) on a printer DC; the job is always ended.
bool PrintOn(Viewer& v, HDC dc, bool selectionOnly) {
  std::wstring title = L"Document";
  if (!v.path.empty()) {
    int n = MultiByteToWideChar(CP_ACP, 0, v.path.c_str(), -1, nullptr, 0);
    title.assign(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, v.path.c_str(), -1, title.data(), n);
    title.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  }
  size_t from = 0, to = v.doc.LineCount();
  if (selectionOnly && v.selEnd > v.selStart) {
    from = LineOf(v, v.selStart);
    to = LineOf(v, v.selEnd - 1) + 1;
  }
  DOCINFOW di{sizeof di, title.c_str(), nullptr, nullptr, 0};
  if (StartDocW(dc, &di) <= 0) return false;
  int dpiY = GetDeviceCaps(dc, LOGPIXELSY), dpiX = GetDeviceCaps(dc, LOGPIXELSX);
  int pageH = GetDeviceCaps(dc, VERTRES), pageW = GetDeviceCaps(dc, HORZRES);
  LOGFONTW lf = v.doc.format == SCCVW_FORMAT_HEX ? LOGFONTW{} : v.textLogFont;
  if (v.doc.format == SCCVW_FORMAT_HEX) lstrcpyW(lf.lfFaceName, L"Courier New");
  lf.lfHeight = -MulDiv(10, dpiY, 72);
  lf.lfWidth = 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  int lineH = std::max<int>(1, tm.tmHeight);
  int marginX = dpiX / 2, marginY = dpiY / 2;
  int perPage = std::max(1, (pageH - 2 * marginY) / lineH);
  bool ok = true;
  size_t line = from;
  do {
    if (StartPage(dc) <= 0) { ok = false; break; }
    SelectObject(dc, font);
    RECT clip{marginX, marginY, pageW - marginX, pageH - marginY};
    for (int row = 0; row < perPage && line < to; ++row, ++line) {
      std::wstring_view text = v.doc.Line(line);
      ExtTextOutW(dc, marginX, marginY + row * lineH, ETO_CLIPPED, &clip, text.data(),
                  static_cast<UINT>(text.size()), nullptr);
    }
    if (EndPage(dc) <= 0) { ok = false; break; }
  } while (line < to);
  SelectObject(dc, old);
  DeleteObject(font);
  if (ok) ok = EndDoc(dc) > 0;
  else AbortDoc(dc);
  return ok;
}

bool PrintWithDialog(Viewer& v) {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = v.frame;
  pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | (v.selEnd > v.selStart ? 0 : PD_NOSELECTION);
  if (!PrintDlgW(&pd) || !pd.hDC) return false;
  bool ok = PrintOn(v, pd.hDC, (pd.Flags & PD_SELECTION) != 0);
  DeleteDC(pd.hDC);
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  return ok;
}

void ChooseTextFont(Viewer& v) {
  LOGFONTW lf = v.textLogFont;
  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = v.frame;
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
  if (!ChooseFontW(&cf)) return;
  HFONT font = CreateFontIndirectW(&lf);
  if (!font) return;
  DeleteObject(v.textFont);
  v.textFont = font;
  v.textLogFont = lf;
  UpdateScrollBars(v);
  InvalidateRect(v.display, nullptr, TRUE);
}

size_t OffsetAt(Viewer& v, POINT pt) {
  if (v.doc.LineCount() == 0) return 0;
  HDC dc = GetDC(v.display);
  HGDIOBJ old = SelectObject(dc, CurrentFont(v));
  int h = LineHeight(v, dc);
  long line = v.topLine + (pt.y < 0 ? -1 : pt.y / h);
  size_t result;
  if (line < 0) {
    result = 0;
  } else if (static_cast<size_t>(line) >= v.doc.LineCount()) {
    result = v.doc.text.size();
  } else {
    std::wstring_view text = v.doc.Line(static_cast<size_t>(line));
    int x = pt.x + v.leftPixel;
    size_t col = 0;
    SIZE sz{};
    while (col < text.size()) {
      GetTextExtentPoint32W(dc, text.data(), static_cast<int>(col + 1), &sz);
      SIZE prev{};
      if (col) GetTextExtentPoint32W(dc, text.data(), static_cast<int>(col), &prev);
      if (x < (prev.cx + sz.cx) / 2) break;
      ++col;
    }
    result = v.doc.lineStart[static_cast<size_t>(line)] + col;
  }
  SelectObject(dc, old);
  ReleaseDC(v.display, dc);
  return result;
}

void Paint(Viewer& v, HDC dc, const RECT& area) {
  RECT rc;
  GetClientRect(v.display, &rc);
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ old = SelectObject(dc, CurrentFont(v));
  int h = LineHeight(v, dc);
  SetBkMode(dc, OPAQUE);
  for (int row = 0; row * h < rc.bottom; ++row) {
    size_t line = static_cast<size_t>(v.topLine + row);
    if (line >= v.doc.LineCount()) break;
    std::wstring_view text = v.doc.Line(line);
    size_t start = v.doc.lineStart[line];
    // Three runs: before, inside and after the selection.
    size_t a = std::clamp(v.selStart, start, start + text.size()) - start;
    size_t b = std::clamp(v.selEnd, start, start + text.size()) - start;
    int x = -v.leftPixel, y = row * h;
    const size_t cuts[4] = {0, a, b, text.size()};
    for (int run = 0; run < 3; ++run) {
      size_t n = cuts[run + 1] - cuts[run];
      if (n == 0) continue;
      bool selected = run == 1;
      SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      TextOutW(dc, x, y, text.data() + cuts[run], static_cast<int>(n));
      SIZE sz{};
      GetTextExtentPoint32W(dc, text.data() + cuts[run], static_cast<int>(n), &sz);
      x += sz.cx;
    }
  }
  SelectObject(dc, old);
}

void Scroll(Viewer& v, int bar, int code) {
  SCROLLINFO si{sizeof si, SIF_ALL};
  GetScrollInfo(v.display, bar, &si);
  int pos = bar == SB_VERT ? v.topLine : v.leftPixel;
  int step = bar == SB_VERT ? 1 : 20;
  switch (code) {
    case SB_LINEUP: pos -= step; break;
    case SB_LINEDOWN: pos += step; break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
  }
  pos = std::max(0, pos);
  if (bar == SB_VERT) v.topLine = pos; else v.leftPixel = std::min(pos, 4000);
  UpdateScrollBars(v);
  InvalidateRect(v.display, nullptr, TRUE);
}

LRESULT CALLBACK DisplayProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  Viewer* v = FromDisplay(w);
  if (!v || v->display != w) return DefWindowProcW(w, msg, wp, lp);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      Paint(*v, dc, ps.rcPaint);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: UpdateScrollBars(*v); return 0;
    case WM_VSCROLL: Scroll(*v, SB_VERT, LOWORD(wp)); return 0;
    case WM_HSCROLL: Scroll(*v, SB_HORZ, LOWORD(wp)); return 0;
    case WM_MOUSEWHEEL:
      v->topLine -= 3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
      v->topLine = std::max(0, v->topLine);
      UpdateScrollBars(*v);
      InvalidateRect(w, nullptr, TRUE);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN: {
      SetFocus(w);
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      v->anchor = OffsetAt(*v, pt);
      Select(*v, v->anchor, v->anchor);
      v->dragging = true;
      SetCapture(w);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (v->dragging) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        size_t at = OffsetAt(*v, pt);
        Select(*v, std::min(at, v->anchor), std::max(at, v->anchor));
      }
      return 0;
    case WM_LBUTTONUP:
      v->dragging = false;
      ReleaseCapture();
      return 0;
    case WM_LBUTTONDBLCLK: {
      HWND parent = GetParent(v->frame);
      if (parent && !v->path.empty()) {
        SCCVW_OPENREQUEST request{};
        request.size = sizeof request;
        request.viewer = v->frame;
        request.mode = v->mode;
        lstrcpynA(request.path, v->path.c_str(), MAX_PATH);
        SendMessageW(parent, SCCVW_NOTIFY_OPEN, 0, reinterpret_cast<LPARAM>(&request));
      }
      return 0;
    }
    case WM_RBUTTONUP: case WM_CONTEXTMENU:
      // The frame's owner builds the context menu.
      return SendMessageW(v->frame, msg, wp, lp);
    case WM_KEYDOWN: {
      bool ctrl = GetKeyState(VK_CONTROL) < 0;
      if (ctrl && wp == 'C') CopySelection(*v);
      else if (ctrl && wp == 'A') Select(*v, 0, v->doc.text.size());
      else if (ctrl && wp == 'F') OpenFindDialog(*v);
      else if (wp == VK_F3) FindAgain(*v, GetKeyState(VK_SHIFT) >= 0);
      else if (wp == VK_UP) Scroll(*v, SB_VERT, SB_LINEUP);
      else if (wp == VK_DOWN) Scroll(*v, SB_VERT, SB_LINEDOWN);
      else if (wp == VK_PRIOR) Scroll(*v, SB_VERT, SB_PAGEUP);
      else if (wp == VK_NEXT) Scroll(*v, SB_VERT, SB_PAGEDOWN);
      else if (wp == VK_HOME && ctrl) Scroll(*v, SB_VERT, SB_TOP);
      else if (wp == VK_END && ctrl) Scroll(*v, SB_VERT, SB_BOTTOM);
      else if (wp == VK_LEFT) Scroll(*v, SB_HORZ, SB_LINEUP);
      else if (wp == VK_RIGHT) Scroll(*v, SB_HORZ, SB_LINEDOWN);
      return 0;
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(v->doc.text.size());
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      size_t n = std::min(static_cast<size_t>(wp) - 1, v->doc.text.size());
      auto* out = reinterpret_cast<wchar_t*>(lp);
      memcpy(out, v->doc.text.data(), n * sizeof(wchar_t));
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
  }
  return DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK ViewerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  Viewer* v = FromFrame(w);
  if (msg == WM_NCCREATE) {
    auto* state = new (std::nothrow) Viewer;
    if (!state) return FALSE;
    state->frame = w;
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    return DefWindowProcW(w, msg, wp, lp);
  }
  if (!v) return DefWindowProcW(w, msg, wp, lp);
  if (msg == FindMessage() && msg != 0) {
    auto* fr = reinterpret_cast<FINDREPLACEW*>(lp);
    if (fr->Flags & FR_DIALOGTERM) {
      v->findDialog = nullptr;
    } else if (fr->Flags & FR_FINDNEXT) {
      v->findText = fr->lpstrFindWhat;
      FindAgain(*v, (fr->Flags & FR_DOWN) != 0);
    }
    return 0;
  }
  switch (msg) {
    case WM_CREATE: {
      NONCLIENTMETRICSW ncm{};
      ncm.cbSize = sizeof ncm;
      SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
      v->textLogFont = ncm.lfMessageFont;
      v->textLogFont.lfCharSet = DEFAULT_CHARSET;
      v->textFont = CreateFontIndirectW(&v->textLogFont);
      LOGFONTW hex{};
      hex.lfHeight = ncm.lfMessageFont.lfHeight;
      hex.lfCharSet = DEFAULT_CHARSET;
      hex.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
      lstrcpyW(hex.lfFaceName, L"Courier New");
      v->hexFont = CreateFontIndirectW(&hex);
      RECT rc;
      GetClientRect(w, &rc);
      v->display = CreateWindowExW(0, L"" SCCVW_DISPLAY_CLASS, L"",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                                   0, 0, rc.right, rc.bottom, w, reinterpret_cast<HMENU>(1), g_module, nullptr);
      return v->display ? 0 : -1;
    }
    case WM_SIZE:
      if (v->display) MoveWindow(v->display, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      return 0;
    case WM_SETFOCUS:
      if (v->display) SetFocus(v->display);
      return 0;
    case WM_NCDESTROY:
      if (v->findDialog && IsWindow(v->findDialog)) DestroyWindow(v->findDialog);
      DeleteObject(v->textFont);
      DeleteObject(v->hexFont);
      SetWindowLongPtrW(w, GWLP_USERDATA, 0);
      delete v;
      return DefWindowProcW(w, msg, wp, lp);
    case SCCVW_VIEWFILE: return ViewFile(*v, static_cast<unsigned>(wp), reinterpret_cast<const char*>(lp));
    case SCCVW_CLOSEFILE: CloseFile(*v); return 0;
    case SCCVW_COPY: CopySelection(*v); return 0;
    case SCCVW_FINDAGAIN: return FindAgain(*v, wp != 2) ? 1 : 0;
    case SCCVW_SELECTALL: Select(*v, 0, v->doc.text.size()); return 0;
    case SCCVW_FIND:
      if (lp) {
        v->findText = reinterpret_cast<const wchar_t*>(lp);
        return FindAgain(*v, true) ? 1 : 0;
      }
      OpenFindDialog(*v);
      return 0;
    case SCCVW_PRINT:
      if (v->doc.LineCount() == 0) return 0;
      if (lp) return PrintOn(*v, reinterpret_cast<HDC>(lp), false) ? 1 : 0;
      return PrintWithDialog(*v) ? 1 : 0;
    case SCCVW_OPTIONS:
      if (wp == 539293) ChooseTextFont(*v);
      return 0;
    case SCCVW_GETSELECTION:
      if (wp) *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(v->selStart);
      if (lp) *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(v->selEnd);
      return 0;
    case SCCVW_GETFORMAT: return v->doc.format;
    case SCCVW_GETTOPLINE: return v->topLine;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

void RegisterClasses(HINSTANCE module) {
  WNDCLASSW wc{};
  wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = L"" SCCVW_VIEWER_CLASS;
  RegisterClassW(&wc);
  wc.lpfnWndProc = DisplayProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
  wc.lpszClassName = L"" SCCVW_DISPLAY_CLASS;
  RegisterClassW(&wc);
}

}  // namespace
}  // namespace sccvw

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    sccvw::g_module = module;
    sccvw::RegisterClasses(module);
  } else if (reason == DLL_PROCESS_DETACH) {
    UnregisterClassW(L"" SCCVW_VIEWER_CLASS, module);
    UnregisterClassW(L"" SCCVW_DISPLAY_CLASS, module);
  }
  return TRUE;
}
