#include "container_panel.h"

#include <cstring>

#include "frame_window.h"
#include "hot_keys.h"
#include "panel_messages.h"
#include "panel_tree.h"
#include "panel_utils.h"
#include "resource_jqbar.h"

namespace jqbar {
namespace {

constexpr char kContainerClass[] = "ContainerPanel";

struct ContainerState {
  ContainerSettings settings;  // first: the settings pointer is the state pointer
  ContainerKind kind;
  std::vector<SIZE> sizes;     // one per child, in child-window order
  std::vector<HWND> children;
  int cursor = 0;
  bool passDone[3] = {};
  HWND window = nullptr;
  HBITMAP bitmap = nullptr;
  int bitmapWidth = 0, bitmapHeight = 0;
  std::string path;
  HWND focused = nullptr;
};

HWND (*g_pageHandler)(HWND, HWND, int, int) = nullptr;

// The reply buffer of PNM_GETSETTINGS with a path, shared by all containers.
std::vector<std::uint8_t> g_reply;

PanelType g_toolbarType, g_taskbarType, g_groupType;

ContainerState* State(HWND window) {
  return reinterpret_cast<ContainerState*>(GetWindowLongPtrA(window, 0));
}

std::vector<HWND> WalkChildren(HWND window) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

// While a layout pass lasts no panel is made or destroyed, yet each container is asked for its
// children several times (its preferred size, the start of the pass, its parent's preferred
// size). Each step of a walk over a window's children asks the window server, so a pass keeps
// the child lists of the containers it has walked.
int g_passDepth = 0;
std::vector<std::pair<HWND, std::vector<HWND>>> g_passChildren;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// Keeps the child lists of a container and of every container below it, from one enumeration
// of the subtree: it asks the server once per window that has children looked at, where walking
// each container asks once per child, and again for each container without children.
void KeepSubtree(HWND window) {
  std::vector<HWND> all;
  EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&all));  // z-order, depth first
  std::size_t first = g_passChildren.size();
  g_passChildren.emplace_back(window, std::vector<HWND>{});
  for (HWND c : all)
    if (IsContainerWindow(c)) g_passChildren.emplace_back(c, std::vector<HWND>{});
  for (HWND c : all) {
    HWND parent = GetParent(c);
    for (std::size_t i = first; i < g_passChildren.size(); ++i)
      if (g_passChildren[i].first == parent) {
        g_passChildren[i].second.push_back(c);
        break;
      }
  }
}

// The child windows of a container, in z-order.
std::vector<HWND> ChildWindows(HWND window) {
  if (!g_passDepth) return WalkChildren(window);
  for (int round = 0; round < 2; ++round) {
    for (const auto& entry : g_passChildren)
      if (entry.first == window) return entry.second;
    if (round == 0) KeepSubtree(window);
  }
  return WalkChildren(window);
}

bool HasChildWindows(HWND window) {
  if (g_passDepth && IsContainerWindow(window)) return !ChildWindows(window).empty();
  return GetWindow(window, GW_CHILD) != nullptr;
}

bool ResolvedHorizontal(HWND window, const ContainerSettings& s, bool parentHorizontal) {
  switch (s.arrangement) {
    case 0: return true;
    case 1: return false;
    case 3: return !parentHorizontal;
    default: return parentHorizontal;
  }
}

bool ParentHorizontal(HWND window) {
  return SendMessageA(GetParent(window), PNM_ISHORIZONTAL, 0, 0) != 0;
}

bool IsHorizontal(HWND window, ContainerState* st) {
  return ResolvedHorizontal(window, st->settings, ParentHorizontal(window));
}

void LoadPredefined(ContainerState* st) {
  if (st->settings.background >= 1 && st->settings.background <= 10) {
    st->bitmap = static_cast<HBITMAP>(LoadImageA(Globals().instance,
        MAKEINTRESOURCEA(IDB_BACKGROUND_FIRST - 1 + st->settings.background), IMAGE_BITMAP, 32, 32, 0));
    st->bitmapWidth = st->bitmapHeight = st->bitmap ? 32 : 0;
  }
}

