// Dragging found files out of the result list: a data object that offers the paths as a file
// list (CF_HDROP), its format enumerator and the drop source.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

// The CF_HDROP payload of the paths: the 20-byte header, each ANSI path with its NUL, one more NUL.
std::vector<unsigned char> BuildDropFiles(const std::vector<std::string>& paths);

// New objects, each with one reference; null when out of memory.
IDataObject* CreateResultDataObject(const std::vector<std::string>& paths);
IDropSource* CreateResultDropSource();
