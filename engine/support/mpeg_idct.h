// The 8x8 inverse DCT of MPEG video, accurate to well within the conformance
// bounds (separable, in single precision, rounded to nearest at the end).
#pragma once
#include <cstdint>

namespace strevo::engine {

// `coeffs` in raster order. Put writes the samples clamped to 0..255; Add adds
// them to the prediction already in `dst` and clamps. `stride` is the distance
// between the block's rows (twice the line length for field blocks).
void IdctPut(const int16_t coeffs[64], uint8_t* dst, int stride);
void IdctAdd(const int16_t coeffs[64], uint8_t* dst, int stride);

// The transform itself, rounded, for the tests.
void InverseDct(const int16_t coeffs[64], int out[64]);

}  // namespace strevo::engine
