// Handing a new layout to the toolbar: to its running main window by WM_COPYDATA, otherwise by
// starting JQBar.exe from the program folder (which then opens the most recent layout).
#pragma once
#include <windows.h>
#include <string>

namespace guider {

constexpr char kToolbarWindowClass[] = "Quorvanel Main";
constexpr ULONG_PTR kLayoutCopyDataId = 33;

HWND FindToolbarWindow();

enum class HandOver { Sent, Started, Failed };

// With the toolbar running at start and its window still there, sends the layout path (with
// its NUL) as WM_COPYDATA 33 from `sender`; otherwise starts "<programFolder>JQBar.exe" without
// parameters, shown normally.
HandOver HandOverLayout(const std::string& path, bool toolbarWasRunning, HWND sender,
                        const std::string& programFolder);

}  // namespace guider
