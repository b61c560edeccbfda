#pragma once
// CRC-32 as ZIP uses it: reflected polynomial 0xEDB88320, initial value all
// ones, final complement.

#include <cstddef>
#include <cstdint>

namespace strevo {

// Continues a CRC over `data`. Start with crc = 0; the result is final
// (complemented) and can be passed back in for the next piece.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);

inline uint32_t Crc32(const void* data, size_t size) { return Crc32Update(0, data, size); }

}  // namespace strevo
