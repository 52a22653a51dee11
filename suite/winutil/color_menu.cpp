#include "color_menu.h"

const COLORREF ColorMenuPalette[kColorMenuCells] = {
    RGB(255, 255, 255), RGB(0, 0, 0),     RGB(192, 192, 192), RGB(128, 128, 128),
    RGB(255, 0, 0),     RGB(128, 0, 0),   RGB(255, 255, 0),   RGB(128, 128, 0),
    RGB(0, 255, 0),     RGB(0, 128, 0),   RGB(0, 255, 255),   RGB(0, 128, 128),
    RGB(0, 0, 255),     RGB(0, 0, 128),   RGB(255, 0, 255),   RGB(128, 0, 128),
};

namespace {
constexpr const char* kClassName = "ColorMenu";
constexpr int kCell = 18;
constexpr int kSize = 78;

int g_selected = -1;
int g_initial = -1;
HWND g_popup = nullptr;
bool g_running = false;
bool g_closing = false;
bool g_registered = false;

RECT CellRect(int cell) {
  int column = cell % 4, row = cell / 4;
  return RECT{kCell * column + 3, kCell * row + 3, kCell * column + 21, kCell * row + 21};
}

int HitCell(int x, int y) {
  if (x < 2 || x > 73 || y < 2 || y > 73) return -1;
  int column = (x - 2) / kCell, row = (y - 2) / kCell;
  if (column > 3 || row > 3) return -1;
  return row * 4 + column;
}

void Outline(HDC dc, RECT r, COLORREF colour) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void Fill(HDC dc, RECT r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawCell(HDC dc, int cell, bool unselected) {
  RECT r = CellRect(cell);
  if (cell == g_selected) {
    r.right -= 1;
    r.bottom -= 1;
    Outline(dc, r, RGB(0, 0, 0));
    InflateRect(&r, -1, -1);
    Outline(dc, r, RGB(255, 255, 255));
    InflateRect(&r, -1, -1);
    Outline(dc, r, RGB(0, 0, 0));
    InflateRect(&r, -1, -1);
    Fill(dc, r, ColorMenuPalette[cell]);
    return;
  }
  if (unselected) Outline(dc, r, GetSysColor(COLOR_BTNFACE));
  InflateRect(&r, -1, -1);
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  InflateRect(&r, -2, -2);
  Fill(dc, r, ColorMenuPalette[cell]);
}

void Redraw(HWND window, int cell, bool unselected) {
  if (cell < 0) return;
  HDC dc = GetDC(window);
  DrawCell(dc, cell, unselected);
  ReleaseDC(window, dc);
}

void Select(HWND window, int cell) {
  if (cell == g_selected) return;
  int old = g_selected;
  g_selected = cell;
  Redraw(window, old, true);
  Redraw(window, cell, false);
}

void Close(HWND window) {
  if (g_closing) return;
  g_closing = true;
  DestroyWindow(window);
  g_running = false;
}

LRESULT CALLBACK ColorMenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT r;
      GetClientRect(window, &r);
      DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
      for (int cell = 0; cell < kColorMenuCells; ++cell) DrawCell(dc, cell, false);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_MOUSEMOVE: {
      int cell = HitCell(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      if (cell >= 0) Select(window, cell);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The popup holds the capture: a click anywhere outside the grid selects nothing.
      g_selected = HitCell(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      Close(window);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_KEYDOWN: {
      int s = g_selected;
      switch (wParam) {
        case VK_ESCAPE:
          g_selected = g_initial;
          Close(window);
          return 0;
        case VK_RETURN:
          Close(window);
          return 0;
        case VK_UP:
          if (s >= 4) Select(window, s - 4);
          return 0;
        case VK_DOWN:
          if (s >= 0 && s <= 11) Select(window, s + 4);
          return 0;
        case VK_LEFT:
          if (s >= 0 && s % 4 != 0) Select(window, s - 1);
          return 0;
        case VK_RIGHT:
          if (s >= 0 && s % 4 != 3) Select(window, s + 1);
          return 0;
      }
      return 0;
    }
    case WM_KILLFOCUS:
      Close(window);
      return 0;
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a menu, a message box): the popup ends as when it loses the focus.
      if (reinterpret_cast<HWND>(lParam) != window && g_running && !g_closing) Close(window);
      return 0;
    case WM_DESTROY:
      if (g_popup == window) g_popup = nullptr;
      g_running = false;
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterColorMenuClass(HINSTANCE instance) {
  if (g_registered) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ColorMenuProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kClassName;
  if (RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    g_registered = true;
    return true;
  }
  WNDCLASSA plain{};
  plain.style = wc.style;
  plain.lpfnWndProc = wc.lpfnWndProc;
  plain.hInstance = instance;
  plain.hCursor = wc.hCursor;
  plain.hbrBackground = wc.hbrBackground;
  plain.lpszClassName = kClassName;
  g_registered = RegisterClassA(&plain) != 0;
  return g_registered;
}
}  // namespace

int FindColorIndex(COLORREF colour) {
  for (int i = 0; i < kColorMenuCells; ++i)
    if (ColorMenuPalette[i] == colour) return i;
  return -1;
}

HWND ColorMenuWindow() { return g_popup; }

COLORREF ShowColorMenu(HINSTANCE instance, HWND owner, int x, int y, COLORREF current) {
  if (g_running || !RegisterColorMenuClass(instance)) return current;
  POINT at{x, y};
  if (owner) ClientToScreen(owner, &at);
  g_closing = false;
  g_selected = g_initial = FindColorIndex(current);
  HWND popup = CreateWindowExA(0, kClassName, "ColorMenu",
                               WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, at.x,
                               at.y, kSize, kSize, owner, nullptr, instance, nullptr);
  if (!popup) return current;
  g_popup = popup;
  g_running = true;
  SetFocus(popup);
  SetCapture(popup);
  MSG msg;
  while (g_running) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The caller's loop must still see the quit message.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (GetCapture() == popup) ReleaseCapture();
  if (IsWindow(popup)) {
    g_closing = true;
    DestroyWindow(popup);
  }
  g_running = false;
  g_popup = nullptr;
  return g_selected >= 0 ? ColorMenuPalette[g_selected] : current;
}
