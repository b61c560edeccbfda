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
