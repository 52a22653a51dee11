// Archive kinds other than zip that the engine lists (tar, gzip, compress, LHA, CAB) and
// extracts (tar, gzip, compress).
#pragma once
#include <cstdint>
#include <string>

#include "engine.h"
#include "listing.h"

namespace jqcomp {

int ListOtherArchive(const std::string& path, uint16_t kind, Listing* listing);
int ExtractOtherArchive(Engine& engine, const std::string& path, uint16_t kind, const std::string& folder,
                        const std::string& list, const std::string& switches);

}  // namespace jqcomp
