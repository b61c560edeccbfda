#include "support/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace strevo::engine {
namespace {

TEST(JpegParts, DctOfAFlatBlockIsItsDcOnly) {
  float in[64], out[64];
  for (float& v : in) v = 10.0f;
  ForwardDct8x8(in, out);
  EXPECT_NEAR(out[0], 80.0f, 1e-3);  // 8 * mean for the orthonormal transform
  for (int i = 1; i < 64; ++i) EXPECT_NEAR(out[i], 0.0f, 1e-3) << i;
}

TEST(JpegParts, DctKeepsEnergyOfAnyBlock) {
  float in[64], out[64];
  double e1 = 0, e2 = 0;
  for (int i = 0; i < 64; ++i) {
    in[i] = static_cast<float>((i * 37) % 255 - 128);
    e1 += in[i] * in[i];
  }
  ForwardDct8x8(in, out);
  for (float v : out) e2 += v * v;
  EXPECT_NEAR(e1, e2, e1 * 1e-4);
}

TEST(JpegParts, ZigZagIsAPermutationAndTablesScale) {
  bool seen[64] = {};
  for (uint8_t i : kZigZag) seen[i] = true;
  for (bool s : seen) EXPECT_TRUE(s);
  EXPECT_EQ(kZigZag[2], 8);
  EXPECT_EQ(ScaledQuantTable(kLumaQuant, 50), kLumaQuant);
  EXPECT_EQ(ScaledQuantTable(kLumaQuant, 100)[63], 1);
  EXPECT_EQ(ScaledQuantTable(kLumaQuant, 1)[0], 255);
  EXPECT_EQ(MagnitudeCategory(0), 0);
  EXPECT_EQ(MagnitudeCategory(-1), 1);
  EXPECT_EQ(MagnitudeCategory(255), 8);
  EXPECT_EQ(MagnitudeCategory(-1024), 11);
}

TEST(JpegParts, CanonicalHuffmanCodes) {
  // Lengths 2,2,3: codes 00, 01, 100.
  const uint8_t counts[16] = {0, 2, 1};
  const uint8_t symbols[] = {7, 9, 4};
  auto c = BuildHuffmanCodes(counts, symbols);
  EXPECT_EQ(c[7].code, 0);
  EXPECT_EQ(c[7].length, 2);
  EXPECT_EQ(c[9].code, 1);
  EXPECT_EQ(c[4].code, 4);
  EXPECT_EQ(c[4].length, 3);
  EXPECT_EQ(c[5].length, 0);
}

// The encoder's output decoded by an independent decoder (ImageMagick) must
// give back the picture within the loss of quality 90.
TEST(JpegEncoder, DecodesBackToThePicture) {
  const int w = 37, h = 21;  // partial blocks on both edges
  std::vector<uint8_t> rgb(w * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(y * w + x) * 3];
      p[0] = static_cast<uint8_t>(x * 6);
      p[1] = static_cast<uint8_t>(y * 10);
      p[2] = x < w / 2 ? 40 : 200;
    }
  auto jpg = EncodeJpeg(rgb.data(), w, h, w * 3, 90);
  ASSERT_GT(jpg.size(), 600u);
  EXPECT_EQ(jpg[0], 0xff);
  EXPECT_EQ(jpg[1], 0xd8);
  EXPECT_EQ(jpg[jpg.size() - 2], 0xff);
  EXPECT_EQ(jpg.back(), 0xd9);
  EXPECT_TRUE(EncodeJpeg(rgb.data(), 0, h, 0, 90).empty());

  if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick convert is not installed";
  std::string base = testing::TempDir() + "strevo_jpeg_test";
  {
    std::ofstream f(base + ".jpg", std::ios::binary);
    f.write(reinterpret_cast<const char*>(jpg.data()), static_cast<std::streamsize>(jpg.size()));
  }
  ASSERT_EQ(std::system(("convert " + base + ".jpg -depth 8 rgb:" + base + ".rgb").c_str()), 0);
  std::ifstream in(base + ".rgb", std::ios::binary);
  std::vector<uint8_t> back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(back.size(), rgb.size());
  double err = 0;
  for (size_t i = 0; i < rgb.size(); ++i) err += std::abs(int(back[i]) - int(rgb[i]));
  EXPECT_LT(err / rgb.size(), 6.0);
  std::remove((base + ".jpg").c_str());
  std::remove((base + ".rgb").c_str());
}

}  // namespace
}  // namespace strevo::engine
