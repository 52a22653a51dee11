// Container panels: "Toolbar" (root container of a floating or docked frame), "Taskbar
// Toolbar" (root container of a frame inside the taskbar) and "Tool Group" (nested). They hold
// child panels side by side or one above another, negotiate their sizes and relay the panel
// messages between the children and the frame. Their settings describe the whole frame.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "panel_types.h"

namespace jqbar {

// The container settings blob, as stored in the layout file (little-endian, 132 bytes; a
// custom background's path follows it, NUL-terminated).
struct ContainerSettings {
  std::int32_t arrangement;   // 0 horizontal, 1 vertical, 2 as the parent, 3 opposite
  std::int32_t spacing;
  std::int32_t floatX, floatY, floatWidth, floatHeight;
  std::int32_t dockedWidth, dockedHeight;
  std::int32_t frameStyle;    // 0 floating, 1 docked, 2 auto-hide, 3 in the taskbar
  std::int32_t edge;          // 0 left, 1 top, 2 right, 3 bottom
  std::int32_t alwaysOnTop;
  std::int32_t autoHide;
  std::int32_t tooltips;
  std::int32_t hotKey;
  std::int32_t hotKeyModifiers;
  char title[40];
  std::int32_t colour;
  std::int32_t customBackground;
  std::int32_t background;    // 0 none, 1..10 bitmaps 640..649
  std::int32_t toolSlots[5];
};
static_assert(sizeof(ContainerSettings) == 132);
static_assert(offsetof(ContainerSettings, title) == 60);
static_assert(offsetof(ContainerSettings, colour) == 100);
static_assert(offsetof(ContainerSettings, toolSlots) == 112);

inline constexpr int kContainerBlobSize = 132;
inline constexpr int kWizardContainerBlobSize = 124;

enum class ContainerKind { toolbar, toolGroup, taskbar };

// Defaults of the table for each kind (title and colour left empty / 0).
ContainerSettings DefaultContainerSettings(ContainerKind kind);
// The wizard's 124-byte form.
void ConvertLegacyContainerSettings(ContainerSettings& out, const std::uint8_t* blob);
// Reads a blob of any accepted size into settings and path; false when it is too short
// (then the defaults stay). The title is always terminated.
bool ReadContainerBlob(const void* blob, int size, ContainerSettings& out, std::string& path);
std::vector<std::uint8_t> WriteContainerBlob(const ContainerSettings& settings,
                                             const std::string& path);

// Panel types.
PanelType* RegisterToolbarType(HINSTANCE instance);
PanelType* RegisterTaskbarToolbarType(HINSTANCE instance);
PanelType* RegisterToolGroupType(HINSTANCE instance);
void RegisterContainerTypes();  // adds the three registrars in chain order

HWND CreateToolbarContainer(HWND parent, const RECT* rect, const void* blob, int size);
HWND CreateToolGroupContainer(HWND parent, const RECT* rect, const void* blob, int size);
HWND CreateTaskbarContainer(HWND parent, const RECT* rect, const void* blob, int size);

bool IsContainerWindow(HWND window);
ContainerSettings* GetContainerSettings(HWND container);
HBITMAP GetContainerBackground(HWND container, int* width, int* height);
void SetContainerTitle(HWND container, const char* text);
// Hides the root container, moves it to the rectangle, negotiates and places its children,
// shows it.
void LayoutRootContainer(HWND container, const RECT& rect);
// A layout pass over containers: while one lasts, no panel may be made or destroyed, and each
// container's children are looked up once.
class ContainerLayoutPass {
 public:
  ContainerLayoutPass();
  ~ContainerLayoutPass();
  ContainerLayoutPass(const ContainerLayoutPass&) = delete;
  ContainerLayoutPass& operator=(const ContainerLayoutPass&) = delete;
};
// The property page a container shows in the configuration dialog (PNM_CREATEPAGE): made by
// the layer above; none while no maker is set.
void SetContainerPageHandler(HWND (*create)(HWND container, HWND parent, int x, int y));

// Loads the custom or predefined background again after a settings change.
void ReloadBackground(HWND container);

// Validating reader of a 16-colour background bitmap file. Failure: 0 and *message gets the
// string id to show (631 unreadable, 633 not 16 colours).
HBITMAP LoadBackgroundBitmapFile(HDC dc, const std::string& path, int* width, int* height,
                                 UINT* message);
// The same, showing the failure with caption 630.
HBITMAP LoadBackgroundBitmap(HWND window, const std::string& path, int* width, int* height);

}  // namespace jqbar
