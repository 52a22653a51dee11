// Built when the archive-reading library is not part of the build: the other kinds are
// identified but refused with "needs a newer version of the archive library".
#include "other_archives.h"

namespace jqcomp {

int ListOtherArchive(const std::string&, uint16_t, Listing*) { return et5::kNewerVersion; }

int ExtractOtherArchive(Engine&, const std::string&, uint16_t, const std::string&, const std::string&,
                        const std::string&) {
  return et5::kNewerVersion;
}

}  // namespace jqcomp
