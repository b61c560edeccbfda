#include "base/eventlog.h"

#include <atomic>

namespace strevo {

static std::atomic<LogSink> g_sink{nullptr};

void SetLogSink(LogSink sink) { g_sink.store(sink); }

void LogLine(std::string_view message) {
  if (LogSink sink = g_sink.load()) sink(message);
}

std::string FormatLogLine(DateTime now, std::string_view message) {
  return FormatDateTime("dd:MM:yyyy", now) + " " + FormatDateTime("HH:mm:ss", now) + " " + std::string(message);
}

}  // namespace strevo
