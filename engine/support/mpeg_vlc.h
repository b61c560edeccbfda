// Variable-length codes of MPEG-1/MPEG-2 video, the scan orders and the default
// quantiser matrices. Each code table is decoded by one or two table look-ups.
#pragma once
#include <array>
#include <cstdint>

#include "support/mpeg_bits.h"

namespace strevo::engine {

// Macroblock type flags.
enum MbFlags : uint8_t {
  kMbQuant = 1,
  kMbForward = 2,
  kMbBackward = 4,
  kMbPattern = 8,
  kMbIntra = 16,
};

// Each returns -1 (or a negative value) for a code that is not in the table;
// the bits of an unknown code are not consumed.
int ReadAddressIncrement(BitReader& br);  // 1..33, 34 = escape (+33), 35 = stuffing
int ReadMacroblockType(BitReader& br, int picture_type);  // MbFlags
int ReadCodedBlockPattern(BitReader& br);  // 0..63
int ReadMotionCode(BitReader& br);  // -16..16; kBadCode when invalid
int ReadDualPrimeVector(BitReader& br);  // -1, 0, 1
int ReadDcSize(BitReader& br, bool chroma);  // 0..11

constexpr int kBadCode = -100;

// A run/level pair of the DCT coefficient tables.
struct RunLevel {
  int run;    // kRunEob, kRunEscape, or 0..63
  int level;  // with its sign
};
constexpr int kRunEob = 64;
constexpr int kRunEscape = 65;
constexpr int kRunBad = 66;
// `table_one`: the alternative intra table. `first`: the first coefficient of a
// non-intra block, where "1s" is run 0 level 1 and there is no end of block.
RunLevel ReadRunLevel(BitReader& br, bool table_one, bool first);

// Raster index of each scan position: [0] zig-zag, [1] alternate.
extern const uint8_t kScan[2][64];
// Default intra matrix in raster order (the non-intra default is 16 everywhere).
extern const std::array<uint8_t, 64> kDefaultIntraMatrix;
// Non-linear quantiser scale (q_scale_type 1), by code 0..31.
extern const uint8_t kNonLinearQuantScale[32];

// For the tests: each table's codes as (bit string, value) pairs, so a test can
// check they form a prefix code that the readers decode back.
struct CodeEntry {
  const char* bits;
  int value;
};
struct CodeTable {
  const CodeEntry* entries;
  int count;
};
enum class VlcTable { kAddress, kTypeI, kTypeP, kTypeB, kPattern, kMotion, kDcLuma, kDcChroma, kDctZero, kDctOne };
CodeTable CodesOf(VlcTable table);
// The DCT tables' values are run * 256 + level, EOB = -1, escape = -2.

}  // namespace strevo::engine
