// Loading a layout file into frames and panels, and saving the live frames back. A layout is
// read and checked completely before anything of the current one changes.
#pragma once
#include <string>

#include "layout_file.h"
#include "layout_history.h"

namespace jqbar {

LayoutHistory& RecentLayouts();

// The file a save without a path writes: recent slot 0, else "JQBar.jqc".
std::string CurrentLayoutPath();

bool SaveToolbarLayout(const std::string& path);
// path empty: the first recent file that is a layout, else "JQBar.jqc" when allowDefault.
bool LoadToolbarLayout(const std::string& path, bool allowDefault);
bool IsToolbarLayoutFile(const std::string& path);
// Reads and checks a layout without touching the current one.
std::optional<LayoutFile> ReadToolbarLayout(const std::string& path);
// Replaces the current frames with the layout's (the current one is closed first).
void ApplyToolbarLayout(const LayoutFile& layout);
// The live frames as a layout.
LayoutFile CurrentLayout();

// Called when a layout was loaded or saved (the configuration dialog retitles itself).
void SetLayoutChangedHandler(void (*changed)());

}  // namespace jqbar