void LoadBackground(ContainerState* st) {
  if (st->bitmap) DeleteObject(st->bitmap);
  st->bitmap = nullptr;
  st->bitmapWidth = st->bitmapHeight = 0;
  if (st->kind == ContainerKind::taskbar) return;
  if (st->settings.customBackground && !st->path.empty()) {
    st->bitmap = LoadBackgroundBitmap(st->window, st->path, &st->bitmapWidth, &st->bitmapHeight);
    if (!st->bitmap) st->settings.customBackground = 0;
    else return;
  }
  LoadPredefined(st);
}

HWND CreateContainer(ContainerKind kind, HWND parent, const RECT* rect, const void* blob, int size) {
  auto* st = new ContainerState{};
  st->kind = kind;
  st->settings = DefaultContainerSettings(kind);
  if (blob && size > 0) {
    ReadContainerBlob(blob, size, st->settings, st->path);
  } else if (kind == ContainerKind::toolbar) {
    char title[40] = {};
    GetWindowTextA(parent, title, sizeof title);
    std::memcpy(st->settings.title, title, sizeof title);
    st->settings.title[39] = 0;
    st->settings.colour = FirstFreeColour();
  }
  if (kind == ContainerKind::taskbar) {
    st->settings.frameStyle = 3;
    st->settings.background = 0;
    st->settings.customBackground = 0;
  }
  RECT r = rect ? *rect : RECT{};
  HWND window = CreateWindowExA(0, kContainerClass, "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, r.left,
                                r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                                Globals().instance, st);
  if (!window) {
    delete st;
    return nullptr;
  }
  if (kind == ContainerKind::toolbar) {
    LoadBackground(st);
    if (blob && size > 0 && IsRootContainer(window)) {
      SetWindowTextA(parent, st->settings.title);
      InvalidateRect(parent, nullptr, TRUE);
    }
  }
  return window;
}

// Forwards a message to the parent, returning its answer.
LRESULT Up(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  return SendMessageA(GetParent(window), msg, wp, lp);
}

void StoreNodeBlob(HWND panel, bool withUndo) {
  if (Globals().layoutLoading) return;
  PanelNode* node = FindNodeByWindow(panel);
  if (!node) return;
  std::vector<std::uint8_t> fresh;
  if (QueryPanelSettings(panel, fresh)) {
    if (withUndo) NotifyPanelChanged(node, node->blob);
    node->blob = std::move(fresh);
  }
}

LRESULT Negotiate(HWND window, ContainerState* st, UINT msg, const SizeProposal& p) {
  int pass = int(msg - PNM_NEGOTIATESIZE);
  if (st->passDone[pass]) return MakeSize(p.currentWidth, p.currentHeight);
  RECT client;
  GetClientRect(window, &client);
  int ownW = p.currentWidth, ownH = p.currentHeight;
  bool horizontal = IsHorizontal(window, st);
  int count = int(st->children.size());
  for (int asked = 0; asked < count; ++asked) {
    int i = (st->cursor + asked) % count;
    SIZE& entry = st->sizes[i];
    SizeProposal q{};
    q.currentWidth = entry.cx;
    q.currentHeight = entry.cy;
    if (horizontal) {
      q.offeredWidth = entry.cx + (p.offeredWidth - p.currentWidth);
      q.offeredHeight = p.offeredHeight;
      q.horizontal = 1;
      q.crossExtent = p.horizontal == 1 ? p.crossExtent : p.offeredHeight;
    } else {
      q.offeredWidth = p.offeredWidth;
      q.offeredHeight = entry.cy + (p.offeredHeight - p.currentHeight);
      q.horizontal = 0;
      q.crossExtent = p.horizontal == 0 ? p.crossExtent : p.offeredWidth;
    }
    DWORD reply = DWORD(SendMessageA(st->children[i], msg, 0, reinterpret_cast<LPARAM>(&q)));
    if (reply == 0xFFFFFFFFu) return kNegotiateStop;
    if (reply == 0) continue;
    int w = LowSigned(reply), h = HighSigned(reply);
    if (w == entry.cx && h == entry.cy) continue;
    if (horizontal) {
      ownW += w - entry.cx;
      if (ownH < h) ownH = h;
    } else {
      ownH += h - entry.cy;
      if (ownW < w) ownW = w;
    }
    entry.cx = w;
    entry.cy = h;
    st->cursor = (i + 1) % count;
    if (ownW == p.currentWidth && ownH == p.currentHeight) return kNegotiateStop;
    return MakeSize(ownW, ownH);
  }
  st->passDone[pass] = true;
  return MakeSize(p.currentWidth, p.currentHeight);
}

