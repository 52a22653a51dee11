// JQBar's process spine: the system check, the hand-off to NTAid.exe on NT, the single
// instance through "Quorvanel Main", the start-up order, the message loop and the shut-down;
// the hidden main window with the tray icon and its menu.
#pragma once
#include <windows.h>
#include <string>

namespace jqbar {

inline constexpr char kMainWindowClass[] = "Quorvanel Main";
inline constexpr char kExitMonitorClass[] = "JQExitMon";
inline constexpr ULONG_PTR kLayoutCopyDataId = 33;
inline constexpr UINT kTrayIconId = 407;
inline constexpr UINT_PTR kTaskbarTimer = 2526;

int RunToolbar(HINSTANCE instance, const char* commandLine);

// Leading white space removed, the rest byte for byte (quotes stay). False when the line does
// not fit a path (259 characters).
bool ParseLayoutArgument(const char* commandLine, std::string& path);
bool CheckSystemVersion();

LRESULT CALLBACK MainWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
bool AddTrayIcon();
bool RemoveTrayIcon();
bool TrayIconAdded();
void ShowTrayMenu(HWND owner, bool alignFlag);
void ShowListedFrame(int index);
// The private temporary folder "~JQTEMP" (with its trailing backslash once made).
bool CreateTempFolder();
void RemoveTempFolder();
const std::string& TempFolderPath();
// Reads a WM_COPYDATA layout path: cbData 1..260 with its terminator inside.
bool ReadCopyDataPath(const COPYDATASTRUCT* data, std::string& path);
// The layout switch: reads the new layout completely first; only a good one replaces the
// current frames (the current layout is saved before). Failure: the bad-layout box.
bool SwitchLayout(const std::string& path);
void ShowBadLayoutBox(const std::string& path);
// Keeps the tray icon in step with the frames and the "NoTrayIcon" setting.
void UpdateTrayIconState();
int RunAboutBox(HWND owner);

}  // namespace jqbar
