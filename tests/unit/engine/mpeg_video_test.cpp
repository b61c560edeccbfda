// The decoder's behaviour on streams that do not start or run cleanly: joined
// in the middle, damaged, cut short, or not video at all. The clips are those of
// the reference test (made by ffmpeg at build time).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "mpeg_stream_writer.h"
#include "support/mpeg_slice.h"
#include "support/mpeg_vlc.h"
#include "support/video_pipeline.h"

namespace strevo::engine {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadClip(const std::string& name) {
  std::ifstream in(std::string(STREVO_VIDEO_CLIPS) + "/" + name, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

double Psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double se = 0;
  for (size_t i = 0; i < n; ++i) se += double(a[i] - b[i]) * (a[i] - b[i]);
  return se == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * n / se);
}

std::vector<VideoFrame> Decode(const Bytes& ts, VideoDecoderStats* stats = nullptr) {
  VideoPipeline p;
  std::vector<VideoFrame> out;
  for (size_t i = 0; i < ts.size(); i += 1316) {
    p.Push(ts.data() + i, std::min<size_t>(1316, ts.size() - i));
    while (auto f = p.Pop()) out.push_back(std::move(*f));
  }
  p.Flush();
  while (auto f = p.Pop()) out.push_back(std::move(*f));
  if (stats) *stats = p.decoder().stats();
  return out;
}

// The reference frame of the same time, found through the clean decode's times.
class ClipReference {
 public:
  explicit ClipReference(const std::string& name) : ref_(ReadClip(name + ".yuv")) {
    for (const VideoFrame& f : Decode(ReadClip(name + ".ts"))) index_[*f.pts] = index_.size();
  }
  bool Matches(const VideoFrame& f) const {
    auto it = index_.find(f.pts.value_or(-1));
    if (it == index_.end()) return false;
    size_t ys = size_t(f.width) * f.height, bytes = ys * 3 / 2;
    const uint8_t* r = ref_.data() + it->second * bytes;
    return Psnr(f.y.data(), r, ys) >= 45 && Psnr(f.cb.data(), r + ys, ys / 4) >= 45 &&
           Psnr(f.cr.data(), r + ys * 5 / 4, ys / 4) >= 45;
  }
  size_t IndexOf(const VideoFrame& f) const { return index_.at(*f.pts); }
  size_t frames() const { return index_.size(); }