void Distribute(HWND window, ContainerState* st) {
  RECT client;
  GetClientRect(window, &client);
  bool horizontal = IsHorizontal(window, st);
  int count = int(st->children.size());
  if (!count) return;
  int along = horizontal ? client.right : client.bottom;
  int across = horizontal ? client.bottom : client.right;
  int sum = 0;
  for (const SIZE& s : st->sizes) sum += horizontal ? s.cx : s.cy;
  int free = along - (count - 1) * st->settings.spacing - sum;
  for (UINT msg : {PNM_NEGOTIATESIZE, PNM_NEGOTIATESIZE2, PNM_NEGOTIATESIZE3}) {
    int unchanged = 0;
    int guard = 0;
    while (free >= 0 && unchanged < count && guard++ < 10000) {
      int i = st->cursor % count;
      SIZE& entry = st->sizes[i];
      SizeProposal q{};
      q.currentWidth = entry.cx;
      q.currentHeight = entry.cy;
      q.offeredWidth = horizontal ? entry.cx + free : across;
      q.offeredHeight = horizontal ? across : entry.cy + free;
      q.horizontal = horizontal ? 1 : 0;
      q.crossExtent = across;
      DWORD reply = DWORD(SendMessageA(st->children[i], msg, 0, reinterpret_cast<LPARAM>(&q)));
      st->cursor = (i + 1) % count;
      if (reply == 0xFFFFFFFFu) break;
      int w = LowSigned(reply), h = HighSigned(reply);
      if (reply == 0 || (w == entry.cx && h == entry.cy)) {
        ++unchanged;
        continue;
      }
      free -= horizontal ? w - entry.cx : h - entry.cy;
      entry.cx = w;
      entry.cy = h;
      unchanged = 0;
    }
  }
}

bool FirstChildHasChildren(HWND window) {
  HWND first = nullptr;
  if (g_passDepth) {
    std::vector<HWND> children = ChildWindows(window);
    first = children.empty() ? nullptr : children.front();
  } else {
    first = GetWindow(window, GW_CHILD);
  }
  return first && HasChildWindows(first);
}

void PlaceChildren(HWND window, ContainerState* st) {
  RECT client;
  GetClientRect(window, &client);
  bool horizontal = IsHorizontal(window, st);
  bool root = IsRootContainer(window);
  int count = int(st->children.size());
  int along = horizontal ? client.right : client.bottom;
  int across = horizontal ? client.bottom : client.right;
  int sum = 0, largest = 0;
  for (const SIZE& s : st->sizes) {
    sum += horizontal ? s.cx : s.cy;
    int a = horizontal ? s.cy : s.cx;
    if (a > largest) largest = a;
  }
  int gap = 0;
  if (count > 1) gap = root ? st->settings.spacing : (along - sum) / (count - 1);
  if (gap < 0) gap = 0;
  int pos = 0;
  for (int i = 0; i < count; ++i) {
    SIZE s = st->sizes[i];
    int len = horizontal ? s.cx : s.cy, cross = horizontal ? s.cy : s.cx;
    int box = root ? largest : across;
    int off = (box - cross) / 2;
    int at = pos;
    if (!root && count > 1 && i == count - 1) at = along - len;
    if (!root && count == 1 && !horizontal) at = (along - len) / 2;
    if (horizontal)
      MoveChildWindow(st->children[i], at, off, s.cx, s.cy);
    else
      MoveChildWindow(st->children[i], off, at, s.cx, s.cy);
    SendMessageA(st->children[i], PNM_PLACECHILDREN, 0, 0);
    pos += len + gap;
  }
  if (!root) return;
  int w, h;
  // An empty root, or one holding only an empty group, keeps a size to be seen and dropped on.
  // A root with panels takes their extent, whether or not a panel has child windows of its
  // own: a root cut to a fixed size would hide the part of its only panel beyond it.
  if (count == 0 || (count == 1 && IsContainerWindow(st->children[0]) && !HasChildWindows(st->children[0]))) {
    w = 150;
    h = 70;
  } else {
    int total = pos - gap;
    if (total < 20) total = 20;
    int cross = largest < (horizontal ? 14 : 20) ? (horizontal ? 14 : 20) : largest;
    w = horizontal ? total : cross;
    h = horizontal ? cross : total;
  }
  SetWindowPos(window, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | UnseenEraseFlags(window));
  FitFrameToContainer(GetParent(window));
}

