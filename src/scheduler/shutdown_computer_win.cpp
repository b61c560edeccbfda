#include "scheduler/shutdown_computer_win.h"

#include <windows.h>

#include <string>

#include "win/file_win.h"

namespace strevo {

namespace {

// The file named by STREVO_SHUTDOWN_TRACE, or "" when the calls are real.
std::wstring TracePath() {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetEnvironmentVariableW(L"STREVO_SHUTDOWN_TRACE", buf, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(buf, n) : std::wstring();
}

void Trace(const std::wstring& path, const std::string& line) {
  if (path.empty()) return;
  AppendToFile(path, line + "\r\n", true);
}

bool EnablePrivilege(HANDLE token, const char* name, const std::wstring& trace) {
  TOKEN_PRIVILEGES tp{};
  if (!LookupPrivilegeValueA(nullptr, name, &tp.Privileges[0].Luid)) {
    Trace(trace, std::string("no privilege ") + name);
    return false;
  }
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
  Trace(trace, std::string("privilege ") + name);
  return true;
}

}  // namespace

void ShutDownComputer() {
  const std::wstring trace = TracePath();
  // The high bit of the version word marks the old family without privileges.
  if (GetVersion() & 0x80000000u) {
    Trace(trace, "ExitWindowsEx EWX_SHUTDOWN");
    if (trace.empty()) ExitWindowsEx(EWX_SHUTDOWN, 0);
    return;
  }
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    Trace(trace, "no process token");
    return;
  }
  const bool local = EnablePrivilege(token, "SeShutdownPrivilege", trace);
  const bool remote = EnablePrivilege(token, "SeRemoteShutdownPrivilege", trace);
  CloseHandle(token);
  if (!local || !remote) return;
  Trace(trace, "InitiateSystemShutdownA local, no message, 0 s, not forced, no restart");
  if (trace.empty()) InitiateSystemShutdownA(nullptr, nullptr, 0, FALSE, FALSE);
}

}  // namespace strevo
