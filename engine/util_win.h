// Small Win32 helpers of the engine: the clock, UTF-8 to UTF-16 and the
// environment.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace strevo::engine {

int64_t NowMs();
std::wstring Widen(const std::string& s);
// The variable's value as UTF-8, "" when it is not set (or too long).
std::string EnvUtf8(const wchar_t* name);
// Appends `text` at the file's end in one piece while other processes append
// too; `create` makes a missing file. False when it cannot be written.
bool AppendToFile(const std::wstring& path, const std::string& text, bool create);
// Appends one line to the event log of the program that loaded the engine
// (its ".log" beside the exe), in the program's line format, only when that
// file exists; never fails towards the caller.
void EngineLog(const std::string& message);

}  // namespace strevo::engine
