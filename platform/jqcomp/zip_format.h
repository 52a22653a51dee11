// Signatures and little-endian field access of the zip format.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace jqcomp::zipfmt {

constexpr uint32_t kLocalSig = 0x04034B50;       // PK 3 4
constexpr uint32_t kCentralSig = 0x02014B50;     // PK 1 2
constexpr uint32_t kEndSig = 0x06054B50;         // PK 5 6
constexpr uint32_t kZip64EndSig = 0x06064B50;    // PK 6 6
constexpr uint32_t kZip64LocatorSig = 0x07064B50;  // PK 6 7
constexpr uint32_t kSpanSig = 0x08074B50;        // PK 7 8: spanned marker and data descriptor
constexpr uint32_t kSpanOneDiskSig = 0x30304B50; // PK 0 0: a span that fit on one disk

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndSize = 22;

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) { return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32); }

inline void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, static_cast<uint16_t>(x));
  Put16(v, static_cast<uint16_t>(x >> 16));
}
inline void PutBytes(std::vector<uint8_t>& v, const std::string& s) { v.insert(v.end(), s.begin(), s.end()); }

}  // namespace jqcomp::zipfmt
