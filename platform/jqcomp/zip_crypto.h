// The traditional PKWARE zip encryption, the one scheme that every unzip tool reads. It is
// weak (known-plaintext attacks recover the keys); it is kept because the archives must be
// readable by other tools, and the interface offers nothing stronger.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace jqcomp {

class ZipCrypto {
 public:
  explicit ZipCrypto(const std::string& password);
  void Decrypt(uint8_t* data, size_t n);
  void Encrypt(uint8_t* data, size_t n);

 private:
  void Update(uint8_t c);
  uint8_t Byte() const {
    uint16_t t = static_cast<uint16_t>((k2_ | 2) & 0xFFFF);
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
  }
  uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

}  // namespace jqcomp
