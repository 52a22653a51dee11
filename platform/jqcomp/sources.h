// Turning a compression file list into the files and folders to store, with their names in
// the archive.
#pragma once
#include <string>
#include <vector>

#include "switches.h"
#include "zip_writer.h"

namespace jqcomp {

struct SourceScan {
  std::vector<SourceFile> files;
  std::vector<std::string> missing;   // plain names that do not exist
  std::vector<std::string> folders;   // folders a move may remove once it emptied them
};

// Expands each name of the list (relative names against the current directory). `exclude`
// are full paths never taken (the archive itself and its temporary file).
void ScanSources(const std::vector<std::string>& names, const Switches& sw,
                 const std::vector<std::string>& exclude, SourceScan* scan);

}  // namespace jqcomp
