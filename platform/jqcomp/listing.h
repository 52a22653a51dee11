// What Et5ZipOpen and Et5ZipCreateMV hand out behind an archive handle.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "et5.h"

namespace jqcomp {

struct ListedEntry {
  et5::EntryRecord record{};
  std::string name;     // path inside the archive, "\" separated
  std::string comment;  // second buffer
  std::string method;   // third buffer
};

struct Listing {
  std::string path;
  bool spanTarget = false;    // made by Et5ZipCreateMV: Et5Zip writes into it
  uint64_t volumeSize = 0;
  std::vector<ListedEntry> entries;
  size_t cursor = 0;
};

// Reads the entries of an archive of any kind the engine lists.
int LoadListing(const std::string& path, Listing* listing);

}  // namespace jqcomp
