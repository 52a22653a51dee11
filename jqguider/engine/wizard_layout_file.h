// The wizard's layout file: where it goes (the path rules and the default name) and writing it
// safely (a temporary file in the same folder, moved over an old one only when complete).
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "layout_templates.h"

namespace guider {

// The folder of the running program, with its trailing backslash.
std::string ProgramFolder();

// The layout file of a name: the name itself when it holds a drive or folder, else the program
// folder followed by the name; ".jqc" appended when the extension is shorter than 2 characters
// (none, or a lone dot: "Work." gives "Work..jqc").
std::string LayoutPathForName(const std::string& name, const std::string& programFolder);

// "Toolbar<n>" with the first n from 1 whose file "<folder>Toolbar<n>.jqc" does not exist.
std::string PickDefaultLayoutName(const std::string& programFolder);

// Writes the layout of a style and tool set to the path: into a temporary file of the same
// folder, every write checked, then moved over the old file. On any failure the temporary file
// is removed, an old file stays as it was, and the result is false.
bool WriteWizardLayout(const std::string& path, WindowStyle style, const ToolSet& tools,
                       const DisplayNames& names);
bool WriteLayoutBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Tests replace the writing of the temporary file's pieces (to make a write fail); an empty
// function writes with WriteFile.
using LayoutChunkWriter = std::function<bool(HANDLE file, const uint8_t* data, DWORD size)>;
void SetLayoutChunkWriter(LayoutChunkWriter writer);

}  // namespace guider
