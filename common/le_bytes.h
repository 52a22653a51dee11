// Little-endian fields of stored records (registry values, files): read and written byte by
// byte at their offsets, never by copying a structure.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace le {

inline void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

inline uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void PutI32(uint8_t* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }
inline int32_t GetI32(const uint8_t* p) { return static_cast<int32_t>(GetU32(p)); }

inline void PutF32(uint8_t* p, float v) {
  uint32_t bits;
  memcpy(&bits, &v, 4);
  PutU32(p, bits);
}

inline float GetF32(const uint8_t* p) {
  uint32_t bits = GetU32(p);
  float v;
  memcpy(&v, &bits, 4);
  return v;
}

// A NUL-terminated text in a fixed field of `size` bytes: cut to fit, the rest zeroed.
inline void PutText(uint8_t* p, const char* text, size_t size) {
  size_t n = strnlen(text, size - 1);
  memcpy(p, text, n);
  memset(p + n, 0, size - n);
}

// The text of a fixed field, always terminated.
inline void GetText(const uint8_t* p, char* text, size_t size) {
  memcpy(text, p, size);
  text[size - 1] = '\0';
}

}  // namespace le