 private:
  Bytes ref_;
  std::map<int64_t, size_t> index_;
};

TEST(MpegDecoder, JoiningMidStreamShowsOnlyWholeFramesFromTheNextIntraOn) {
  ClipReference ref("mpeg2_cif");
  ASSERT_EQ(ref.frames(), 16u);
  Bytes ts = ReadClip("mpeg2_cif.ts");
  // Tables first (a receiver gets them again soon), then from a third in.
  Bytes joined(ts.begin(), ts.begin() + 2 * 188);
  joined.insert(joined.end(), ts.begin() + (ts.size() / 3 / 188) * 188, ts.end());
  VideoDecoderStats stats;
  std::vector<VideoFrame> frames = Decode(joined, &stats);
  ASSERT_FALSE(frames.empty());
  EXPECT_LT(frames.size(), 16u);
  for (const VideoFrame& f : frames) EXPECT_TRUE(ref.Matches(f)) << "frame at " << f.pts.value_or(-1);
  EXPECT_GT(stats.skipped, 0u);  // pictures whose references were before the join
}

TEST(MpegDecoder, DamageStaysInItsGroupOfPictures) {
  ClipReference ref("mpeg2_cif");
  Bytes ts = ReadClip("mpeg2_cif.ts");
  // Flip bits in the first fifth: the first I picture and what follows it.
  std::mt19937 rng(16);
  for (int k = 0; k < 40; ++k) ts[2 * 188 + rng() % (ts.size() / 5)] ^= uint8_t(1 << (rng() % 8));
  VideoDecoderStats stats;
  std::vector<VideoFrame> frames = Decode(ts, &stats);
  EXPECT_GT(stats.damaged_slices + stats.skipped, 0u);
  size_t clean = 0;
  for (const VideoFrame& f : frames) {
    if (!f.pts || ref.IndexOf(f) < 12) continue;  // the second group starts at frame 12
    EXPECT_TRUE(ref.Matches(f)) << ref.IndexOf(f);
    ++clean;
  }
  EXPECT_EQ(clean, 4u);
}

TEST(MpegDecoder, StreamsCutShortOrNotVideoDoNoHarm) {
  Bytes ts = ReadClip("mpeg2_interlaced.ts");
  ASSERT_FALSE(ts.empty());
  // Cut in the middle of a picture: what was whole comes out, nothing more.
  Bytes cut(ts.begin(), ts.begin() + ts.size() / 2 + 77);
  std::vector<VideoFrame> frames = Decode(cut);
  EXPECT_GT(frames.size(), 0u);
  EXPECT_LT(frames.size(), 10u);

  // Noise with start codes of every kind but the sequence header's: without a
  // sequence there is nothing to show.
  MpegVideoDecoder d;
  std::mt19937 rng(7);
  Bytes noise(200000);
  for (uint8_t& b : noise) b = uint8_t(rng());
  for (size_t i = 0; i + 4 < noise.size(); i += 997) {
    noise[i] = 0, noise[i + 1] = 0, noise[i + 2] = 1;
    if (noise[i + 3] == 0xB3) noise[i + 3] = 0xB2;
  }
  d.Push(noise.data(), noise.size());
  d.Flush();
  EXPECT_FALSE(d.Pop());

  // A transport stream without video.
  VideoPipeline p;
  Bytes empty(188 * 10, 0xff);
  for (size_t i = 0; i < empty.size(); i += 188) empty[i] = 0x47, empty[i + 1] = 0x1f, empty[i + 2] = 0xff;
  p.Push(empty.data(), empty.size());
  p.Flush();
  EXPECT_FALSE(p.has_video());
  EXPECT_FALSE(p.Pop());
}

// An intra field of flat macroblocks in slice rows `first`..`last` (field rows).
void IntraField(streams::BitWriter& w, int structure, int first, int last, int mb_width) {
  streams::PictureParams p;
  p.type = kPictureI;
  p.structure = structure;
  streams::WritePicture(w, p);
  for (int row = first; row <= last; ++row) {
    w.StartCode(static_cast<uint8_t>(row + 1));
    w.Put(8, 5);  // quantiser
    w.Put(0, 1);
    for (int x = 0; x < mb_width; ++x) {
      streams::WriteAddressIncrement(w, 1);
      streams::WriteMacroblockType(w, kPictureI, kMbIntra);
      for (int b = 0; b < 6; ++b) {
        streams::WriteDcDifferential(w, b >= 4, 0);
        streams::WriteEndOfBlock(w, false);
      }
    }
  }
}

TEST(MpegDecoder, ASizeChangeBetweenTwoFieldsNeverWritesOutsideTheFrame) {
  // 48 lines are 3 macroblock rows when progressive and 4 (two of each field)
  // when interlaced. A repeated sequence whose extension clears the
  // progressive flag between the two fields of a frame must not make the
  // second field's second row land below the first field's 48-line frame.
  streams::BitWriter w;
  streams::WriteSequence(w, streams::SequenceParams{48, 48, true});
  streams::WriteGroup(w, true);
  IntraField(w, 1, 0, 0, 3);
  streams::WriteSequence(w, streams::SequenceParams{48, 48, false});
  IntraField(w, 2, 0, 1, 3);
  streams::WriteSequenceEnd(w);
  const std::vector<uint8_t>& es = w.Bytes();
  MpegVideoDecoder d;
  d.Push(es.data(), es.size());
  d.Flush();
  int shown = 0;
  while (auto f = d.Pop()) {
    EXPECT_EQ(f->width, 48);
    EXPECT_EQ(f->height, 48);
    ++shown;
  }
  EXPECT_EQ(shown, 2);  // each field in a frame of its own size
  EXPECT_EQ(d.stats().damaged_slices, 0u);

  // The slice decoder itself refuses planes that are not its grid's size.
  std::vector<uint8_t> y(48 * 48), c(24 * 24);
  SequenceHeader seq;
  PictureHeader pic;
  SliceContext ctx;
  ctx.seq = &seq;
  ctx.pic = &pic;
  ctx.current.p[0] = Plane{y.data(), 48, 48, 48};
  ctx.current.p[1] = ctx.current.p[2] = Plane{c.data(), 24, 24, 24};
  ctx.mb_width = 3;
  ctx.mb_height = 3;
  EXPECT_TRUE(SliceGeometryValid(ctx));
  ctx.mb_height = 4;
  EXPECT_FALSE(SliceGeometryValid(ctx));
  ctx.mb_height = 3;
  std::vector<uint8_t> small(32 * 32);
  ctx.forward.p[0] = Plane{small.data(), 32, 32, 32};
  ctx.forward.p[1] = ctx.forward.p[2] = Plane{c.data(), 16, 16, 16};
  EXPECT_FALSE(SliceGeometryValid(ctx));
  uint8_t slice[] = {0x42, 0x00, 0x00};
  EXPECT_FALSE(DecodeSlice(ctx, 0, slice, sizeof slice));
}

TEST(MpegDecoder, SequenceTellsSizeRateAndAspect) {
  Bytes ts = ReadClip("mpeg2_pal.ts");
  VideoPipeline p;
  p.Push(ts.data(), ts.size());
  const SequenceHeader* seq = p.decoder().sequence();
  ASSERT_NE(seq, nullptr);
  EXPECT_EQ(seq->width, 720);
  EXPECT_EQ(seq->height, 576);
  EXPECT_TRUE(seq->mpeg2);
  EXPECT_DOUBLE_EQ(FrameRate(*seq), 25.0);
  SequenceHeader s = *seq;
  s.aspect_code = 3;
  EXPECT_DOUBLE_EQ(DisplayAspect(s), 16.0 / 9.0);
  s.aspect_code = 1;  // square samples
  EXPECT_DOUBLE_EQ(DisplayAspect(s), 1.25);
  s.mpeg2 = false;
  s.aspect_code = 8;  // MPEG-1: sample height 0.9157
  EXPECT_NEAR(DisplayAspect(s), 1.25 / 0.9157, 1e-9);
}

}  // namespace
}  // namespace strevo::engine
