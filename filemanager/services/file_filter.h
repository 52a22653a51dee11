// The panes' file filter: wildcard patterns and attribute rules that every file-system entry of
// a list passes through. The filter itself (FileFilter) lives in the live options and is stored
// as "Filters" by the settings store.
#pragma once
#include <windows.h>
#include "settings_store.h"
#include "wildcard.h"

// True when the entry passes the filter (the live options' filter when none is given).
bool PassesFileFilter(const WIN32_FIND_DATAA& entry, const FileFilter* filter = nullptr);
// True when one of the patterns of the list (separated by ';' or blanks) matches the name.
// A pattern that ends in '.' matches names without an extension. Compares bytes as given:
// callers upper-case both sides for a case-insensitive test.
bool MatchPatternList(const char* patterns, const char* name);
