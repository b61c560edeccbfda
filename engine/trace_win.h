// The call trace: one line per entry-point call, appended to the file named
// by STREVO_ENGINE_TRACE (nothing when it is not set).
#pragma once
#include <string>

namespace strevo::engine {

void Trace(const std::string& line);
// A text argument as the trace shows it: quoted, or null.
std::string TraceText(const char* s);
// A variable name as the trace shows it: unquoted, or null.
inline const char* TraceName(const char* name) { return name ? name : "null"; }

}  // namespace strevo::engine
