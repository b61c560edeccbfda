// A small baseline JPEG encoder for the engine's snapshots: YCbCr without
// subsampling, 8x8 DCT, the standard quantisation tables scaled by a quality
// and the standard Huffman tables.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace strevo::engine {

// Top row first, 3 bytes R, G, B per pixel, `stride` bytes from row to row.
// Empty result for an empty or oversized picture.
std::vector<uint8_t> EncodeJpeg(const uint8_t* rgb, int width, int height, int stride, int quality = 85);

// Building blocks, exposed for the tests.
// Orthonormal 2-D DCT-II of one block of level-shifted samples, row-major.
void ForwardDct8x8(const float in[64], float out[64]);
// Natural (row-major) index of each position in zig-zag order.
extern const std::array<uint8_t, 64> kZigZag;
// A base table (natural order) scaled for quality 1..100, entries 1..255.
std::array<uint8_t, 64> ScaledQuantTable(const std::array<uint8_t, 64>& base, int quality);
extern const std::array<uint8_t, 64> kLumaQuant;
extern const std::array<uint8_t, 64> kChromaQuant;
// Size category of a coefficient (bits needed for |v|).
int MagnitudeCategory(int v);

struct HuffmanCode {
  uint16_t code = 0;
  uint8_t length = 0;  // 0 = symbol has no code
};
// Canonical codes from the counts per length (16) and the symbols.
std::array<HuffmanCode, 256> BuildHuffmanCodes(const uint8_t counts[16], const uint8_t* symbols);

}  // namespace strevo::engine
