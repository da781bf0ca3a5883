#include "zipextract/zip_password_check.h"

#include <zlib.h>

namespace {

struct CipherKeys {
  std::uint32_t k0 = 0x12345678;
  std::uint32_t k1 = 0x23456789;
  std::uint32_t k2 = 0x34567890;
};

std::uint32_t Crc32Byte(const z_crc_t* table, std::uint32_t crc, unsigned char byte) {
  return table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

unsigned char KeyStreamByte(const CipherKeys& keys) {
  const std::uint32_t temp = (keys.k2 & 0xFFFF) | 2;
  return static_cast<unsigned char>(((temp * (temp ^ 1)) >> 8) & 0xFF);
}

void UpdateKeys(const z_crc_t* table, CipherKeys& keys, unsigned char plain) {
  keys.k0 = Crc32Byte(table, keys.k0, plain);
  keys.k1 = (keys.k1 + (keys.k0 & 0xFF)) * 134775813u + 1;
  keys.k2 = Crc32Byte(table, keys.k2, static_cast<unsigned char>(keys.k1 >> 24));
}

}  // namespace

bool PassesNullPasswordCheck(const unsigned char (&header)[12], std::uint32_t crc, std::uint32_t dosDateTime,
                             std::uint32_t flags) {
  const z_crc_t* table = get_crc_table();
  CipherKeys keys;
  unsigned char plain = 0;
  for (unsigned char cipher : header) {
    plain = static_cast<unsigned char>(cipher ^ KeyStreamByte(keys));
    UpdateKeys(table, keys, plain);
  }
  const std::uint32_t expected = (flags & 0x08) != 0 ? (dosDateTime >> 8) & 0xFF : crc >> 24;
  return plain == expected;
}
