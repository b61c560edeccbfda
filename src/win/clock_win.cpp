#include "win/clock_win.h"

#include <windows.h>

#include <optional>

#include "base/clock.h"

namespace strevo {

namespace {

int64_t RealUnixMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000) - 11644473600000LL;
}

// Read once: a process keeps one clock for its whole life.
const std::optional<ClockWarp>& Warp() {
  static std::optional<ClockWarp> warp = [] {
    std::optional<ClockWarp> w;
    char buf[4096];  // room for a clock of many speeds
    const DWORD n = GetEnvironmentVariableA("STREVO_CLOCK", buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return w;
    w = ParseClockWarp(buf);
    if (w && !w->realAnchorMs) w->realAnchorMs = RealUnixMs();
    return w;
  }();
  return warp;
}

}  // namespace

DateTime ClockNow() {
  if (const auto& warp = Warp()) return WarpedTime(*warp, RealUnixMs());
  SYSTEMTIME st;
  GetLocalTime(&st);
  return FromSystemTime(st);
}

unsigned ClockInterval(unsigned ms) {
  if (const auto& warp = Warp()) return WarpedInterval(*warp, ms);
  return ms;
}

double ClockSpeed() {
  if (const auto& warp = Warp()) return MaxSpeed(*warp);
  return 1.0;
}

int64_t ClockTicks() {
  // A test's clock changes speed as it goes: its lengths follow it.
  if (const auto& warp = Warp()) return static_cast<int64_t>(WarpedMs(*warp, RealUnixMs()));
  return static_cast<int64_t>(GetTickCount64());
}

SYSTEMTIME ToSystemTime(DateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(p.year);
  st.wMonth = static_cast<WORD>(p.month);
  st.wDay = static_cast<WORD>(p.day);
  st.wHour = static_cast<WORD>(p.hour);
  st.wMinute = static_cast<WORD>(p.minute);
  st.wSecond = static_cast<WORD>(p.second);
  st.wMilliseconds = static_cast<WORD>(p.millisecond);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) % 7);  // Sunday 0
  return st;
}

DateTime FromSystemTime(const SYSTEMTIME& st) {
  return EncodeDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds});
}

}  // namespace strevo
