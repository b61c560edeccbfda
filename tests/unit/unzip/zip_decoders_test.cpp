// Hand-made streams for each decoder: edge cases the shared archives do not
// pin down (empty and one-byte entries, window wrap, partial clears, every
// reduce factor, every implode variant) and malformed input.

#include <gtest/gtest.h>

#include <random>

#include "unzip/crc32.h"
#include "unzip/decoders.h"
#include "unzip/xz.h"
#include "zip_test_support.h"

namespace strevo::ziptest {
namespace {

Bytes Text(size_t n, uint32_t seed = 1) {
  static const char* words[] = {"news ", "sport ", "film ", "kids ", "music ", "weather ", "live ", "\n"};
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < n) {
    const char* w = words[rng() % 8];
    while (*w && out.size() < n) out.push_back(static_cast<uint8_t>(*w++));
  }
  return out;
}

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

TEST(ZipCrc32, KnownValuesAndPiecewiseUpdate) {
  EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32("", 0), 0u);
  const Bytes data = Random(10007, 3);
  uint32_t crc = 0;
  // Odd piece sizes and misaligned starts take every path of the sliced loop.
  for (size_t i = 0, step = 1; i < data.size(); i += step, step = step * 3 % 61 + 1)
    crc = Crc32Update(crc, data.data() + i, std::min(step, data.size() - i));
  uint32_t bitwise = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    bitwise ^= b;
    for (int k = 0; k < 8; ++k) bitwise = (bitwise >> 1) ^ (0xEDB88320u & (0u - (bitwise & 1)));
  }
  EXPECT_EQ(crc, ~bitwise);
}

// ---- stored ------------------------------------------------------------------

