// The event log file beside the exe: written only while it exists, one
// open-append-close per line so that it survives a crash and can be read live.
#include <windows.h>

#include "base/eventlog.h"
#include "win/clock_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

static std::wstring g_logPath;

static void WriteToFile(std::string_view message) {
  if (g_logPath.empty()) return;
  const DateTime now = ClockNow();
  std::string line = Utf8ToAnsi(FormatLogLine(now, message)) + "\r\n";
  // The program never creates the log.
  AppendToFile(g_logPath, line, false);
}

void InstallFileLog() {
  g_logPath = Widen(ExeSibling(".log"));
  SetLogSink(WriteToFile);
}

}  // namespace strevo
