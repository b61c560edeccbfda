// The transfers against servers on 127.0.0.1 that answer, fail, reset, stream
// for ever or fall silent, under Wine with the real WinInet.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "net/http_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

// Serves each connection on the listening thread with a handler that gets the
// socket once the request head has been read.
class LoopbackServer {
 public:
  using Handler = std::function<void(SOCKET, LoopbackServer&)>;

  explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    listen(listener_, 4);
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    SetEvent(stop_);
    closesocket(listener_);
    thread_.join();
    CloseHandle(stop_);
    WSACleanup();
  }
  int port() const { return port_; }
  std::string Url(const char* path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // Ends when the test is over (for servers that fall silent).
  void WaitForStop() { WaitForSingleObject(stop_, 30'000); }

  std::atomic<int> requests{0};
  std::atomic<long long> sent{0};
  std::atomic<bool> clientLeft{false};  // a send failed: the player closed the connection

 private:
  void Serve() {
    for (;;) {
      SOCKET s = accept(listener_, nullptr, nullptr);
      if (s == INVALID_SOCKET) return;
      std::string head;
      char buf[1024];
      while (head.find("\r\n\r\n") == std::string::npos) {
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, n);
      }
      ++requests;
      handler_(s, *this);
      closesocket(s);
    }
  }

  Handler handler_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  HANDLE stop_ = nullptr;
  std::thread thread_;
};

bool SendAll(SOCKET s, const std::string& data, LoopbackServer& server) {
  size_t done = 0;
  while (done < data.size()) {
    int n = send(s, data.data() + done, static_cast<int>(data.size() - done), 0);
    if (n <= 0) {
      server.clientLeft = true;
      return false;
    }
    done += n;
    server.sent += n;
  }
  return true;
}

// Answers with these bytes, then closes the connection gracefully.
LoopbackServer::Handler Reply(std::string bytes) {
  return [bytes](SOCKET s, LoopbackServer& server) {
    SendAll(s, bytes, server);
    shutdown(s, SD_SEND);
  };
}

// Sends these bytes, then resets the connection.
LoopbackServer::Handler ReplyThenReset(std::string bytes) {
  return [bytes](SOCKET s, LoopbackServer& server) {
    SendAll(s, bytes, server);
    Sleep(200);
    linger l{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
  };
}

// Headers, then body bytes for as long as the client takes them.
void Endless(SOCKET s, LoopbackServer& server) {
  if (!SendAll(s, "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n\r\n", server)) return;
  const std::string block(64 * 1024, 'G');
  while (SendAll(s, block, server)) {
  }
}

// Headers and a little of the body, then nothing until the test ends.
void Silent(SOCKET s, LoopbackServer& server) {
  SendAll(s, "HTTP/1.0 200 OK\r\n\r\n#EXTM3U\r\n", server);
  server.WaitForStop();
}

const std::string kList = "#EXTM3U\r\n#EXTINF:-1,One\r\nudp://@239.1.1.1:1234\r\n";

bool Get(const LoopbackServer& server, std::string& body, const TransferLimits& limits = kChannelListLimits) {
  HttpRequest request;
  request.server = "127.0.0.1";
  request.port = server.port();
  request.object = "/list.m3u";
  request.limits = limits;
  return httpcmd(request, body);
}

TEST(HttpCmd, OnlyAWhole2xxResponseCounts) {
  struct Case {
    const char* what;
    LoopbackServer::Handler handler;
    bool ok;
    std::string body;
  };
  const Case cases[] = {
      {"with a length", Reply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kList.size()) + "\r\n\r\n" + kList),
       true, kList},
      {"ended by the close", Reply("HTTP/1.0 200 OK\r\n\r\n" + kList), true, kList},
      {"chunked", Reply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n10\r\n" +
                        kList.substr(0, 16) + "\r\n" + [] {
                          char n[16];
                          snprintf(n, sizeof n, "%zx", kList.size() - 16);
                          return std::string(n);
                        }() + "\r\n" + kList.substr(16) + "\r\n0\r\n\r\n"),
       true, kList},
      {"empty", Reply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), true, ""},
      {"not found", Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"), false, ""},
      {"server error", Reply("HTTP/1.0 500 Internal Server Error\r\n\r\n<html>oops</html>"), false, ""},
      {"shorter than announced", Reply("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + kList), false, ""},
      {"reset part-way", ReplyThenReset("HTTP/1.0 200 OK\r\n\r\n" + kList + std::string(3000, '#')), false, ""},
      {"reset within its length",
       ReplyThenReset("HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\n" + std::string(3000, '#')), false, ""},
  };
  for (const Case& c : cases) {
    LoopbackServer server(c.handler);
    std::string body = "stale";
    EXPECT_EQ(Get(server, body), c.ok) << c.what;
    EXPECT_EQ(body, c.body) << c.what;
    EXPECT_EQ(server.requests, 1) << c.what;
  }
}

TEST(HttpCmd, AStreamThatNeverEndsStopsAtTheSizeLimit) {
  LoopbackServer server(Endless);
  std::string body;
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(Get(server, body, TransferLimits{4 << 20, 60'000}));
  EXPECT_TRUE(body.empty());
  EXPECT_LT(GetTickCount64() - start, 30'000u);
  // The player hung up: the server cannot go on sending.
  for (int i = 0; i < 200 && !server.clientLeft; ++i) Sleep(50);
  EXPECT_TRUE(server.clientLeft);
  EXPECT_LT(server.sent, 64ll << 20);
}

LRESULT CALLBACK CountingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  return DefWindowProcW(h, msg, wp, lp);
}

// While the transfer runs, another thread sends the calling thread's window a
// message every 100 ms; each must be answered within a second.
struct Responsiveness {
  HWND window = nullptr;
  int handled = 0;
  std::atomic<bool> stop{false}, stopped{false};
  std::atomic<int> answered{0}, unanswered{0};
  std::thread prober;

  Responsiveness() {
    RegisterWindowClassOnce(L"StrevoTestCounting", CountingProc, nullptr);
    window = CreateWindowExW(0, L"StrevoTestCounting", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));
    prober = std::thread([this] {
      while (!stop) {
        DWORD_PTR r = 0;
        if (SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_NORMAL, 1000, &r)) ++answered;
        else ++unanswered;
        Sleep(100);
      }
      stopped = true;
    });
  }
  // Stops probing; a message still on its way is answered here.
  void Finish() {
    stop = true;
    while (!stopped) {
      PumpPendingMessages();
      Sleep(5);
    }
    prober.join();
  }
  ~Responsiveness() {
    if (prober.joinable()) Finish();
    DestroyWindow(window);
  }
};

TEST(HttpCmd, ASilentServerFailsAtTheTimeLimitAndTheCallersWindowsStayAlive) {
  LoopbackServer server(Silent);
  Responsiveness probe;
  std::string body;
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(Get(server, body, TransferLimits{64 << 20, 2'000}));
  const ULONGLONG took = GetTickCount64() - start;
  probe.Finish();
  EXPECT_GE(took, 1'900u);
  EXPECT_LT(took, 6'000u);
  EXPECT_TRUE(body.empty());
  EXPECT_GE(probe.answered, 5);
  EXPECT_EQ(probe.unanswered, 0);
  EXPECT_EQ(probe.handled, probe.answered.load());
}

TEST(HttpGetFile, TheFileHoldsAWholeBodyOrNothing) {
  const std::string dir = SystemTempPath() + "strevo-http-test";
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  DeleteFilesIn(dir);
  const std::string file = dir + "\\TVGuide.zip";
  const std::string archive = "PK\x03\x04" + std::string(70000, 'z');
  std::string bytes;
  {
    LoopbackServer server(Reply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(archive.size()) + "\r\n\r\n" +
                                archive));
    EXPECT_TRUE(httpgetfile(server.Url("/tvg.zip"), file));
    ASSERT_TRUE(ReadFileBytes(file, bytes));
    EXPECT_EQ(bytes, archive);
  }
  const LoopbackServer::Handler failures[] = {
      Reply("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"),
      ReplyThenReset("HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\n" + archive.substr(0, 3000)),
      Reply("HTTP/1.1 200 OK\r\nContent-Length: 90000\r\n\r\n" + archive.substr(0, 3000)),
  };
  for (const auto& handler : failures) {
    ASSERT_TRUE(WriteFileReplacing(file, archive));  // an old download
    LoopbackServer server(handler);
    EXPECT_FALSE(httpgetfile(server.Url("/tvg.zip"), file));
    EXPECT_EQ(FileSizeOf(file), 0);  // no old or partial archive to mistake for the new one
    EXPECT_FALSE(FileExists(file + ".part"));
  }
  {
    LoopbackServer server(Endless);
    EXPECT_FALSE(httpgetfile(server.Url("/live"), file, nullptr, TransferLimits{2 << 20, 60'000}));
    EXPECT_EQ(FileSizeOf(file), 0);
    EXPECT_FALSE(FileExists(file + ".part"));
  }
  {
    LoopbackServer server(Silent);
    EXPECT_FALSE(httpgetfile(server.Url("/silent"), file, nullptr, TransferLimits{2 << 20, 1'500}));
    EXPECT_EQ(FileSizeOf(file), 0);
  }
  DeleteFilesIn(dir);
  RemoveDirectoryW(Widen(dir).c_str());
}

// The close of the player waits, processing messages, while the transfer bar
// is shown; a close that arrives during httpgetfile's own wait runs inside it.
struct CloseWaitingForTheBar {
  HWND bar = nullptr;
  ULONGLONG waitedMs = 0;
  bool barStillShown = true;
};

LRESULT CALLBACK ClosingProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 1) {
    auto* close = reinterpret_cast<CloseWaitingForTheBar*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    const ULONGLONG start = GetTickCount64();
    while (IsWindowVisible(close->bar) && GetTickCount64() - start < 10'000) {
      PumpPendingMessages();
      Sleep(10);
    }
    close->waitedMs = GetTickCount64() - start;
    close->barStillShown = IsWindowVisible(close->bar);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

TEST(HttpGetFile, ACloseWaitingForTheBarInsideTheTransferSeesItsEnd) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  CloseWaitingForTheBar close;
  close.bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 100, 8, nullptr, nullptr, nullptr, nullptr);
  RegisterWindowClassOnce(L"StrevoTestClosing", ClosingProc, nullptr);
  HWND window = CreateWindowExW(0, L"StrevoTestClosing", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&close));
  // A body that takes about a second to come.
  LoopbackServer server([](SOCKET s, LoopbackServer& srv) {
    if (!SendAll(s, "HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n", srv)) return;
    for (int i = 0; i < 10; ++i) {
      Sleep(100);
      if (!SendAll(s, std::string(1000, 'z'), srv)) return;
    }
  });
  const std::string file = SystemTempPath() + "strevo-http-bar.zip";
  PostMessageW(window, WM_APP + 1, 0, 0);
  EXPECT_TRUE(httpgetfile(server.Url("/tvg.zip"), file, close.bar));
  EXPECT_FALSE(close.barStillShown);
  EXPECT_LT(close.waitedMs, 8'000u);
  EXPECT_EQ(FileSizeOf(file), 10000);
  EXPECT_FALSE(IsWindowVisible(close.bar));
  DeleteFileW(Widen(file).c_str());
  DestroyWindow(window);
  DestroyWindow(close.bar);
}

}  // namespace
}  // namespace strevo
