#include "base/clock.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(ClockWarp, ReadsAnchorRealMomentAndSpeed) {
  auto w = ParseClockWarp("2026-12-08T23:59:30@1765238400000*60");
  ASSERT_TRUE(w);
  EXPECT_EQ(*w->realAnchorMs, 1765238400000);
  EXPECT_EQ(w->speed, 60);
  // 45 real seconds at 60x are 45 minutes: past midnight into the next day.
  auto p = DecodeDateTime(WarpedTime(*w, 1765238400000 + 45000));
  EXPECT_EQ(p.day, 9);
  EXPECT_EQ(p.hour, 0);
  EXPECT_EQ(p.minute, 44);
  EXPECT_EQ(p.second, 30);
  EXPECT_EQ(WarpedInterval(*w, 8000), 133u);
  EXPECT_EQ(WarpedInterval(*w, 10), 1u);  // never a zero-length timer

  auto plain = ParseClockWarp("2023-03-15T21:36:00");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->realAnchorMs);
  EXPECT_EQ(WarpedInterval(*plain, 8000), 8000u);
  // Unanchored: "now" is the given time at whatever moment is passed.
  EXPECT_EQ(DecodeDateTime(WarpedTime(*plain, 123456)).hour, 21);
}

TEST(ClockWarp, ChangesSpeedAtTheMomentsGiven) {
  // Fast to 06:59, slowly over the 07:00 minute, fast again from 07:01.
  auto w = ParseClockWarp("2026-12-07T00:00:00@1000000*600;2026-12-07T06:59:00*2;2026-12-07T07:01:00*600");
  ASSERT_TRUE(w);
  ASSERT_EQ(w->changes.size(), 2u);
  auto at = [&](int64_t realMs) { return DecodeDateTime(WarpedTime(*w, 1000000 + realMs)); };
  // 06:59 is 419 minutes in: 41.9 real seconds at 600x.
  EXPECT_EQ(at(41900 - 100).minute, 58);
  auto p = at(41900 + 30600);  // then 30.6 real seconds at 2x: a minute and a second and a bit
  EXPECT_EQ(p.hour, 7);
  EXPECT_EQ(p.minute, 0);
  EXPECT_EQ(p.second, 1);
  p = at(41900 + 60000 + 151);  // 07:01, then 0.151 s at 600x: 90.6 seconds more
  EXPECT_EQ(p.hour, 7);
  EXPECT_EQ(p.minute, 2);
  EXPECT_EQ(p.second, 30);
  // Lengths follow the same clock; timers keep up with its fastest part.
  EXPECT_NEAR(WarpedMs(*w, 1000000 + 41900 + 30000), 420 * 60000.0, 1);
  EXPECT_EQ(MaxSpeed(*w), 600);
  EXPECT_EQ(WarpedInterval(*w, 8000), 13u);
}

TEST(ClockWarp, RejectsMalformedValues) {
  for (const char* bad : {"", "2026-12-08", "2026-12-08 23:59:30", "2026-02-30T00:00:00", "2026-12-08T24:00:00",
                          "2026-12-08T23:59:30@", "2026-12-08T23:59:30*0", "2026-12-08T23:59:30*x",
                          "2026-12-08T23:59:30@12junk", "2026-12-08T23:59:30*2*3",
                          // Changes need a speed, a later moment each, and nothing after.
                          "2026-12-08T23:59:30*2;2026-12-09T00:00:00", "2026-12-08T23:59:30*2;2026-12-08T23:59:30*4",
                          "2026-12-08T23:59:30*2;2026-12-09T01:00:00*4;2026-12-09T00:00:00*8",
                          "2026-12-08T23:59:30*2;", "2026-12-08T23:59:30*2;2026-12-09T00:00:00*4x"})
    EXPECT_FALSE(ParseClockWarp(bad)) << bad;
}

}  // namespace
}  // namespace strevo
