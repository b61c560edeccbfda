// Colours as the system stores them (0x00BBGGRR) and the one way the program
// mixes two of them.
#pragma once
#include <cstdint>

namespace strevo {

using Rgb = uint32_t;

constexpr Rgb MakeRgb(int r, int g, int b) {
  return static_cast<Rgb>(r & 0xFF) | static_cast<Rgb>(g & 0xFF) << 8 | static_cast<Rgb>(b & 0xFF) << 16;
}
constexpr int RedOf(Rgb c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Rgb c) { return static_cast<int>(c >> 8 & 0xFF); }
constexpr int BlueOf(Rgb c) { return static_cast<int>(c >> 16 & 0xFF); }

// Each channel of both halved (the lowest bit dropped), then added: white and
// black give 127, 127, 127.
constexpr Rgb MixRgb(Rgb a, Rgb b) {
  return MakeRgb((RedOf(a) >> 1) + (RedOf(b) >> 1), (GreenOf(a) >> 1) + (GreenOf(b) >> 1),
                 (BlueOf(a) >> 1) + (BlueOf(b) >> 1));
}

inline constexpr Rgb kWhite = MakeRgb(255, 255, 255);
inline constexpr Rgb kBlack = MakeRgb(0, 0, 0);

}  // namespace strevo
