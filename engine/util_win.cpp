#include "util_win.h"

namespace strevo::engine {

int64_t NowMs() { return static_cast<int64_t>(GetTickCount64()); }

std::wstring Widen(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string EnvUtf8(const wchar_t* name) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(name, buf, 1024);
  if (n == 0 || n >= 1024) return {};
  int len = WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), s.data(), len, nullptr, nullptr);
  return s;
}

bool AppendToFile(const std::wstring& path, const std::string& text, bool create) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // Wine does not append atomically for FILE_APPEND_DATA, and the program's
  // log has several writers (player, recorders, this engine in each): all take
  // the program's one-byte lock far past any data, then write at the end.
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFE;
  at.OffsetHigh = 0x7FFFFFFF;
  const bool locked = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
  LARGE_INTEGER zero{};
  DWORD written = 0;
  const bool ok = SetFilePointerEx(h, zero, nullptr, FILE_END) &&
                  WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  if (locked) UnlockFileEx(h, 0, 1, 0, &at);
  CloseHandle(h);
  return ok;
}

void EngineLog(const std::string& message) {
  wchar_t exe[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  std::wstring path(exe, n);
  const size_t dot = path.rfind(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
  path += L".log";
  SYSTEMTIME t;
  GetLocalTime(&t);
  char stamp[32];
  wsprintfA(stamp, "%02u:%02u:%04u %02u:%02u:%02u ", t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute, t.wSecond);
  const std::string line = stamp + message + "\r\n";
  // As the program, the engine never creates the log.
  AppendToFile(path, line, false);
}

}  // namespace strevo::engine
