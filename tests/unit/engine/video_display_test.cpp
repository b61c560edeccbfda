// Placing, cropping and colouring the picture, and the stream clock's pace.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "support/jpeg_encoder.h"
#include "support/video_display.h"
#include "support/video_pipeline.h"

namespace strevo::engine {
namespace {

VideoFrame Flat(int w, int h, uint8_t y, uint8_t cb, uint8_t cr, double aspect) {
  VideoFrame f;
  f.width = w, f.height = h, f.aspect = aspect;
  f.y.assign(size_t(w) * h, y);
  f.cb.assign(size_t((w + 1) / 2) * ((h + 1) / 2), cb);
  f.cr.assign(f.cb.size(), cr);
  return f;
}

TEST(PictureLayout, AspectSettingsFitThePictureIntoTheWindow) {
  VideoFrame f = Flat(720, 576, 16, 128, 128, 4.0 / 3.0);
  // The sequence's 4:3 in a 4:3 window fills it.
  EXPECT_EQ(LayOut(f, "", "", 400, 300).target, (PixelRect{0, 0, 400, 300}));
  // 16:9 in a 400 x 300 area: 400 x 225 at (0, 38).
  EXPECT_EQ(LayOut(f, "16:9", "", 400, 300).target, (PixelRect{0, 38, 400, 225}));
  // A tall window: bars above and below; a wide one: at the sides.
  EXPECT_EQ(LayOut(f, "1:1", "", 500, 300).target, (PixelRect{100, 0, 300, 300}));
  EXPECT_EQ(LayOut(f, "221:100", "", 442, 442).target, (PixelRect{0, 121, 442, 200}));
  // Settings that do not parse keep the sequence's aspect.
  for (const char* bad : {"None", "0:0", "16:", "x", "-4:3", "4:0"})
    EXPECT_EQ(LayOut(f, bad, "", 400, 300).target, (PixelRect{0, 0, 400, 300})) << bad;
}

TEST(PictureLayout, CropKeepsPartOfTheFrameAtItsSampleShape) {
  EXPECT_EQ(CropRect("704x560+8+8", 720, 576), (PixelRect{8, 8, 704, 560}));
  EXPECT_EQ(CropRect("704x560", 720, 576), (PixelRect{0, 0, 704, 560}));
  EXPECT_EQ(CropRect("800x600+100+50", 720, 576), (PixelRect{100, 50, 620, 526}));  // clipped
  EXPECT_EQ(CropRect("16:9", 720, 576), (PixelRect{0, 85, 720, 405}));
  for (const char* whole : {"", "0x0", "10x10+720+0", "axb", "10x10+5", "10x-3"})
    EXPECT_EQ(CropRect(whole, 720, 576), (PixelRect{0, 0, 720, 576})) << whole;
  // Half the width kept: the picture is half as wide in the window.
  VideoFrame f = Flat(720, 576, 16, 128, 128, 4.0 / 3.0);
  PictureLayout l = LayOut(f, "", "360x576+180+0", 400, 300);
  EXPECT_EQ(l.source, (PixelRect{180, 0, 360, 576}));
  EXPECT_EQ(l.target, (PixelRect{100, 0, 200, 300}));
}

TEST(PictureLayout, ColoursConvertFromStudioRange) {
  auto rgb = ConvertToRgb(Flat(4, 2, 235, 128, 128, 2));
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[1], 255);
  EXPECT_EQ(rgb[2], 255);
  rgb = ConvertToRgb(Flat(4, 2, 16, 128, 128, 2));
  EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 0);
  // Pure red of BT.601: Y 81, Cb 90, Cr 240.
  rgb = ConvertToRgb(Flat(2, 2, 81, 90, 240, 1));
  EXPECT_GE(rgb[0], 253);
  EXPECT_LE(rgb[1], 2);
  EXPECT_LE(rgb[2], 2);
  // Cropping takes the right samples: left half dark, right half light.
  VideoFrame f = Flat(4, 2, 16, 128, 128, 2);
  f.y[2] = f.y[3] = f.y[6] = f.y[7] = 235;
  std::vector<uint8_t> out;
  ConvertToBgrx(f, PixelRect{2, 0, 2, 2}, out);
  ASSERT_EQ(out.size(), 16u);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[12], 255);
}

TEST(StreamClock, FramesAreDueByTheirTimeAgainstThePcr) {
  StreamClock c;
  c.Pcr(27000 * 10000, 500);           // stream 10 s at local 0.5 s
  EXPECT_EQ(c.Due(90 * 10400, 520), 900);  // 400 ms later in the stream
  c.Pcr(27000 * 10100, 630);           // 30 ms of jitter: no change
  EXPECT_EQ(c.Due(90 * 10400, 640), 900);
  c.Pcr(27000 * 50000, 700);  // a jump of the stream clock: taken again
  EXPECT_EQ(c.Due(90 * 50040, 710), 740);
  // Without a PCR the first frame is due after the delay; then by its time.
  StreamClock d;
  EXPECT_EQ(d.Due(90 * 100000, 100, 200), 300);
  EXPECT_EQ(d.Due(90 * 100040, 110, 200), 340);
  // Far off the clock (a loop back to the start): due after the delay again.
  EXPECT_EQ(d.Due(0, 400, 200), 600);
}

}  // namespace
}  // namespace strevo::engine

namespace strevo::engine {
namespace {

std::string Capture(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// A snapshot is the frame converted and encoded: read back by ffmpeg it must
// resemble ffmpeg's own decode of that frame in RGB.
TEST(Snapshot, TheJpegOfAFrameResemblesTheReferenceFrame) {
  std::string clip = std::string(STREVO_VIDEO_CLIPS) + "/mpeg2_interlaced.ts";
  std::ifstream in(clip, std::ios::binary);
  std::vector<uint8_t> ts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(ts.empty());
  VideoPipeline p;
  p.Push(ts.data(), ts.size());
  p.Flush();
  std::vector<VideoFrame> frames;
  while (auto f = p.Pop()) frames.push_back(std::move(*f));
  ASSERT_GE(frames.size(), 5u);
  const VideoFrame& f = frames[4];
  std::vector<uint8_t> rgb = ConvertToRgb(f);
  std::vector<uint8_t> jpg = EncodeJpeg(rgb.data(), f.width, f.height, f.width * 3, 90);
  std::string path = ::testing::TempDir() + "strevo_snapshot_test.jpg";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(jpg.data()), std::streamsize(jpg.size()));
  }
  std::string back = Capture("ffmpeg -nostdin -v error -i '" + path + "' -f rawvideo -pix_fmt rgb24 -");
  std::string ref = Capture("ffmpeg -nostdin -v error -i '" + clip +
                            "' -vf 'select=eq(n\\,4)' -fps_mode passthrough -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
  std::remove(path.c_str());
  size_t n = size_t(f.width) * f.height * 3;
  ASSERT_EQ(back.size(), n);
  ASSERT_EQ(ref.size(), n);
  double se = 0;
  for (size_t i = 0; i < n; ++i) se += double(uint8_t(back[i]) - uint8_t(ref[i])) * (uint8_t(back[i]) - uint8_t(ref[i]));
  double psnr = 10 * std::log10(255.0 * 255.0 * n / se);
  EXPECT_GE(psnr, 30.0);
}

}  // namespace
}  // namespace strevo::engine
