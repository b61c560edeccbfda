// The decoder against a reference no one here wrote: clips made at build time
// (scripts/make-video-clips) by ffmpeg, by mpeg2enc (dual prime in frame
// pictures) and by tests/streams (field pictures, dual prime in field and
// frame pictures), decoded from their transport stream, compared frame by
// frame with ffmpeg's own decode.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/video_pipeline.h"

namespace strevo::engine {
namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

double Psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double se = 0;
  for (size_t i = 0; i < n; ++i) se += double(a[i] - b[i]) * (a[i] - b[i]);
  return se == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * n / se);
}

struct Clip {
  const char* name;
  int width, height;
};
void PrintTo(const Clip& c, std::ostream* os) { *os << c.name; }

class ReferenceClip : public ::testing::TestWithParam<Clip> {};

TEST_P(ReferenceClip, EveryFrameMatchesFfmpegsDecode) {
  const Clip& c = GetParam();
  std::string base = std::string(STREVO_VIDEO_CLIPS) + "/" + c.name;
  std::vector<uint8_t> ts = ReadFile(base + ".ts"), ref = ReadFile(base + ".yuv");
  ASSERT_FALSE(ts.empty()) << base;
  size_t frame_bytes = size_t(c.width) * c.height * 3 / 2;
  ASSERT_EQ(ref.size() % frame_bytes, 0u);
  size_t expected = ref.size() / frame_bytes;

  VideoPipeline p;
  std::vector<VideoFrame> frames;
  // Pieces of seven packets, as UDP brings them, but cut off the packet grid.
  for (size_t i = 0; i < ts.size(); i += 1000) {
    p.Push(ts.data() + i, std::min<size_t>(1000, ts.size() - i));
    while (auto f = p.Pop()) frames.push_back(std::move(*f));
  }
  p.Flush();
  while (auto f = p.Pop()) frames.push_back(std::move(*f));

  ASSERT_EQ(frames.size(), expected);
  EXPECT_EQ(p.decoder().stats().damaged_slices, 0u);
  for (size_t k = 0; k < frames.size(); ++k) {
    const VideoFrame& f = frames[k];
    ASSERT_EQ(f.width, c.width);
    ASSERT_EQ(f.height, c.height);
    const uint8_t* r = ref.data() + k * frame_bytes;
    size_t ys = size_t(c.width) * c.height, cs = ys / 4;
    EXPECT_GE(Psnr(f.y.data(), r, ys), 45.0) << "frame " << k << " Y";
    EXPECT_GE(Psnr(f.cb.data(), r + ys, cs), 45.0) << "frame " << k << " Cb";
    EXPECT_GE(Psnr(f.cr.data(), r + ys + cs, cs), 45.0) << "frame " << k << " Cr";
    // Display order: one frame period (25 fps) apart.
    ASSERT_TRUE(f.pts.has_value());
    if (k > 0) EXPECT_EQ(*f.pts - *frames[k - 1].pts, 3600) << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, ReferenceClip,
                         ::testing::Values(Clip{"mpeg1_cif", 352, 288}, Clip{"mpeg1_lowrate", 352, 288},
                                           Clip{"mpeg2_cif", 352, 288}, Clip{"mpeg2_pal", 720, 576},
                                           Clip{"mpeg2_interlaced", 720, 576}, Clip{"mpeg2_altscan", 720, 576},
                                           Clip{"mpeg2_dc10", 352, 288},
                                           Clip{"mpeg2enc_dualprime_tff", 720, 576},
                                           Clip{"mpeg2enc_dualprime_bff", 720, 576},
                                           Clip{"mpeg2_field_ipb", 352, 288},
                                           Clip{"mpeg2_field_dualprime", 352, 288},
                                           Clip{"mpeg2_frame_dualprime", 352, 288}),
                         [](const ::testing::TestParamInfo<Clip>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace strevo::engine
