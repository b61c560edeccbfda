// Decoding one slice of a picture: macroblock modes, motion vectors, motion
// compensation and the coded blocks, into the picture's frame buffer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "support/mpeg_headers.h"
#include "support/mpeg_motion.h"

namespace strevo::engine {

// The three planes (Y, Cb, Cr) of a frame, sized in whole macroblocks.
struct FramePlanes {
  Plane p[3];
  bool valid() const { return p[0].data != nullptr; }
};

struct SliceContext {
  const SequenceHeader* seq = nullptr;
  const PictureHeader* pic = nullptr;
  FramePlanes current;   // the frame being decoded (both fields of a field pair)
  FramePlanes forward;   // past reference frame (P and B)
  FramePlanes backward;  // future reference frame (B)
  bool second_field = false;
  int mb_width = 0;
  int mb_height = 0;  // of the frame
};

// Whether the context's planes are exactly mb_width x mb_height macroblocks
// (the references too, when present): the slice decoder checks macroblock
// addresses against those counts, so a plane of another size is refused.
bool SliceGeometryValid(const SliceContext& ctx);

// Decodes the slice whose data (after its start code) is `data`; `row` is the
// slice's start code value minus one. Returns false when the slice is damaged;
// the macroblocks decoded before the damage stay in the picture and the rest of
// its row is taken from the previous picture (when there is one).
bool DecodeSlice(const SliceContext& ctx, int row, const uint8_t* data, size_t size);

}  // namespace strevo::engine
