// Wildcard matching of names, as the file filters, the select-by-mask dialogs and the finder use
// it.
#pragma once

// 1 when the whole name matches the pattern, else 0. '*' matches any run of characters (also
// none), '?' exactly one; every other byte only itself (bytes compared as they are: callers
// change the letter case of both sides for a case-insensitive test). Runs in time proportional
// to the product of the lengths at worst, whatever the pattern.
int MatchWildcard(const char* pattern, const char* name);
