#include "support/ts_clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace strevo::engine {
namespace {

// One packet of PID `pid`, with a PCR when pcr >= 0.
void AddPacket(std::vector<uint8_t>& ts, uint16_t pid, int64_t pcr) {
  size_t at = ts.size();
  ts.resize(at + kTsPacketSize, 0xff);
  uint8_t* p = &ts[at];
  p[0] = 0x47;
  p[1] = static_cast<uint8_t>(pid >> 8);
  p[2] = static_cast<uint8_t>(pid);
  if (pcr < 0) {
    p[3] = 0x10;
    return;
  }
  p[3] = 0x30;
  p[4] = 7;
  p[5] = 0x10;
  uint64_t base = static_cast<uint64_t>(pcr) / 300, ext = static_cast<uint64_t>(pcr) % 300;
  p[6] = static_cast<uint8_t>(base >> 25);
  p[7] = static_cast<uint8_t>(base >> 17);
  p[8] = static_cast<uint8_t>(base >> 9);
  p[9] = static_cast<uint8_t>(base >> 1);
  p[10] = static_cast<uint8_t>(((base & 1) << 7) | 0x7e | (ext >> 8));
  p[11] = static_cast<uint8_t>(ext);
}

TEST(TsClock, SyncIsFoundAfterLeadingBytesAndOnlyInTransportStreams) {
  std::vector<uint8_t> ts = {1, 2, 3};
  for (int i = 0; i < 4; ++i) AddPacket(ts, 0x100, -1);
  EXPECT_EQ(FindTsSync(ts.data(), ts.size()), 3u);
  std::vector<uint8_t> text(2000, 'a');
  text[0] = 0x47;  // one sync byte alone is no stream
  EXPECT_FALSE(FindTsSync(text.data(), text.size()));
  EXPECT_FALSE(FindTsSync(ts.data(), 100));
}

TEST(TsClock, FirstAndLastPcrOfTheClockPidWithExtension) {
  std::vector<uint8_t> ts;
  AddPacket(ts, 0x000, -1);
  AddPacket(ts, 0x100, 27000000LL * 10 + 299);  // 10 s plus the largest extension
  AddPacket(ts, 0x200, 27000000LL * 99);        // another programme's clock
  AddPacket(ts, 0x100, 27000000LL * 70 + 5);
  AddPacket(ts, 0x100, -1);
  auto first = FirstPcr(ts.data(), ts.size(), 0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->pid, 0x100);
  EXPECT_EQ(first->pcr, 27000000ULL * 10 + 299);
  EXPECT_EQ(first->offset, kTsPacketSize);
  auto last = LastPcr(ts.data(), ts.size(), 0, first->pid);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->pcr, 27000000ULL * 70 + 5);
  EXPECT_EQ(PcrDistance(first->pcr, last->pcr) / kPcrHz, 59u);
  auto anyLast = LastPcr(ts.data(), ts.size(), 0);
  EXPECT_EQ(anyLast->offset, 3 * kTsPacketSize);
  // A truncated final packet is not read.
  EXPECT_TRUE(LastPcr(ts.data(), 4 * kTsPacketSize - 1, 0, 0x100));
  EXPECT_EQ(LastPcr(ts.data(), 4 * kTsPacketSize - 1, 0, 0x100)->pcr, 27000000ULL * 10 + 299);
}

TEST(TsClock, AdaptationFieldTooShortForAPcrIsIgnored) {
  std::vector<uint8_t> ts;
  AddPacket(ts, 0x100, 27000000);
  ts[4] = 1;  // only the flags byte
  EXPECT_FALSE(PacketPcr(ts.data()));
}

TEST(TsClock, DistanceAcrossTheWrap) {
  EXPECT_EQ(PcrDistance(kPcrWrap - kPcrHz, kPcrHz), 2 * kPcrHz);
  EXPECT_EQ(PcrDistance(5, 5), 0u);
}

}  // namespace
}  // namespace strevo::engine
