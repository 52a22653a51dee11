#include "zip_crypto.h"

#include <zlib.h>

namespace jqcomp {

namespace {
const z_crc_t* Table() {
  static const z_crc_t* table = get_crc_table();
  return table;
}
inline uint32_t Crc1(uint32_t crc, uint8_t c) { return Table()[(crc ^ c) & 0xFF] ^ (crc >> 8); }
}  // namespace

ZipCrypto::ZipCrypto(const std::string& password) {
  for (unsigned char c : password) Update(c);
}

void ZipCrypto::Update(uint8_t c) {
  k0_ = Crc1(k0_, c);
  k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
  k2_ = Crc1(k2_, static_cast<uint8_t>(k1_ >> 24));
}

void ZipCrypto::Decrypt(uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = static_cast<uint8_t>(data[i] ^ Byte());
    Update(c);
    data[i] = c;
  }
}

void ZipCrypto::Encrypt(uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t t = Byte();
    Update(data[i]);
    data[i] ^= t;
  }
}

}  // namespace jqcomp