LRESULT PreferredSize(HWND window, ContainerState* st, bool parentHorizontal) {
  bool horizontal = ResolvedHorizontal(window, st->settings, parentHorizontal);
  bool root = IsRootContainer(window);
  std::vector<HWND> children = ChildWindows(window);
  if (root && !FirstChildHasChildren(window)) {
    return horizontal ? MakeSize(200, 100) : MakeSize(100, 200);
  }
  int along = 0, across = 0, n = 0;
  for (HWND c : children) {
    DWORD r = DWORD(SendMessageA(c, PNM_GETPREFSIZE, horizontal ? 1 : 0, 0));
    int w = LowSigned(r), h = HighSigned(r);
    if (n++) along += st->settings.spacing;
    along += horizontal ? w : h;
    int a = horizontal ? h : w;
    if (a > across) across = a;
  }
  int w = horizontal ? along : across, h = horizontal ? across : along;
  if (root) {
    int minW = horizontal ? 20 : 24, minH = horizontal ? 14 : 20;
    if (w < minW) w = minW;
    if (h < minH) h = minH;
  }
  return MakeSize(w, h);
}

LRESULT KeyModeOn(ContainerState* st, bool fromLast) {
  if (st->focused) SendMessageA(st->focused, PNM_KEYMODEOFF, 0, 0);
  st->focused = nullptr;
  std::vector<HWND> children = ChildWindows(st->window);
  int n = int(children.size());
  for (int k = 0; k < n; ++k) {
    HWND c = children[fromLast ? n - 1 - k : k];
    if (SendMessageA(c, PNM_KEYMODEON, fromLast ? 1 : 0, 0)) {
      st->focused = c;
      return 1;
    }
  }
  return 0;
}

LRESULT FocusStep(ContainerState* st, bool forward, bool wrap) {
  std::vector<HWND> children = ChildWindows(st->window);
  int n = int(children.size());
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (children[i] == st->focused) at = i;
  if (at >= 0) {
    if (SendMessageA(st->focused, forward ? PNM_FOCUSNEXT : PNM_FOCUSPREV, 0, 0)) return 1;
    SendMessageA(st->focused, PNM_KEYMODEOFF, 0, 0);
    st->focused = nullptr;
    for (int i = forward ? at + 1 : at - 1; forward ? i < n : i >= 0; i += forward ? 1 : -1) {
      if (SendMessageA(children[i], PNM_KEYMODEON, forward ? 0 : 1, 0)) {
        st->focused = children[i];
        return 1;
      }
    }
  }
  if (wrap || at < 0) {
    if (at < 0 && !wrap) return KeyModeOn(st, !forward);
    return wrap ? KeyModeOn(st, !forward) : 0;
  }
  return 0;
}

