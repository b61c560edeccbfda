#include "trace_win.h"

#include <mutex>

#include "support/engine_text.h"
#include "util_win.h"

namespace strevo::engine {

namespace {
std::mutex g_traceMutex;
}

// The file is opened and closed for every line, under a lock, so that tests
// can read it at once and lines of several threads never mix.
void Trace(const std::string& line) {
  std::wstring path = Widen(EnvUtf8(L"STREVO_ENGINE_TRACE"));
  if (path.empty()) return;
  std::lock_guard<std::mutex> lock(g_traceMutex);
  AppendToFile(path, line + "\n", true);
}

std::string TraceText(const char* s) { return s ? TraceQuote(s) : std::string("null"); }

}  // namespace strevo::engine