TEST(ZipStored, CopiesExactlyTheDeclaredSize) {
  Bytes out;
  EXPECT_EQ(Decode(0, 0, {}, 0, true, &out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Decode(0, 0, {'x'}, 1, true, &out), 0);
  EXPECT_EQ(out, Bytes{'x'});
  const Bytes big = Random(100000, 5);
  VectorSource src(big);
  VectorSink sink;
  DecodeParams p;
  p.in = &src;
  p.out = &sink;
  p.size = big.size();
  p.size_known = true;
  ASSERT_EQ(DecodeStored(p), 0);
  EXPECT_EQ(sink.data, big);
  EXPECT_LE(sink.largest_write, 32768u);
  // More data than declared, or less: corrupt.
  EXPECT_EQ(Decode(0, 0, {'a', 'b'}, 1, true, &out), -4);
  EXPECT_EQ(Decode(0, 0, {'a'}, 2, true, &out), -4);
  EXPECT_EQ(Decode(0, 0, {'a'}, 0, false, &out), -4);
}

// ---- deflate -------------------------------------------------------------------

TEST(ZipInflate, EmptySingleByteAndStoredBlocks) {
  Bytes out;
  EXPECT_EQ(Decode(8, 0, DeflateStoredBlocks({}), 0, true, &out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Decode(8, 0, DeflateFixed({}), 0, true, &out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Decode(8, 0, DeflateFixed({'Q'}), 1, true, &out), 0);
  EXPECT_EQ(out, Bytes{'Q'});
  const Bytes data = Random(150000, 7);  // three stored blocks
  EXPECT_EQ(Decode(8, 0, DeflateStoredBlocks(data), data.size(), true, &out), 0);
  EXPECT_EQ(out, data);
}

TEST(ZipInflate, MatchesAcrossTheWindowWrap) {
  // A random block repeated with a 32768-byte period, so matches use the
  // largest distance across every window slide, then short-period runs
  // (overlapping copies) and text.
  Bytes block = Random(32768, 11);
  Bytes data = block;
  data.insert(data.end(), block.begin(), block.end());
  data.insert(data.end(), block.begin(), block.end());
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<uint8_t>("ab"[i % 2]));
  const Bytes text = Text(90000, 2);
  data.insert(data.end(), text.begin(), text.end());
  data.insert(data.end(), 5000, 'z');
  const Bytes packed = DeflateFixed(data);
  ASSERT_LT(packed.size(), data.size() / 2);  // the matches really are there
  Bytes out;
  ASSERT_EQ(Decode(8, 0, packed, data.size(), true, &out), 0);
  EXPECT_EQ(out, data);
  // Byte-at-a-time input gives the same result (block borders everywhere).
  VectorSource src(packed, 1);
  VectorSink sink;
  DecodeParams p;
  p.in = &src;
  p.out = &sink;
  p.size = data.size();
  p.size_known = true;
  ASSERT_EQ(DecodeDeflated(p), 0);
  EXPECT_EQ(sink.data, data);
  EXPECT_LE(sink.largest_write, 32768u);
  EXPECT_EQ(p.consumed, packed.size());
}

TEST(ZipInflate, DynamicBlockWithRepeatCodesAndSingleDistanceCode) {
  const Bytes data = Random(5000, 13);
  Bytes out;
  ASSERT_EQ(Decode(8, 0, DeflateDynamicLiterals(data), data.size(), true, &out), 0);
  EXPECT_EQ(out, data);
}

TEST(ZipInflate, SeveralBlocksAndSizeUnknown) {
  const Bytes a = Text(1000, 4), b = Random(700, 9);
  // A non-final stored block followed by a final fixed block.
  Bytes first = DeflateStoredBlocks(b);
  first[0] &= 0xFE;  // clear BFINAL of the only stored block
  Bytes second = DeflateFixed(a);
  Bytes stream = first;
  stream.insert(stream.end(), second.begin(), second.end());
  Bytes out;
  ASSERT_EQ(Decode(8, 0, stream, 0, false, &out), 0);
  Bytes expect = b;
  expect.insert(expect.end(), a.begin(), a.end());
  EXPECT_EQ(out, expect);
}

TEST(ZipInflate, RejectsCorruptStreams) {
  Bytes out;
  // Block type 3.
  EXPECT_EQ(Decode(8, 0, {0x07}, 0, false, &out), -4);
  // Stored block whose NLEN is not the complement of LEN.
  EXPECT_EQ(Decode(8, 0, {0x01, 0x05, 0x00, 0x00, 0x00, 'a'}, 0, false, &out), -4);
  // Distance reaching before the start: fixed block, literal 'a', then
  // length 3 at distance 2.
  BitWriter w;
  w.Put(1, 1);
  w.Put(1, 2);
  w.PutMsbFirst(0x30 + 'a', 8);
  w.PutMsbFirst(1, 7);  // symbol 257: length 3
  w.PutMsbFirst(1, 5);  // distance code 1: distance 2
  w.PutMsbFirst(0, 7);
  EXPECT_EQ(Decode(8, 0, w.Finish(), 0, false, &out), -4);
  // Truncated: the end-of-block code never arrives.
  Bytes good = DeflateFixed(Text(5000, 8));
  good.resize(good.size() / 2);
  EXPECT_EQ(Decode(8, 0, good, 5000, true, &out), -4);
  // Over-subscribed code lengths in a dynamic header: every code length
  // code 1 bit long.
  BitWriter d;
  d.Put(1, 1);
  d.Put(2, 2);
  d.Put(0, 5);
  d.Put(0, 5);
  d.Put(15, 4);
  for (int i = 0; i < 19; ++i) d.Put(1, 3);
  EXPECT_EQ(Decode(8, 0, d.Finish(), 0, false, &out), -4);
}

TEST(ZipInflate, NeverDeliversMoreThanTheDeclaredSize) {
  const Bytes data(1 << 20, 'A');  // 1 MB of one byte: a tiny stream
  const Bytes packed = DeflateFixed(data);
  ASSERT_LT(packed.size(), 20000u);
  VectorSource src(packed);
  VectorSink sink;
  DecodeParams p;
  p.in = &src;
  p.out = &sink;
  p.size = 1000;
  p.size_known = true;
  EXPECT_EQ(DecodeDeflated(p), -4);
  EXPECT_LE(sink.data.size(), 1000u);
  // Declared bigger than the stream: also corrupt.
  Bytes out;
  EXPECT_EQ(Decode(8, 0, packed, data.size() + 1, true, &out), -4);
}

// ---- shrink ---------------------------------------------------------------------

TEST(ZipUnshrink, EmptySingleByteAndTheCodeNotYetInTheTable) {
  Bytes out;
  EXPECT_EQ(Decode(1, 0, {}, 0, true, &out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Decode(1, 0, Shrink({'k'}), 1, true, &out), 0);
  EXPECT_EQ(out, Bytes{'k'});
  // "aaa" as codes 'a', 257: 257 is the code about to be added ("aa").
  BitWriter w;
  w.Put('a', 9);
  w.Put(257, 9);
  EXPECT_EQ(Decode(1, 0, w.Finish(), 3, true, &out), 0);
  EXPECT_EQ(ToString(out), "aaa");
}

TEST(ZipUnshrink, PartialClearsAndThirteenBitCodes) {
  // Random bytes fill the table quickly: widths up to 13 bits.
  Bytes data = Random(60000, 21);
  const Bytes text = Text(60000, 22);
  data.insert(data.end(), text.begin(), text.end());
  // Frequent clears keep the table small; rare ones let it grow to 13 bits.
  for (auto [clear_every, width] : {std::pair{0u, 13u}, {700u, 12u}, {5000u, 13u}}) {
    Bytes out;
    ShrinkStats stats;
    const Bytes packed = Shrink(data, clear_every, &stats);
    EXPECT_EQ(stats.max_width, width) << clear_every;
    if (clear_every) EXPECT_GE(stats.clears, 3u);
    ASSERT_EQ(Decode(1, 0, packed, data.size(), true, &out), 0) << clear_every;
    EXPECT_EQ(out, data) << clear_every;
  }
}

TEST(ZipUnshrink, RejectsBadCodes) {
  Bytes out;
  BitWriter w;  // a code far beyond the table
  w.Put('a', 9);
  w.Put(400, 9);
  EXPECT_EQ(Decode(1, 0, w.Finish(), 5, true, &out), -4);
  BitWriter bad_command;
  bad_command.Put('a', 9);
  bad_command.Put(256, 9);
  bad_command.Put(7, 9);
  EXPECT_EQ(Decode(1, 0, bad_command.Finish(), 5, true, &out), -4);
  BitWriter too_wide;  // widening past 13 bits
  too_wide.Put('a', 9);
  for (unsigned width = 9; width <= 13; ++width) {
    too_wide.Put(256, width);
    too_wide.Put(1, width);
  }
  EXPECT_EQ(Decode(1, 0, too_wide.Finish(), 5, true, &out), -4);
  // Input ends before the declared size.
  EXPECT_EQ(Decode(1, 0, Shrink(ToBytes("hello")), 50, true, &out), -4);
}

// ---- reduce ----------------------------------------------------------------------

std::vector<ReduceToken> ReduceSample(int factor) {
  const uint32_t max_dist = 256u << factor;
  const uint32_t max_len = ((1u << (8 - factor)) - 1) + 255 + 3;
  std::vector<ReduceToken> t;
  // A match at once: reaches before the start (zeros).
  t.push_back({true, 0, 5, 300});
  for (uint8_t c : std::string("Channel 144: \x90 DLE")) t.push_back({false, c, 0, 0});
  for (int i = 0; i < 1000; ++i) t.push_back({false, static_cast<uint8_t>(i * 7 + (i >> 3)), 0, 0});
  t.push_back({true, 0, max_len, 17});        // longest match (extra length byte)
  t.push_back({true, 0, 4, max_dist});        // farthest match
  t.push_back({true, 0, 3, 257});             // shortest length with a high distance part
  t.push_back({true, 0, max_len - 1, 1});     // overlapping run
  t.push_back({false, 144, 0, 0});
  return t;
}

TEST(ZipUnreduce, EveryFactorWithAndWithoutFollowerSets) {
  for (int factor = 1; factor <= 4; ++factor) {
    const auto tokens = ReduceSample(factor);
    const Bytes expect = Unreduced(tokens);
    Bytes out;
    ASSERT_EQ(Decode(static_cast<uint16_t>(1 + factor), 0, Reduce(tokens, factor), expect.size(), true, &out), 0)
        << factor;
    EXPECT_EQ(out, expect) << factor;
    // Follower sets: a one-member set (still a 1-bit index), a full 32-member
    // set and sets that miss the next byte (escape to 8 bits).
    std::vector<std::vector<uint8_t>> sets(256);
    sets['C'] = {'h'};
    sets[144] = {0, 1, 2};
    for (int i = 0; i < 32; ++i) sets['h'].push_back(static_cast<uint8_t>('a' + i));
    for (int j = 0; j < 256; j += 5)
      if (sets[j].empty()) sets[j] = {static_cast<uint8_t>(j + 1), static_cast<uint8_t>(j * 3)};
    ASSERT_EQ(Decode(static_cast<uint16_t>(1 + factor), 0, Reduce(tokens, factor, sets), expect.size(), true, &out), 0)
        << factor;
    EXPECT_EQ(out, expect) << factor;
  }
}

TEST(ZipUnreduce, EmptyOneByteAndStopsAtTheDeclaredSize) {
  Bytes out;
  EXPECT_EQ(Decode(5, 0, Reduce({}, 4), 0, true, &out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Decode(2, 0, Reduce({{false, 'r', 0, 0}}, 1), 1, true, &out), 0);
  EXPECT_EQ(out, Bytes{'r'});
  // A match running past the declared size is cut there.
  const std::vector<ReduceToken> t = {{false, 'x', 0, 0}, {true, 0, 100, 1}};
  EXPECT_EQ(Decode(3, 0, Reduce(t, 2), 10, true, &out), 0);
  EXPECT_EQ(ToString(out), std::string(10, 'x'));
}

TEST(ZipUnreduce, RejectsBadFollowerData) {
  Bytes out;
  BitWriter big_set;  // a follower set of 40 members
  big_set.Put(40, 6);
  EXPECT_EQ(Decode(2, 0, big_set.Finish(), 1, true, &out), -4);
  // An index past the end of a 3-member set (2-bit index 3).
  BitWriter w;
  for (int j = 255; j >= 0; --j) {
    if (j == 0) {
      w.Put(3, 6);
      w.Put('a', 8);
      w.Put('b', 8);
      w.Put('c', 8);
    } else {
      w.Put(0, 6);
    }
  }
  w.Put(0, 1);
  w.Put(3, 2);
  EXPECT_EQ(Decode(2, 0, w.Finish(), 1, true, &out), -4);
  EXPECT_EQ(Decode(2, 0, Reduce({{false, 'a', 0, 0}}, 1), 20, true, &out), -4);  // input ends
}

// ---- implode ----------------------------------------------------------------------

TEST(ZipExplode, CodeAssignmentMatchesTheWorkedExample) {
  const uint8_t lengths[8] = {3, 3, 3, 3, 3, 2, 4, 4};
  uint16_t codes[8];
  ASSERT_TRUE(ImplodeAssignCodes(lengths, 8, codes));
  EXPECT_EQ(codes[5], 0b11);
  EXPECT_EQ(codes[7], 0b0000);
  EXPECT_EQ(codes[6], 0b0001);
  EXPECT_EQ(codes[0], 0b101);
  EXPECT_EQ(codes[4], 0b001);
  const uint8_t overfull[3] = {1, 1, 1};
  EXPECT_FALSE(ImplodeAssignCodes(overfull, 3, codes));
}

std::vector<ImplodeToken> ImplodeSample(uint16_t flags) {
  const uint32_t max_dist = (flags & 2) ? 8192 : 4096;
  const uint32_t min_match = (flags & 4) ? 3 : 2;
  std::vector<ImplodeToken> t;
  t.push_back({true, 0, 4, 100});  // before the start: zeros
  for (int i = 0; i < 9000; ++i) t.push_back({false, static_cast<uint8_t>((i * 31) ^ (i >> 5)), 0, 0});
  t.push_back({true, 0, min_match, max_dist});          // farthest, shortest
  t.push_back({true, 0, min_match + 62, 1});            // longest without the extra byte
  t.push_back({true, 0, min_match + 63 + 255, 3000});  // symbol 63 + extra byte 255
  t.push_back({true, 0, min_match + 63, 65});           // symbol 63 + extra byte 0
  t.push_back({false, 0, 0, 0});
  return t;
}

TEST(ZipExplode, AllFourWindowAndTreeCombinations) {
  for (uint16_t flags : {0, 2, 4, 6}) {
    const auto tokens = ImplodeSample(flags);
    const Bytes expect = Exploded(tokens);
    Bytes out;
    ASSERT_EQ(Decode(6, flags, Implode(tokens, flags), expect.size(), true, &out), 0) << flags;
    EXPECT_EQ(out, expect) << flags;
    // The same stream read with the other window size does not give the same data.
    Bytes wrong;
    Decode(6, flags ^ 2, Implode(tokens, flags), expect.size(), true, &wrong);
    EXPECT_NE(wrong, expect) << flags;
  }
}

TEST(ZipExplode, EmptyOneByteAndBadTrees) {
  Bytes out;
  EXPECT_EQ(Decode(6, 4, Implode({}, 4), 0, true, &out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Decode(6, 0, Implode({{false, 'i', 0, 0}}, 0), 1, true, &out), 0);
  EXPECT_EQ(out, Bytes{'i'});
  // A length tree that describes 65 symbols.
  BitWriter w;
  w.Put(4, 8);
  for (int i = 0; i < 4; ++i) w.Put(0xF5, 8);
  w.Put(0x05, 8);
  EXPECT_EQ(Decode(6, 0, w.Finish(), 1, true, &out), -4);
  // An over-full tree: 64 symbols of length 1.
  BitWriter o;
  o.Put(3, 8);
  for (int i = 0; i < 4; ++i) o.Put(0xF0, 8);
  EXPECT_EQ(Decode(6, 0, o.Finish(), 1, true, &out), -4);
  // Data ends before the declared size.
  EXPECT_EQ(Decode(6, 0, Implode({{false, 'i', 0, 0}}, 0), 100, true, &out), -4);
}

// ---- xz (LZMA2) -----------------------------------------------------------------
// Files made by the xz tool itself, so that the decoder is held to what
// providers' files really are, not to our reading of the format.

// Text with long matches, and random bytes that LZMA2 keeps as stored chunks.
Bytes GuideLikeData() {
  Bytes data = Text(400000, 9);
  const Bytes noise = Random(70000, 11);
  data.insert(data.begin() + 150000, noise.begin(), noise.end());
  return data;
}

TEST(Unxz, FilesOfTheXzToolAtSeveralPresetsChecksAndBlockSizes) {
  const Bytes data = GuideLikeData();
  const std::string expected = ToString(data);
  for (const char* options : {"-0 --check=crc64", "-6 --check=crc32", "-9e --check=none",
                              "-3 --check=crc64 --block-size=60000",  // several blocks
                              "--check=crc32 --lzma2=preset=6,lc=0,lp=2,pb=0,dict=64KiB",
                              "-1 --check=crc64 --lzma2=preset=1,lc=4,pb=4,nice=273"}) {
    SCOPED_TRACE(options);
    const std::string packed = XzTool(data, options);
    std::string out;
    ASSERT_EQ(Unxz(packed, data.size(), out), UnxzStatus::Ok);
    EXPECT_TRUE(out == expected);
    // One byte short of room: refused, and never more than the room.
    EXPECT_EQ(Unxz(packed, data.size() - 1, out), UnxzStatus::TooLarge);
    EXPECT_LE(out.size(), data.size() - 1);
  }
  // Empty input; two streams with padding between them, as cat makes them.
  std::string out;
  EXPECT_EQ(Unxz(XzTool({}, "--check=crc32"), 100, out), UnxzStatus::Ok);
  EXPECT_TRUE(out.empty());
  const Bytes first = Text(5000, 2), second = Random(3000, 4);
  const std::string two = XzTool(first, "-6") + std::string(4, '\0') + XzTool(second, "--check=none");
  ASSERT_EQ(Unxz(two, 1 << 20, out), UnxzStatus::Ok);
  EXPECT_TRUE(out == ToString(first) + ToString(second));
  // Padding that is not a multiple of four, or anything else after a stream.
  EXPECT_EQ(Unxz(XzTool(first, "-6") + std::string(3, '\0'), 1 << 20, out), UnxzStatus::Corrupt);
  EXPECT_EQ(Unxz(XzTool(first, "-6") + "junk", 1 << 20, out), UnxzStatus::Corrupt);
  // What this program does not compute or undo is refused, not guessed at.
  EXPECT_EQ(Unxz(XzTool(first, "--check=sha256"), 1 << 20, out), UnxzStatus::Unsupported);
  EXPECT_EQ(Unxz(XzTool(first, "--x86 --lzma2"), 1 << 20, out), UnxzStatus::Unsupported);
  EXPECT_EQ(Unxz(ToString(first), 1 << 20, out), UnxzStatus::NotXz);
}

TEST(Unxz, TruncatedOrDamagedFilesAreRefused) {
  const Bytes data = GuideLikeData();
  for (const char* options : {"-6 --check=crc64", "-2 --check=crc32 --block-size=100000"}) {
    SCOPED_TRACE(options);
    const std::string packed = XzTool(data, options);
    std::string out;
    // Cut anywhere: headers, inside a chunk, in the check, the index, the footer.
    for (size_t keep = 0; keep < packed.size(); keep += keep < 64 || packed.size() - keep < 64 ? 1 : 997) {
      ASSERT_NE(Unxz(packed.substr(0, keep), data.size(), out), UnxzStatus::Ok) << "cut to " << keep;
      ASSERT_LE(out.size(), data.size());
    }
    // Any one byte changed: caught by the structure, a header's CRC-32 or the
    // check of the data (a flip the LZMA2 data survives yields other bytes).
    for (size_t at = 0; at < packed.size(); at += at < 64 || packed.size() - at < 64 ? 1 : 499) {
      std::string damaged = packed;
      damaged[at] = static_cast<char>(damaged[at] ^ (1 << (at % 8)));
      ASSERT_NE(Unxz(damaged, data.size(), out), UnxzStatus::Ok) << "byte " << at;
      ASSERT_LE(out.size(), data.size());
    }
  }
}

}  // namespace
}  // namespace strevo::ziptest
