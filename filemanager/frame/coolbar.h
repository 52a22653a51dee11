// The coolbar: with the resizable-toolbars option on, the toolbar, the drive bar, the launch bar
// and the command-line bar stand in the bands of one rebar, whose order, widths and line breaks
// are kept in the value "Coolbar".
#pragma once
#include <windows.h>
#include <cstdint>

struct CoolbarBand {
  uint32_t id;      // 1 toolbar, 2 drive bar, 3 launch bar, 4 command-line bar
  uint32_t width;   // cx in pixels
  uint32_t breaks;  // 1 when the band starts a new row
};
struct CoolbarLayout {
  CoolbarBand bands[4];
};
constexpr const char* kCoolbarValue = "Coolbar";
constexpr int kCoolbarValueSize = 48;

// The layout in use (module state).
CoolbarLayout& CurrentCoolbarLayout();
void DefaultCoolbarLayout(CoolbarLayout* layout);
// The 48-byte image and back. Decoding refuses (false, layout untouched) an image of another
// size, one that does not hold each band id 1 to 4 exactly once, a break flag other than 0 or 1
// or a width beyond 32767 pixels.
void EncodeCoolbarLayout(const CoolbarLayout& layout, uint8_t (&bytes)[kCoolbarValueSize]);
bool DecodeCoolbarLayout(const uint8_t* bytes, size_t size, CoolbarLayout* layout);

// Reads "Coolbar" into the layout; a missing or damaged value gives the default layout.
void LoadCoolbarLayout();
// Collects the layout from the rebar while the bars are in it, then writes "Coolbar".
void SaveCoolbarLayout();
// Reads the bands of the rebar into the layout; bars without a band keep their entries.
void CollectCoolbarLayout();
// Builds the bands from the layout; 0 when there is no rebar.
int BuildCoolbarBands();
// Puts the bars into or out of the coolbar as the resizable-toolbars option says.
void UpdateBarStylesForCoolbar();
void MoveBarsOutOfCoolbar();
// Detaches the bars and deletes the bands (main window destruction).
void DetachBarsFromCoolbar();
// Collects the layout and builds the bands again (after a bar was shown or hidden).
void RefreshCoolbarBands();
// The band of id 3 gets the re-created launch bar as its child.
void AttachLaunchBarToCoolbar(HWND launchBar);
void InitCoolbarExtras();
