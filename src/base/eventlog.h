// The event log's line format. Writing happens in the shell (eventlog_win.cpp):
// only when the file exists, one open-append-close per line, never failing.
#pragma once
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace strevo {

inline constexpr std::string_view kLogSeparator = "------------------------------------";

// "dd:MM:yyyy HH:mm:ss message" without the line end.
std::string FormatLogLine(DateTime now, std::string_view message);

// Appends one line to the event log of this process. The shell installs the
// file writer at start-up; tests install a collector. Without a sink: nothing.
void LogLine(std::string_view message);
using LogSink = void (*)(std::string_view message);
void SetLogSink(LogSink sink);

}  // namespace strevo