void ApplySettings(HWND window, ContainerState* st, const std::uint8_t* blob, int size) {
  bool root = IsRootContainer(window) && st->kind != ContainerKind::toolGroup;
  ContainerSettings incoming = st->settings;
  std::string newPath;
  if (!ReadContainerBlob(blob, size, incoming, newPath)) return;
  ContainerSettings old = st->settings;
  if (root) {
    SendMessageA(GetParent(window), PNM_APPLYFRAMESETTINGS, 0, reinterpret_cast<LPARAM>(&incoming));
    // What the frame made of the style (an edge, auto-hide, the thickness it docked with) holds.
    incoming.frameStyle = st->settings.frameStyle;
    incoming.edge = st->settings.edge;
    incoming.autoHide = st->settings.autoHide;
    incoming.dockedWidth = st->settings.dockedWidth;
    incoming.dockedHeight = st->settings.dockedHeight;
    incoming.alwaysOnTop = st->settings.alwaysOnTop;
  }
  std::string oldPath = st->path;
  st->settings = incoming;
  st->path = newPath;
  if (st->kind == ContainerKind::taskbar) st->settings.frameStyle = 3;
  if (root) {
    HWND frame = GetParent(window);
    if (old.hotKey != st->settings.hotKey || old.hotKeyModifiers != st->settings.hotKeyModifiers) {
      RemoveHotKeys(frame, 1);
      if (st->settings.hotKey &&
          !AddHotKey(frame, 1, st->settings.hotKeyModifiers, st->settings.hotKey)) {
        char text[100];
        lstrcpynA(text, LoadResString(IDS_HOTKEY_TAKEN), sizeof text);
        FrameMessageBox(nullptr, text, LoadResString(IDS_HOTKEY_CAPTION), MB_ICONWARNING);
        st->settings.hotKey = old.hotKey;
        st->settings.hotKeyModifiers = old.hotKeyModifiers;
        if (old.hotKey) AddHotKey(frame, 1, old.hotKeyModifiers, old.hotKey);
      }
    }
    SetWindowTextA(frame, st->settings.title);
    SetFrameButtonColour(frame, st->settings.colour);
    InvalidateRect(frame, nullptr, TRUE);
  }
  bool changedBackground = old.background != st->settings.background ||
                           old.customBackground != st->settings.customBackground ||
                           oldPath != st->path;
  if (changedBackground && st->kind == ContainerKind::toolbar) {
    LoadBackground(st);
    RelayoutAllFrames();
  }
}

