// The event log file beside the exe: written only while it exists, one
// open-append-close per line so that it survives a crash and can be read live.
#include <windows.h>

#include "base/eventlog.h"
#include "win/clock_win.h"
#include "win/util_win.h"

namespace strevo {

static std::wstring g_logPath;

static void WriteToFile(std::string_view message) {
  if (g_logPath.empty()) return;
  const DateTime now = ClockNow();
  std::string line = Utf8ToAnsi(FormatLogLine(now, message)) + "\r\n";
  // OPEN_EXISTING: the program never creates the log.
  HANDLE h = CreateFileW(g_logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
}

void InstallFileLog() {
  g_logPath = Widen(ExeSibling(".log"));
  SetLogSink(WriteToFile);
}

}  // namespace strevo
