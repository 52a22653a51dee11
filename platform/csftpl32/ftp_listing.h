// Parsing of LIST replies: the Unix "ls -l" dialect and the DOS/IIS dialect.
#pragma once
#include <string_view>
#include "csftpl32.h"

namespace csftp {

// Parses one line (without its line end) in the dialect of the mode (kListUnix, kListDos; any
// other mode reads as kListUnix). `now` is the local time, used for Unix dates that carry no
// year. False for lines that hold no entry ("total 12", blank or malformed lines, names that do
// not fit the record); the record is then left unspecified.
bool ParseListLine(std::string_view line, int mode, const SYSTEMTIME& now, FtpEntry* out);

}  // namespace csftp
