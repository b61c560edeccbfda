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

TEST(ClockWarp, RejectsMalformedValues) {
  for (const char* bad : {"", "2026-12-08", "2026-12-08 23:59:30", "2026-02-30T00:00:00", "2026-12-08T24:00:00",
                          "2026-12-08T23:59:30@", "2026-12-08T23:59:30*0", "2026-12-08T23:59:30*x",
                          "2026-12-08T23:59:30@12junk", "2026-12-08T23:59:30*2*3"})
    EXPECT_FALSE(ParseClockWarp(bad)) << bad;
}

}  // namespace
}  // namespace strevo
