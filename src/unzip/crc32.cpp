#include "unzip/crc32.h"

#include <array>
#include <cstring>

namespace strevo {
namespace {

// Slicing-by-8: table[k][b] is the CRC of byte b followed by k zero bytes,
// so eight input bytes are folded with eight independent lookups.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeTables() {
  CrcTables t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
  return t;
}

constexpr CrcTables kTables = MakeTables();

inline uint32_t Load32Le(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t c = ~crc;
  while (size && (reinterpret_cast<uintptr_t>(p) & 7)) {
    c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
    --size;
  }
  while (size >= 8) {
    const uint32_t a = c ^ Load32Le(p);
    const uint32_t b = Load32Le(p + 4);
    c = kTables[7][a & 0xFF] ^ kTables[6][(a >> 8) & 0xFF] ^ kTables[5][(a >> 16) & 0xFF] ^
        kTables[4][a >> 24] ^ kTables[3][b & 0xFF] ^ kTables[2][(b >> 8) & 0xFF] ^
        kTables[1][(b >> 16) & 0xFF] ^ kTables[0][b >> 24];
    p += 8;
    size -= 8;
  }
  while (size--) c = (c >> 8) ^ kTables[0][(c ^ *p++) & 0xFF];
  return ~c;
}

}  // namespace strevo
