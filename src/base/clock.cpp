#include "base/clock.h"

#include <charconv>
#include <cmath>

namespace strevo {

namespace {

bool ReadInt(std::string_view& s, size_t digits, int& out) {
  if (s.size() < digits) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + digits, out);
  if (ec != std::errc() || end != s.data() + digits) return false;
  s.remove_prefix(digits);
  return true;
}

bool Expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

std::optional<ClockWarp> ParseClockWarp(std::string_view s) {
  DateTimeParts p;
  if (!ReadInt(s, 4, p.year) || !Expect(s, '-') || !ReadInt(s, 2, p.month) || !Expect(s, '-') ||
      !ReadInt(s, 2, p.day) || !Expect(s, 'T') || !ReadInt(s, 2, p.hour) || !Expect(s, ':') ||
      !ReadInt(s, 2, p.minute) || !Expect(s, ':') || !ReadInt(s, 2, p.second))
    return std::nullopt;
  if (p.year < 1 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > DaysInMonth(p.year, p.month) ||
      p.hour > 23 || p.minute > 59 || p.second > 59)
    return std::nullopt;
  ClockWarp warp;
  warp.fakeAnchor = EncodeDateTime(p);
  if (!s.empty() && s.front() == '@') {
    s.remove_prefix(1);
    int64_t ms = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), ms);
    if (ec != std::errc() || end == s.data()) return std::nullopt;
    s.remove_prefix(static_cast<size_t>(end - s.data()));
    warp.realAnchorMs = ms;
  }
  if (!s.empty() && s.front() == '*') {
    s.remove_prefix(1);
    int speed = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), speed);
    if (ec != std::errc() || end == s.data() || speed < 1 || speed > 10000) return std::nullopt;
    s.remove_prefix(static_cast<size_t>(end - s.data()));
    warp.speed = speed;
  }
  if (!s.empty()) return std::nullopt;
  return warp;
}

DateTime WarpedTime(const ClockWarp& warp, int64_t realUnixMs) {
  const int64_t anchor = warp.realAnchorMs.value_or(realUnixMs);
  const double elapsedMs = static_cast<double>(realUnixMs - anchor) * warp.speed;
  return warp.fakeAnchor + elapsedMs / 86400000.0;
}

unsigned WarpedInterval(const ClockWarp& warp, unsigned ms) {
  const double scaled = std::floor(ms / warp.speed);
  return scaled < 1 ? 1u : static_cast<unsigned>(scaled);
}

}  // namespace strevo
