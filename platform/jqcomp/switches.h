// The engine's switch strings and file lists.
#pragma once
#include <string>
#include <vector>

namespace jqcomp {

struct Switches {
  // Compression and deletion (Et5QZip, Et5Zip).
  enum Action { kAdd, kMove, kFreshen, kUpdate, kDelete } action = kAdd;
  bool removeEmptiedFolders = false;  // -.r (with move)
  bool hiddenAndSystem = false;       // -whs
  int level = 6;                      // -ex 9, -en 6, -ef 3, -es 1, -e0 stored
  bool storePaths = false;            // -P
  bool recurse = false;               // -r
  bool keepArchiveDate = false;       // -k
  bool longNames = false;             // -.LR (compression), -.L (extraction)
  // Extraction (Et5QUnZip).
  bool onlyNewer = false;             // -f: only entries newer than the existing files
  bool newerOrMissing = false;        // -n
  bool keepPaths = false;             // -d
  bool overwrite = false;             // -o
  // Both.
  bool hasPassword = false;           // -s"..."
  std::string password;
};

// Parses a switch string for compression (extract = false) or extraction. The password
// switch -s"..." runs to the last double quote of the text, so a password may hold quotes
// and blanks and never injects further switches.
Switches ParseSwitches(const std::string& text, bool extract);

// Splits a file list: double-quoted names (blanks inside allowed) or bare words, separated
// by blanks.
std::vector<std::string> SplitFileList(const std::string& text);
// A compression list may also start with a bare folder ending in "\" directly followed by
// quoted names (C:\dir\"a.txt" "b.txt" , as a multiple file choice gives it): the folder
// then stands before every relative name of the list.
std::vector<std::string> SplitSourceList(const std::string& text);

// DOS-style wildcard match without regard to case: "*" any run, "?" one character; "*.*"
// matches every name, also names without a dot.
bool WildcardMatch(const std::string& pattern, const std::string& name);
bool HasWildcards(const std::string& text);

// Compares names as Windows does (no case, "/" equal to "\").
bool SameName(const std::string& a, const std::string& b);

}  // namespace jqcomp
