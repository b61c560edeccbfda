// Motion vector rules that no reference decoder here can check: small streams
// written macroblock by macroblock, decoded, and compared with the same
// prediction coded another way.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "mpeg_stream_writer.h"
#include "support/mpeg_video.h"
#include "support/mpeg_vlc.h"

namespace strevo::engine {
namespace {

using streams::BitWriter;

constexpr int kSize = 64;  // 4 x 4 macroblocks

// An intra frame of blocks with random flat values (DC only), top field first.
void IntraFrame(BitWriter& w) {
  streams::PictureParams p;
  p.type = kPictureI;
  p.top_field_first = true;
  streams::WritePicture(w, p);
  std::mt19937 rng(7);
  for (int row = 0; row < kSize / 16; ++row) {
    w.StartCode(static_cast<uint8_t>(row + 1));
    w.Put(8, 5);  // quantiser
    w.Put(0, 1);
    int dc[3] = {128, 128, 128};
    for (int x = 0; x < kSize / 16; ++x) {
      streams::WriteAddressIncrement(w, 1);
      streams::WriteMacroblockType(w, kPictureI, kMbIntra);
      w.Put(0, 1);  // frame DCT
      for (int b = 0; b < 6; ++b) {
        int cc = b < 4 ? 0 : b - 3;
        int value = 16 + static_cast<int>(rng() % 224);
        streams::WriteDcDifferential(w, cc != 0, value - dc[cc]);
        dc[cc] = value;
        streams::WriteEndOfBlock(w, false);
      }
    }
  }
}

// A P macroblock without residual and the motion codes of its vectors.
void MotionMacroblock(BitWriter& w, int increment, int motion_type, int code_x, int code_y, int f_code_y) {
  streams::WriteAddressIncrement(w, increment);
  streams::WriteMacroblockType(w, kPictureP, kMbForward);
  w.Put(motion_type, 2);
  streams::WriteMotionCode(w, code_x, 0, 1);
  if (motion_type == 3) streams::WriteDualPrimeVector(w, 0);
  streams::WriteMotionCode(w, code_y, 0, f_code_y);
  if (motion_type == 3) streams::WriteDualPrimeVector(w, 0);
}

// The second row starts with a dual-prime macroblock whose vertical field
// vector is 13 half lines; the predictor keeps it doubled, 26, outside the
// range of a frame vector when the vertical f_code is 1. The next macroblock
// is a frame vector with a zero difference: `wrap` sends it like that,
// otherwise it starts a new slice (predictors at zero) and sends `explicit_y`.
std::vector<uint8_t> Stream(int f_code_y, bool wrap, int explicit_y) {
  BitWriter w;
  streams::WriteSequence(w, streams::SequenceParams{kSize, kSize, false});
  streams::WriteGroup(w, true);
  IntraFrame(w);
  streams::PictureParams p;
  p.temporal_reference = 1;
  p.type = kPictureP;
  p.top_field_first = true;
  p.f_code[0][0] = 1;
  p.f_code[0][1] = f_code_y;
  streams::WritePicture(w, p);
  for (int row = 0; row < kSize / 16; ++row) {
    w.StartCode(static_cast<uint8_t>(row + 1));
    w.Put(8, 5);
    w.Put(0, 1);
    int x = 0;
    if (row == 1) {
      int code_y = f_code_y == 1 ? 13 : 7;  // 13 either way
      MotionMacroblock(w, 1, 3, 0, code_y, f_code_y);
      if (!wrap) {
        w.StartCode(static_cast<uint8_t>(row + 1));
        w.Put(8, 5);
        w.Put(0, 1);
      }
      MotionMacroblock(w, wrap ? 1 : 2, 2, 0, wrap ? 0 : explicit_y, f_code_y);
      x = 2;
    }
    for (; x < kSize / 16; ++x) MotionMacroblock(w, 1, 2, 0, 0, f_code_y);
  }
  streams::WriteSequenceEnd(w);
  return w.Bytes();
}

// The second macroblock of the second row of the P frame.
std::vector<uint8_t> PredictedBlock(const std::vector<uint8_t>& stream) {
  MpegVideoDecoder d;
  d.Push(stream.data(), stream.size());
  d.Flush();
  EXPECT_EQ(d.stats().damaged_slices, 0u);
  EXPECT_TRUE(d.Pop().has_value());
  std::optional<VideoFrame> f = d.Pop();
  EXPECT_TRUE(f.has_value());
  std::vector<uint8_t> block;
  if (!f) return block;
  for (int y = 16; y < 32; ++y)
    for (int x = 16; x < 32; ++x) block.push_back(f->y[static_cast<size_t>(y) * f->width + x]);
  return block;
}

TEST(MotionVectors, APredictorOutsideTheRangeWrapsEvenWithAZeroDifference) {
  // 26 + 0 lies above the range [-16, 15] and wraps to 26 - 32 = -6.
  std::vector<uint8_t> wrapped = PredictedBlock(Stream(1, true, 0));
  EXPECT_EQ(wrapped, PredictedBlock(Stream(1, false, -6)));
  // With room for 26 (f_code 2) the same codes mean 26: another picture.
  std::vector<uint8_t> unwrapped = PredictedBlock(Stream(2, true, 0));
  ASSERT_EQ(wrapped.size(), unwrapped.size());
  EXPECT_NE(wrapped, unwrapped);
}

}  // namespace
}  // namespace strevo::engine
