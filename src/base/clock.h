// The wall clock as the program reads it. Tests can shift and speed it up for
// every process they start through one environment variable, so that the
// scheduler's minutes come when a test needs them, without waiting.
//
//   STREVO_CLOCK=<yyyy-mm-ddThh:mm:ss>[@<real Unix time in ms>][*<speed>]
//                [;<yyyy-mm-ddThh:mm:ss>*<speed>]...
//
// The local time given is "now" at the real moment given (or at the moment the
// process first reads the clock); from there the clock runs `speed` times as
// fast. Each later part changes the speed from that moment of the program's
// clock on (moments in rising order), so that a long stretch can pass quickly
// and the minutes around a task slowly. Child processes inherit the variable
// and so share one clock.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/datetime.h"

namespace strevo {

struct ClockWarp {
  DateTime fakeAnchor = 0;
  std::optional<int64_t> realAnchorMs;  // absent: the first reading anchors it
  double speed = 1.0;
  struct Change {
    DateTime from = 0;  // a moment of the program's clock
    double speed = 1.0;
  };
  std::vector<Change> changes;
};

std::optional<ClockWarp> ParseClockWarp(std::string_view text);
DateTime WarpedTime(const ClockWarp& warp, int64_t realUnixMs);
// Milliseconds of the warped clock since its anchor at `realUnixMs`.
double WarpedMs(const ClockWarp& warp, int64_t realUnixMs);
// The fastest speed the clock ever runs at.
double MaxSpeed(const ClockWarp& warp);
// A timer interval of the warped clock in real milliseconds (at least 1), at
// its fastest: a timer must keep up with every part of the clock.
unsigned WarpedInterval(const ClockWarp& warp, unsigned ms);

}  // namespace strevo
