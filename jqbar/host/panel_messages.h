// The private messages between frames, containers and panels, and the records they carry.
// Every one is sent with SendMessage; a panel answers what it does not know with
// DefWindowProc (0), which every sender takes as "refused" or "no change".
#pragma once
#include <windows.h>
#include <cstdint>

namespace jqbar {

inline constexpr UINT PNM_GETSETTINGS = WM_USER + 105;
inline constexpr UINT PNM_SETSETTINGS = WM_USER + 106;
inline constexpr UINT PNM_CREATEPAGE = WM_USER + 107;
inline constexpr UINT PNM_GETPREFSIZE = WM_USER + 108;
inline constexpr UINT PNM_NEGOTIATESIZE = WM_USER + 109;
inline constexpr UINT PNM_NEGOTIATESIZE2 = WM_USER + 110;
inline constexpr UINT PNM_NEGOTIATESIZE3 = WM_USER + 111;
inline constexpr UINT PNM_SETTOOLTIPS = WM_USER + 112;
inline constexpr UINT PNM_HOTKEY = WM_USER + 113;
inline constexpr UINT PNM_GETCAPTION = WM_USER + 114;
inline constexpr UINT PNM_SETTITLE = WM_USER + 115;
inline constexpr UINT PNM_HELP = WM_USER + 116;
inline constexpr UINT PNM_PAGEHELP = WM_USER + 117;
inline constexpr UINT PNM_CHANGED = WM_USER + 130;
inline constexpr UINT PNM_OPENCONFIG = WM_USER + 131;
inline constexpr UINT PNM_GETORIENT = WM_USER + 133;
inline constexpr UINT PNM_ISHORIZONTAL = WM_USER + 134;
inline constexpr UINT PNM_MODAL = WM_USER + 135;
inline constexpr UINT PNM_GETTOOLTIPS = WM_USER + 136;
inline constexpr UINT PNM_RELAYOUT = WM_USER + 137;
inline constexpr UINT PNM_SETTINGSCHANGED = WM_USER + 138;
inline constexpr UINT PNM_PAINTBACKGROUND = WM_USER + 139;
inline constexpr UINT PNM_ADDHOTKEY = WM_USER + 140;
inline constexpr UINT PNM_REMOVEHOTKEY = WM_USER + 141;
inline constexpr UINT PNM_BEGINLAYOUT = WM_USER + 150;
inline constexpr UINT PNM_PLACECHILDREN = WM_USER + 151;
inline constexpr UINT PNM_SETFRAMEPOS = WM_USER + 160;
inline constexpr UINT PNM_SETFRAMESIZE = WM_USER + 161;
inline constexpr UINT PNM_SETDOCKEDEXTENT = WM_USER + 162;
inline constexpr UINT PNM_DISTRIBUTESPACE = WM_USER + 164;
inline constexpr UINT PNM_CLOSELAYOUT = WM_USER + 165;
inline constexpr UINT PNM_REFRESHPAGE = WM_USER + 166;
inline constexpr UINT PNM_FITTASKBAR = WM_USER + 167;
inline constexpr UINT PNM_GETTASKBARSIZE = WM_USER + 168;
inline constexpr UINT PNM_SUSPENDERASE = WM_USER + 169;
inline constexpr UINT PNM_APPLYFRAMESETTINGS = WM_USER + 170;
inline constexpr UINT PNM_SHOWFRAME = WM_USER + 171;
inline constexpr UINT PNM_HOOKKEY = WM_USER + 172;
inline constexpr UINT PNM_KEYMODEON = WM_USER + 250;
inline constexpr UINT PNM_KEYMODEOFF = WM_USER + 251;
inline constexpr UINT PNM_FOCUSNEXT = WM_USER + 253;
inline constexpr UINT PNM_FOCUSPREV = WM_USER + 254;
inline constexpr UINT PNM_KEY = WM_USER + 255;
inline constexpr UINT PNM_APPBARNOTIFY = WM_USER + 910;
inline constexpr UINT PNM_TRAYNOTIFY = WM_APP + 100;

// lParam of the three negotiation passes.
struct SizeProposal {
  std::int32_t currentWidth;
  std::int32_t currentHeight;
  std::int32_t offeredWidth;
  std::int32_t offeredHeight;
  std::int32_t horizontal;  // 1 when the container arranges its children side by side
  std::int32_t crossExtent;
};
static_assert(sizeof(SizeProposal) == 24);

// Negotiation reply "stop the pass".
inline constexpr LRESULT kNegotiateStop = static_cast<LRESULT>(0xFFFFFFFFu);

// lParam of PNM_ADDHOTKEY. Modifiers: bit 0 SHIFT, bit 1 CTRL, bit 2 ALT.
struct HotKeyEntry {
  HWND owner;
  std::int32_t key;
  std::int32_t modifiers;
  std::int32_t id;
};

// lParam of PNM_PAINTBACKGROUND.
struct BackgroundPaintRequest {
  HWND panel;
  HDC dc;  // 0: the frame paints into the panel's own DC
  RECT rect;
  DWORD flags;  // bit 0 off-screen form, bit 8 on request
  std::int32_t x, y;  // where rect's origin lies inside the panel (off-screen form)
};

// The two signed 16-bit halves of a size or position reply.
inline std::int32_t LowSigned(LPARAM v) { return static_cast<std::int16_t>(v & 0xFFFF); }
inline std::int32_t HighSigned(LPARAM v) { return static_cast<std::int16_t>((v >> 16) & 0xFFFF); }
inline LRESULT MakeSize(std::int32_t cx, std::int32_t cy) {
  return static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(cx, cy)));
}

}  // namespace jqbar
