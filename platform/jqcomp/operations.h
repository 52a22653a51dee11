// The engine's operations, each behind one export.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "engine.h"
#include "zip_archive.h"

namespace jqcomp {

using DataSink = std::function<bool(const uint8_t* data, size_t n)>;

// Decodes one entry's data (decrypting, inflating, checking sizes and CRC) into the sink.
// session may be null (no progress, no cancel).
int16_t DecodeEntry(ZipArchive& archive, const ZipEntry& entry, const std::string* password,
                    const DataSink& sink, Session* session);

// Refuses what the engine cannot decode and sizes that no stream could have.
int16_t CheckEntry(const ZipEntry& entry);

int RunUnzip(Engine& engine, const std::string& zip, const std::string& folder,
             const std::string& list, const std::string& switches);
int RunQZip(Engine& engine, const std::string& zip, const std::string& list, const std::string& switches);
int RunSpannedZip(Engine& engine, const std::string& zip, uint64_t volumeSize, const std::string& list,
                  const std::string& switches);
int SetComment(Engine& engine, const std::string& zip, const std::string& comment);
int IdentifyFile(const std::string& path, uint16_t* kind);
int UUEncodeFile(const std::string& file, const std::string& outputBase, uint32_t splitBytes, bool cutLines,
                 uint16_t* filesWritten);

// Entry-name matching shared by extraction and deletion: a pattern with wildcards matches the
// whole path, or the file name when it has no folder part; a plain name matches the entry of
// that path and everything below it when it names a folder.
bool EntryMatches(const std::string& pattern, const std::string& entryName);
// A pattern as it comes in a list: "/" made "\", a leading separator dropped.
std::string NormalisePattern(const std::string& pattern);

}  // namespace jqcomp
