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
    char buf[128];
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
  return EncodeDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds});
}

unsigned ClockInterval(unsigned ms) {
  if (const auto& warp = Warp()) return WarpedInterval(*warp, ms);
  return ms;
}

double ClockSpeed() {
  if (const auto& warp = Warp()) return warp->speed;
  return 1.0;
}

}  // namespace strevo
