// Files handed to drop targets by path: a data object that offers the paths as a file list
// (CF_HDROP, ANSI), its format enumerator and a drop source. The finder's result list drags with
// them, the file manager's archive panes hand their extracted entries with them, and Send To
// sends a selection of paths with them.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

// The CF_HDROP payload of the paths: the 20-byte header, each ANSI path with its NUL, one more NUL.
std::vector<unsigned char> BuildDropFiles(const std::vector<std::string>& paths);

// New objects, each with one reference; null when out of memory.
IDataObject* CreatePathListData(const std::vector<std::string>& paths);
IDropSource* CreatePathDropSource();
