#include "guide/http_win.h"

#include <commctrl.h>
#include <wininet.h>

#include <vector>

#include "core/eventlog.h"
#include "guide/http.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// Closes the WinInet handles opened so far, in reverse order.
struct InetHandles {
  HINTERNET session = nullptr, connection = nullptr, request = nullptr;
  ~InetHandles() { Close(); }
  void Close() {
    if (request) InternetCloseHandle(request);
    if (connection) InternetCloseHandle(connection);
    if (session) InternetCloseHandle(session);
    request = connection = session = nullptr;
  }
};

const std::wstring& UserAgent() {
  static const std::wstring ua = Widen(kHttpUserAgent);
  return ua;
}

}  // namespace

bool httpcmd(std::string_view server, int port, std::string_view verb, std::string_view object,
             std::string_view user, std::string_view password, std::string_view headers, std::string_view body,
             int accessType, std::string_view proxy, std::string& result) {
  result.clear();
  InetHandles h;
  std::wstring wproxy = Widen(proxy);
  h.session = InternetOpenW(UserAgent().c_str(), static_cast<DWORD>(accessType), wproxy.empty() ? nullptr : wproxy.c_str(),
                            nullptr, 0);
  if (!h.session) return false;
  std::wstring wuser = Widen(user), wpass = Widen(password);
  h.connection = InternetConnectW(h.session, Widen(server).c_str(), static_cast<INTERNET_PORT>(port),
                                  wuser.empty() ? nullptr : wuser.c_str(), wpass.empty() ? nullptr : wpass.c_str(),
                                  INTERNET_SERVICE_HTTP, 0, 1);
  if (!h.connection) return false;
  h.request = HttpOpenRequestW(h.connection, Widen(verb).c_str(), Widen(object).c_str(), nullptr, nullptr, nullptr,
                               INTERNET_FLAG_KEEP_CONNECTION, 1);
  if (!h.request) return false;
  std::wstring wheaders = Widen(headers);
  std::string sendBody(body);
  if (!HttpSendRequestW(h.request, wheaders.empty() ? nullptr : wheaders.c_str(), static_cast<DWORD>(wheaders.size()),
                        sendBody.empty() ? nullptr : sendBody.data(), static_cast<DWORD>(sendBody.size())))
    return false;
  char block[kHttpBlockSize];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(h.request, block, sizeof block, &got) || got == 0) break;
    AppendTextBlock(result, block, got);
  }
  h.Close();
  LogLine(HttpCmdLogLine(verb, server, object, result.size()));
  return true;
}

bool httpgetfile(std::string_view url, std::string_view destination, HWND progressBar) {
  HANDLE file = CreateFileW(Widen(destination).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  InetHandles h;
  h.session = InternetOpenW(UserAgent().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (h.session) h.request = InternetOpenUrlW(h.session, Widen(url).c_str(), nullptr, 0, 0, 0);
  DWORD available = 0;
  if (!h.request || !InternetQueryDataAvailable(h.request, &available, 0, 0)) available = 0;
  const int64_t reference = available;
  int barMax = 0;
  if (progressBar) {
    barMax = static_cast<int>(SendMessageW(progressBar, PBM_GETRANGE, FALSE, 0));
    ShowWindow(progressBar, SW_SHOW);
    SendMessageW(progressBar, PBM_SETPOS, 0, 0);
  }
  int64_t total = 0;
  char block[kHttpBlockSize];
  for (;;) {
    DWORD got = 0;
    bool ok = h.request && InternetReadFile(h.request, block, sizeof block, &got);
    if (!ok) got = 0;
    total += got;
    if (progressBar) SendMessageW(progressBar, PBM_SETPOS, ProgressPosition(barMax, total, reference), 0);
    if (!ok) break;
    DWORD written = 0;
    if (got) WriteFile(file, block, got, &written, nullptr);
    if (got == 0) break;
  }
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  CloseHandle(file);
  h.Close();
  if (progressBar) ShowWindow(progressBar, SW_HIDE);
  LogLine(HttpGetFileLogLine(url, destination, size.QuadPart, reference));
  return true;
}

}  // namespace strevo
