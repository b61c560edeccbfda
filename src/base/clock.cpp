#include "base/clock.h"

#include <algorithm>
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

// "yyyy-mm-ddThh:mm:ss" at the front of `s`, taken off it.
static bool ReadMoment(std::string_view& s, DateTime& out) {
  DateTimeParts p;
  if (!ReadInt(s, 4, p.year) || !Expect(s, '-') || !ReadInt(s, 2, p.month) || !Expect(s, '-') ||
      !ReadInt(s, 2, p.day) || !Expect(s, 'T') || !ReadInt(s, 2, p.hour) || !Expect(s, ':') ||
      !ReadInt(s, 2, p.minute) || !Expect(s, ':') || !ReadInt(s, 2, p.second))
    return false;
  if (p.year < 1 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > DaysInMonth(p.year, p.month) ||
      p.hour > 23 || p.minute > 59 || p.second > 59)
    return false;
  out = EncodeDateTime(p);
  return true;
}

// "*<speed>" at the front of `s`, taken off it.
static bool ReadSpeed(std::string_view& s, double& out) {
  if (!Expect(s, '*')) return false;
  int speed = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), speed);
  if (ec != std::errc() || end == s.data() || speed < 1 || speed > 10000) return false;
  s.remove_prefix(static_cast<size_t>(end - s.data()));
  out = speed;
  return true;
}

std::optional<ClockWarp> ParseClockWarp(std::string_view s) {
  ClockWarp warp;
  if (!ReadMoment(s, warp.fakeAnchor)) return std::nullopt;
  if (!s.empty() && s.front() == '@') {
    s.remove_prefix(1);
    int64_t ms = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), ms);
    if (ec != std::errc() || end == s.data()) return std::nullopt;
    s.remove_prefix(static_cast<size_t>(end - s.data()));
    warp.realAnchorMs = ms;
  }
  if (!s.empty() && s.front() == '*' && !ReadSpeed(s, warp.speed)) return std::nullopt;
  DateTime last = warp.fakeAnchor;
  while (!s.empty()) {
    ClockWarp::Change change;
    if (!Expect(s, ';') || !ReadMoment(s, change.from) || change.from <= last || !ReadSpeed(s, change.speed))
      return std::nullopt;
    last = change.from;
    warp.changes.push_back(change);
  }
  return warp;
}

double WarpedMs(const ClockWarp& warp, int64_t realUnixMs) {
  const int64_t anchor = warp.realAnchorMs.value_or(realUnixMs);
  double real = static_cast<double>(realUnixMs - anchor);
  double fake = 0;
  double speed = warp.speed;
  for (const ClockWarp::Change& change : warp.changes) {
    const double stretch = (change.from - warp.fakeAnchor) * 86400000.0 - fake;  // program ms to the change
    if (real * speed <= stretch) break;
    real -= stretch / speed;
    fake += stretch;
    speed = change.speed;
  }
  return fake + real * speed;
}

DateTime WarpedTime(const ClockWarp& warp, int64_t realUnixMs) {
  return warp.fakeAnchor + WarpedMs(warp, realUnixMs) / 86400000.0;
}

double MaxSpeed(const ClockWarp& warp) {
  double speed = warp.speed;
  for (const ClockWarp::Change& change : warp.changes) speed = std::max(speed, change.speed);
  return speed;
}

unsigned WarpedInterval(const ClockWarp& warp, unsigned ms) {
  const double scaled = std::floor(ms / MaxSpeed(warp));
  return scaled < 1 ? 1u : static_cast<unsigned>(scaled);
}

}  // namespace strevo
