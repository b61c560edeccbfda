// The wall clock as the program reads it. Tests can shift and speed it up for
// every process they start through one environment variable, so that the
// scheduler's minutes come when a test needs them, without waiting.
//
//   STREVO_CLOCK=<yyyy-mm-ddThh:mm:ss>[@<real Unix time in ms>][*<speed>]
//
// The local time given is "now" at the real moment given (or at the moment the
// process first reads the clock); from there the clock runs `speed` times as
// fast. Child processes inherit the variable and so share one clock.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/datetime.h"

namespace strevo {

struct ClockWarp {
  DateTime fakeAnchor = 0;
  std::optional<int64_t> realAnchorMs;  // absent: the first reading anchors it
  double speed = 1.0;
};

std::optional<ClockWarp> ParseClockWarp(std::string_view text);
DateTime WarpedTime(const ClockWarp& warp, int64_t realUnixMs);
// A timer interval of the warped clock in real milliseconds (at least 1).
unsigned WarpedInterval(const ClockWarp& warp, unsigned ms);

}  // namespace strevo
