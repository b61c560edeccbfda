#include "net/http_win.h"

#include <commctrl.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "base/eventlog.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "win/worker_win.h"

namespace strevo {

namespace {

// WinInet under Wine fills the whole buffer before it returns, and a read per
// 1 KB caps a fast stream at about 2 MB/s: read big, cut into blocks after.
constexpr DWORD kReadSize = 64 * 1024;

// Nothing of a transfer goes to WinInet's cache: a stream would fill the disk
// there, and a reload must not be answered from an old copy.
constexpr DWORD kNoCache = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;

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

// A worker the caller gave up on must not wait on a silent server for ever:
// no single connect, send or read may outlast the whole transfer's limit.
void SetTimeouts(HINTERNET handle, DWORD ms) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionW(handle, option, &ms, sizeof ms);
}

int QueryStatus(HINTERNET request) {
  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
  return static_cast<int>(status);
}

int64_t QueryContentLength(HINTERNET request) {
  wchar_t text[64];
  DWORD size = sizeof text;
  if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return -1;
  return ParseContentLength(Narrow(std::wstring_view(text, size / sizeof(wchar_t))));
}

// Reads the body of a sent request through the meter, handing every read to
// `keep` (false there: no room for it). Stops at once when the caller has
// given up; the meter has then not ended, so the body does not count.
void ReadBody(HINTERNET request, int status, BodyMeter& meter, const std::atomic<bool>& givenUp,
              std::atomic<int64_t>* progress, const std::function<bool(const char*, size_t)>& keep) {
  if (!meter.Begin(status, QueryContentLength(request))) return;
  std::vector<char> block(kReadSize);
  for (;;) {
    if (givenUp) return;
    DWORD got = 0;
    if (!InternetReadFile(request, block.data(), kReadSize, &got)) {
      meter.End(true);
      return;
    }
    if (got == 0) {
      meter.End(false);
      return;
    }
    if (!meter.Add(got, GetTickCount64())) return;
    if (!keep(block.data(), got)) {
      meter.Fail(TransferFailure::NoRoom);
      return;
    }
    if (progress) *progress = meter.received();
  }
}

// The meter the caller reports: the worker's when it ended in time, else one
// that failed on the time limit.
BodyMeter OutcomeOf(bool ended, const BodyMeter& worker) {
  if (ended) return worker;
  BodyMeter late(worker.limits(), 0);
  late.Fail(TransferFailure::TimeLimit);
  return late;
}

struct CmdJob {
  std::wstring server, verb, object, user, password, headers, proxy;
  std::string body;
  int port = 0;
  bool secure = false;
  int accessType = 0;
  BodyMeter meter;
  bool sent = false;
  std::string text;  // read by the caller only after the job ended in time
  explicit CmdJob(const TransferLimits& limits) : meter(limits, GetTickCount64()) {}
};

const wchar_t* OrNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

void RunCmd(CmdJob& j, const std::atomic<bool>& givenUp) {
  InetHandles h;
  h.session = InternetOpenW(UserAgent().c_str(), static_cast<DWORD>(j.accessType), OrNull(j.proxy), nullptr, 0);
  if (!h.session) return;
  h.connection = InternetConnectW(h.session, j.server.c_str(), static_cast<INTERNET_PORT>(j.port), OrNull(j.user),
                                  OrNull(j.password), INTERNET_SERVICE_HTTP, 0, 1);
  if (!h.connection) return;
  h.request = HttpOpenRequestW(h.connection, j.verb.c_str(), j.object.c_str(), nullptr, nullptr, nullptr,
                               INTERNET_FLAG_KEEP_CONNECTION | kNoCache | (j.secure ? INTERNET_FLAG_SECURE : 0), 1);
  if (!h.request) return;
  SetTimeouts(h.request, j.meter.limits().timeLimitMs);
  if (!HttpSendRequestW(h.request, OrNull(j.headers), static_cast<DWORD>(j.headers.size()),
                        j.body.empty() ? nullptr : j.body.data(), static_cast<DWORD>(j.body.size())))
    return;
  j.sent = true;
  ReadBody(h.request, QueryStatus(h.request), j.meter, givenUp, nullptr, [&j](const char* data, size_t n) {
    try {
      AppendTextBlocks(j.text, data, n);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  });
  if (!j.meter.Complete()) std::string().swap(j.text);
}

struct GetFileJob {
  std::wstring url, part;
  HWND progressBar = nullptr;
  BodyMeter meter;
  std::atomic<int64_t> received{0}, reference{0};
  explicit GetFileJob(const TransferLimits& limits) : meter(limits, GetTickCount64()) {}
};

bool IsHttpUrl(const std::wstring& url) {
  return _wcsnicmp(url.c_str(), L"http://", 7) == 0 || _wcsnicmp(url.c_str(), L"https://", 8) == 0;
}

void RunGetFile(GetFileJob& j, const std::atomic<bool>& givenUp) {
  HANDLE file = CreateFileW(j.part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    j.meter.Fail(TransferFailure::NoRoom);
    return;
  }
  InetHandles h;
  h.session = InternetOpenW(UserAgent().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (h.session) {
    SetTimeouts(h.session, j.meter.limits().timeLimitMs);
    h.request = InternetOpenUrlW(h.session, j.url.c_str(), nullptr, 0, kNoCache, 0);
  }
  if (!h.request) {
    j.meter.Fail(TransferFailure::NoResponse);
  } else {
    DWORD available = 0;
    if (InternetQueryDataAvailable(h.request, &available, 0, 0)) j.reference = available;
    int status = QueryStatus(h.request);
    if (status == 0 && !IsHttpUrl(j.url)) status = 200;  // other schemes have no status to check
    ReadBody(h.request, status, j.meter, givenUp, &j.received, [file](const char* data, size_t n) {
      DWORD written = 0;
      return WriteFile(file, data, static_cast<DWORD>(n), &written, nullptr) && written == n;
    });
  }
  h.Close();
  if (!CloseHandle(file)) j.meter.Fail(TransferFailure::NoRoom);
  if (!j.meter.Complete()) DeleteFileW(j.part.c_str());
  // The close of the player waits while the bar is shown, and it may be
  // waiting inside the caller's own wait: the bar goes from here too. The
  // call returns once the bar's thread has hidden it, so no late hide is left
  // behind for the next transfer.
  if (j.progressBar && !givenUp) ShowWindow(j.progressBar, SW_HIDE);
}

}  // namespace

bool httpcmd(const HttpRequest& request, std::string& result) {
  const std::string& server = request.server;
  const std::string& verb = request.verb;
  const std::string& object = request.object;
  const TransferLimits& limits = request.limits;
  result.clear();
  auto job = std::make_shared<CmdJob>(limits);
  job->server = Widen(server);
  job->verb = Widen(verb);
  job->object = Widen(object);
  job->user = Widen(request.user);
  job->password = Widen(request.password);
  job->headers = Widen(request.headers);
  job->proxy = Widen(request.proxy);
  job->body = request.body;
  job->port = request.port;
  job->secure = request.secure;
  job->accessType = request.accessType;
  const bool ended = RunOnWorkerWhilePumping([job](const std::atomic<bool>& givenUp) { RunCmd(*job, givenUp); },
                                             nullptr, limits.timeLimitMs);
  if (ended && !job->sent) return false;
  const BodyMeter outcome = OutcomeOf(ended, job->meter);
  if (outcome.Complete()) result = std::move(job->text);
  // The host as the log shows it: with its port when that is not the scheme's own.
  const std::string shown =
      request.port == (request.secure ? 443 : 80) ? server : server + ":" + std::to_string(request.port);
  LogLine(HttpCmdLogLine(verb, shown, object, result.size()));
  if (!outcome.Complete())
    LogLine(TransferFailedLogLine("httpcmd " + verb + " " + shown + AddressForLog(object), outcome));
  return outcome.Complete();
}

bool httpgetfile(std::string_view url, std::string_view destination, HWND progressBar, const TransferLimits& limits) {
  const std::wstring target = Widen(destination);
  HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);

  auto job = std::make_shared<GetFileJob>(limits);
  job->url = Widen(url);
  job->part = target + L".part";
  job->progressBar = progressBar;
  int barMax = 0;
  if (progressBar) {
    barMax = static_cast<int>(SendMessageW(progressBar, PBM_GETRANGE, FALSE, 0));
    ShowWindow(progressBar, SW_SHOW);
    SendMessageW(progressBar, PBM_SETPOS, 0, 0);
  }
  auto showProgress = [&] {
    if (progressBar)
      SendMessageW(progressBar, PBM_SETPOS, ProgressPosition(barMax, job->received, job->reference), 0);
  };
  const bool ended = RunOnWorkerWhilePumping([job](const std::atomic<bool>& givenUp) { RunGetFile(*job, givenUp); },
                                             [job] { DeleteFileW(job->part.c_str()); }, limits.timeLimitMs,
                                             showProgress);
  BodyMeter outcome = OutcomeOf(ended, job->meter);
  if (outcome.Complete() &&
      !MoveFileExW(job->part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    outcome.Fail(TransferFailure::NoRoom);
    DeleteFileW(job->part.c_str());
  }
  showProgress();
  if (progressBar) ShowWindow(progressBar, SW_HIDE);
  const int64_t reference = ended ? job->reference.load() : 0;
  LogLine(HttpGetFileLogLine(url, destination, std::max<int64_t>(0, FileSizeOf(destination)), reference));
  if (!outcome.Complete()) LogLine(TransferFailedLogLine("httpgetfile \"" + std::string(url) + "\"", outcome));
  return outcome.Complete();
}

}  // namespace strevo