LRESULT CALLBACK ContainerPanelProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  ContainerState* st = State(window);
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      st = static_cast<ContainerState*>(cs->lpCreateParams);
      st->window = window;
      SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(st));
      // A container has no title and no scroll bars: all that DefWindowProc would do here is
      // store the empty title, a round trip to the window server for each panel under Wine.
      return TRUE;
    }
    case WM_NCDESTROY:
      if (st) {
        if (st->bitmap) DeleteObject(st->bitmap);
        delete st;
        SetWindowLongPtrA(window, 0, 0);
      }
      break;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      BackgroundPaintRequest req{window, reinterpret_cast<HDC>(wp), r, 0, 0, 0};
      Up(window, PNM_PAINTBACKGROUND, 0, reinterpret_cast<LPARAM>(&req));
      return 1;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_SYSCOLORCHANGE:
    case WM_WININICHANGE:
      for (HWND c : ChildWindows(window)) SendMessageA(c, msg, wp, lp);
      return 0;
    case WM_RBUTTONUP:
      SendMessageA(window, WM_COMMAND, ShowContainerMenu(window, lp), 0);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == IDM_CONFIGURE) Up(window, PNM_OPENCONFIG, reinterpret_cast<WPARAM>(window), 0);
      return 0;
  }
  if (!st) return DefWindowProcA(window, msg, wp, lp);
  switch (msg) {
    case PNM_GETSETTINGS: {
      auto** out = reinterpret_cast<void**>(lp);
      if (st->path.empty()) {
        if (out) *out = &st->settings;
        return kContainerBlobSize;
      }
      g_reply = WriteContainerBlob(st->settings, st->path);
      if (out) *out = g_reply.data();
      return LRESULT(g_reply.size());
    }
    case PNM_SETSETTINGS:
      if (int(wp) >= kContainerBlobSize && lp)
        ApplySettings(window, st, reinterpret_cast<const std::uint8_t*>(lp), int(wp));
      return 0;
    case PNM_GETPREFSIZE:
      return PreferredSize(window, st, wp != 0);
    case PNM_CREATEPAGE:
      if (!g_pageHandler || !wp) return 0;
      return reinterpret_cast<LRESULT>(
          g_pageHandler(window, reinterpret_cast<HWND>(wp), LowSigned(lp), HighSigned(lp)));
    case PNM_NEGOTIATESIZE:
    case PNM_NEGOTIATESIZE2:
    case PNM_NEGOTIATESIZE3:
      if (!lp) return 0;
      return Negotiate(window, st, msg, *reinterpret_cast<const SizeProposal*>(lp));
    case PNM_SETTOOLTIPS:
      for (HWND c : ChildWindows(window)) SendMessageA(c, PNM_SETTOOLTIPS, wp, 0);
      return 0;
    case PNM_SETTITLE:
      if (reinterpret_cast<HWND>(wp) == window && IsRootContainer(window) && lp) {
        SetContainerTitle(window, reinterpret_cast<const char*>(lp));
        SetWindowTextA(GetParent(window), st->settings.title);
        InvalidateRect(GetParent(window), nullptr, TRUE);
      }
      return 0;
    case PNM_HELP: {
      POINT pt{LowSigned(lp), HighSigned(lp)};
      RECT client;
      GetClientRect(window, &client);
      if (!PtInRect(&client, pt)) return 0;
      for (HWND c : ChildWindows(window)) {
        RECT r;
        GetWindowRect(c, &r);
        POINT screen = pt;
        ClientToScreen(window, &screen);
        if (PtInRect(&r, screen)) {
          ScreenToClient(c, &screen);
          return SendMessageA(c, PNM_HELP, 0, MAKELPARAM(screen.x, screen.y));
        }
      }
      return 0;
    }
    case PNM_CHANGED:
    case PNM_SETTINGSCHANGED: {
      HWND panel = reinterpret_cast<HWND>(wp);
      StoreNodeBlob(panel, msg == PNM_CHANGED && panel != window);
      if (lp == 1) RelayoutFrame(GetTopFrameWindow(window));
      return 0;
    }
    case PNM_OPENCONFIG:
    case PNM_PAINTBACKGROUND:
      return Up(window, msg, wp, lp);
    case PNM_GETORIENT:
      return IsHorizontal(window, st) ? 1 : 0;
    case PNM_ISHORIZONTAL:
      if (IsRootContainer(window)) {
        RECT r;
        GetClientRect(window, &r);
        return r.bottom < r.right ? 1 : 0;
      }
      return Up(window, PNM_ISHORIZONTAL, 0, 0);
    case PNM_MODAL:
      if (wp) RevealFrameForModal(window);
      else EndFrameModal();
      return 0;
    case PNM_GETTOOLTIPS:
      return Globals().tooltips ? 1 : 0;
    case PNM_RELAYOUT:
      RelayoutFrame(GetTopFrameWindow(window));
      return 0;
    case PNM_ADDHOTKEY:
      return lp ? RegisterHotKeyEntry(*reinterpret_cast<const HotKeyEntry*>(lp)) : 0;
    case PNM_REMOVEHOTKEY:
      RemoveHotKeys(reinterpret_cast<HWND>(wp), int(lp));
      return 0;
    case PNM_SETFRAMEPOS:
    case PNM_SETFRAMESIZE:
    case PNM_SETDOCKEDEXTENT: {
      int a = LowSigned(lp), b = HighSigned(lp);
      if (msg == PNM_SETFRAMEPOS) {
        st->settings.floatX = a;
        st->settings.floatY = b;
      } else if (msg == PNM_SETFRAMESIZE) {
        st->settings.floatWidth = a;
        st->settings.floatHeight = b;
      } else {
        if (a) st->settings.dockedWidth = a;
        if (b) st->settings.dockedHeight = b;
      }
      if (PanelNode* node = FindNodeByWindow(window))
        if (node->blob.size() >= kContainerBlobSize) std::memcpy(node->blob.data(), &st->settings, kContainerBlobSize);
      return 0;
    }
    case PNM_BEGINLAYOUT: {
      st->cursor = 0;
      st->passDone[0] = st->passDone[1] = st->passDone[2] = false;
      st->children = ChildWindows(window);
      st->sizes.assign(st->children.size(), SIZE{});
      WPARAM horizontal = SendMessageA(window, PNM_GETORIENT, 0, 0);
      for (std::size_t i = 0; i < st->children.size(); ++i) {
        SendMessageA(st->children[i], PNM_BEGINLAYOUT, 0, 0);
        DWORD r = DWORD(SendMessageA(st->children[i], PNM_GETPREFSIZE, horizontal, 0));
        st->sizes[i] = SIZE{LowSigned(r), HighSigned(r)};
      }
      return 0;
    }
    case PNM_DISTRIBUTESPACE:
      Distribute(window, st);
      return 0;
    case PNM_PLACECHILDREN:
      PlaceChildren(window, st);
      return 0;
    case PNM_KEYMODEON:
      return KeyModeOn(st, wp != 0);
    case PNM_KEYMODEOFF:
      if (st->focused) SendMessageA(st->focused, PNM_KEYMODEOFF, 0, 0);
      st->focused = nullptr;
      return 0;
    case PNM_FOCUSNEXT:
    case PNM_FOCUSPREV:
      return FocusStep(st, msg == PNM_FOCUSNEXT, wp != 0);
    case PNM_KEY:
      if (st->focused) SendMessageA(st->focused, PNM_KEY, wp, 0);
      return 0;
  }
  return DefWindowProcA(window, msg, wp, lp);
}

void RegisterContainerClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, kContainerClass, &wc)) return;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ContainerPanelProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kContainerClass;
  RegisterClassA(&wc);
}

}  // namespace

ContainerSettings DefaultContainerSettings(ContainerKind kind) {
  ContainerSettings s{};
  s.arrangement = kind == ContainerKind::toolbar ? 1 : 2;
  s.spacing = 1;
  s.floatX = s.floatY = 20;
  s.floatWidth = 500;
  s.floatHeight = 50;
  s.dockedWidth = s.dockedHeight = kind == ContainerKind::toolbar ? 10 : kind == ContainerKind::taskbar ? 300 : 0;
  s.frameStyle = kind == ContainerKind::taskbar ? 3 : 0;
  s.edge = 3;
  s.tooltips = 1;
  s.colour = kind == ContainerKind::toolGroup ? 12 : 0;
  return s;
}

void ConvertLegacyContainerSettings(ContainerSettings& out, const std::uint8_t* blob) {
  auto* bytes = reinterpret_cast<std::uint8_t*>(&out);
  std::memset(bytes, 0, sizeof out);
  std::memcpy(bytes, blob, 100);
  std::memcpy(bytes + 100, blob + 100, 4);
  std::memcpy(bytes + 108, blob + 104, 20);
  out.customBackground = 0;
  out.toolSlots[4] = 0;
  out.title[39] = 0;
}

bool ReadContainerBlob(const void* blob, int size, ContainerSettings& out, std::string& path) {
  const auto* bytes = static_cast<const std::uint8_t*>(blob);
  path.clear();
  if (!blob) return false;
  if (size == kWizardContainerBlobSize) {
    ConvertLegacyContainerSettings(out, bytes);
    return true;
  }
  if (size < kContainerBlobSize) return false;
  std::memcpy(&out, bytes, kContainerBlobSize);
  out.title[39] = 0;
  if (size > kContainerBlobSize) {
    const char* p = reinterpret_cast<const char*>(bytes + kContainerBlobSize);
    std::size_t n = 0, limit = std::size_t(size - kContainerBlobSize);
    while (n < limit && n < MAX_PATH - 1 && p[n]) ++n;
    path.assign(p, n);
  }
  if (out.background < 0 || out.background > 10) out.background = 0;
  if (out.colour < 0 || out.colour > 15) out.colour = 0;
  return true;
}

std::vector<std::uint8_t> WriteContainerBlob(const ContainerSettings& settings,
                                             const std::string& path) {
  std::vector<std::uint8_t> out(kContainerBlobSize + (path.empty() ? 0 : path.size() + 1), 0);
  std::memcpy(out.data(), &settings, kContainerBlobSize);
  if (!path.empty()) std::memcpy(out.data() + kContainerBlobSize, path.data(), path.size());
  return out;
}

PanelType* RegisterToolbarType(HINSTANCE instance) {
  FillBuiltinType(g_toolbarType, instance, "Toolbar", IDS_TYPE_TOOLBAR, IDS_TYPE_TOOLBAR_DESC,
                  IDB_TYPE_TOOLBAR, IDB_TYPE_TOOLBAR_MASK, CreateToolbarContainer);
  g_toolbarType.cleanup = [] { g_reply.clear(); g_reply.shrink_to_fit(); };
  RegisterContainerClass(instance);
  return &g_toolbarType;
}

