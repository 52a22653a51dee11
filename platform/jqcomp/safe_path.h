// Entry names from an archive are untrusted: this turns one into a path below the target
// folder, or refuses it.
#pragma once
#include <string>

namespace jqcomp {

enum class NameVerdict { kFile, kFolderOnly, kRefused };

// Normalises an entry name: "/" becomes "\", a drive and leading separators are dropped,
// "." parts are dropped. Refused: ".." parts, ":" and control characters, characters that
// Windows names cannot hold, device names (CON, NUL, COM1, ...), parts ending in a dot or a
// blank. Without keepPaths only the last part is used. kFolderOnly: the name is a folder entry
// (or nothing is left of it); `out` then holds the folder path (with keepPaths) or nothing.
NameVerdict SafeRelativePath(const std::string& entryName, bool keepPaths, std::string* out);

// DOS 8.3 form of one name part (upper case), used when long names are off.
std::string ShortFormOf(const std::string& part);
// A relative path ("a\\b\\c") with every part in its DOS 8.3 form.
std::string ShortFormPath(const std::string& relative);

}  // namespace jqcomp