PanelType* RegisterTaskbarToolbarType(HINSTANCE instance) {
  RegisterContainerClass(instance);
  FillBuiltinType(g_taskbarType, instance, "Taskbar Toolbar", IDS_TYPE_TASKBAR,
                  IDS_TYPE_TASKBAR_DESC, IDB_TYPE_TASKBAR, IDB_TYPE_TASKBAR_MASK,
                  CreateTaskbarContainer);
  return &g_taskbarType;
}

PanelType* RegisterToolGroupType(HINSTANCE instance) {
  FillBuiltinType(g_groupType, instance, "Tool Group", IDS_TYPE_TOOLGROUP, IDS_TYPE_TOOLGROUP_DESC,
                  IDB_TYPE_TOOLGROUP, IDB_TYPE_TOOLGROUP_MASK, CreateToolGroupContainer);
  return &g_groupType;
}

void RegisterContainerTypes() {
  AddBuiltinTypeRegistrar(RegisterTaskbarToolbarType);
  AddBuiltinTypeRegistrar(RegisterToolbarType);
  AddBuiltinTypeRegistrar(RegisterToolGroupType);
}

HWND CreateToolbarContainer(HWND parent, const RECT* rect, const void* blob, int size) {
  return CreateContainer(ContainerKind::toolbar, parent, rect, blob, size);
}
HWND CreateToolGroupContainer(HWND parent, const RECT* rect, const void* blob, int size) {
  return CreateContainer(ContainerKind::toolGroup, parent, rect, blob, size);
}
HWND CreateTaskbarContainer(HWND parent, const RECT* rect, const void* blob, int size) {
  return CreateContainer(ContainerKind::taskbar, parent, rect, blob, size);
}

bool IsContainerWindow(HWND window) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  return lstrcmpA(cls, kContainerClass) == 0;
}

ContainerSettings* GetContainerSettings(HWND container) {
  if (!container || !IsContainerWindow(container)) return nullptr;
  ContainerState* st = State(container);
  return st ? &st->settings : nullptr;
}

HBITMAP GetContainerBackground(HWND container, int* width, int* height) {
  if (!container || !IsContainerWindow(container)) return nullptr;
  ContainerState* st = State(container);
  if (!st || !st->bitmap || st->bitmapWidth <= 0 || st->bitmapHeight <= 0) return nullptr;
  *width = st->bitmapWidth;
  *height = st->bitmapHeight;
  return st->bitmap;
}

void SetContainerTitle(HWND container, const char* text) {
  ContainerSettings* s = GetContainerSettings(container);
  if (!s) return;
  lstrcpynA(s->title, text ? text : "", sizeof s->title);  // at most 39 and the terminator
}

ContainerLayoutPass::ContainerLayoutPass() { ++g_passDepth; }

ContainerLayoutPass::~ContainerLayoutPass() {
  if (--g_passDepth == 0) g_passChildren.clear();
}

void LayoutRootContainer(HWND container, const RECT& rect) {
  ContainerLayoutPass pass;
  // Hidden while its panels move, so that the screen sees only the result; a container already
  // shown in a frame that is not on the screen yet has nothing to hide.
  bool unseen = !IsWindowVisible(GetParent(container)) && (GetWindowLongA(container, GWL_STYLE) & WS_VISIBLE);
  if (!unseen) ShowWindow(container, SW_HIDE);
  MoveWindow(container, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
  SendMessageA(container, PNM_BEGINLAYOUT, 0, 0);
  SendMessageA(container, PNM_DISTRIBUTESPACE, 0, 0);
  SendMessageA(container, PNM_PLACECHILDREN, 0, 0);
  if (!unseen) ShowWindow(container, SW_SHOW);
}

void SetContainerPageHandler(HWND (*create)(HWND, HWND, int, int)) { g_pageHandler = create; }

void ReloadBackground(HWND container) {
  if (!IsContainerWindow(container)) return;
  if (ContainerState* st = State(container)) LoadBackground(st);
}

}  // namespace jqbar
