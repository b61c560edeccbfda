// The stand-in media engine: libvlc.dll with the VLC_ entry points the player
// binds at run time. It opens sources for real (files, HTTP, UDP multicast),
// counts and records what arrives, keeps time from the MPEG-TS clock and
// shows a status picture in the player's video panel. It decodes nothing.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/engine_support/engine_text.h"
#include "playback/engine_support/jpeg_encoder.h"
#include "playback/engine_support/ts_clock.h"

using namespace strevo::engine;

typedef union {
  int i_int;
  float f_float;
  char* psz_string;
  void* p_address;
  int64_t i_time;
} vlc_value_t;
static_assert(sizeof(vlc_value_t) == 8, "the value union is 8 bytes");

namespace {

// Result codes of the engine interface.
constexpr int kSuccess = 0;
constexpr int kNoMemory = -1;
constexpr int kNoModule = -10;
constexpr int kNoObject = -20;
constexpr int kBadObject = -21;
constexpr int kNoVariable = -30;
constexpr int kGeneric = -666;

// Variable type codes reported by VLC_VariableType.
constexpr int kTypeInteger = 0x0030;
constexpr int kTypeString = 0x0040;
constexpr int kTypeFloat = 0x0050;

// Playlist modes and positions.
constexpr int kModeGo = 0x0008;
constexpr int kEndOfList = -666;

constexpr int64_t kUdpSilenceMs = 2000;      // a multicast source counts as playing this long after data
constexpr uint64_t kPlainFileRate = 125000;  // bytes/s for files without a stream clock (1 Mbit/s)

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

// ---------------------------------------------------------------- trace

std::mutex g_traceMutex;

// One line per call, appended to the file named by STREVO_ENGINE_TRACE; the
// file is opened and closed for every line so that tests can read it at once.
void Trace(const std::string& line) {
  std::wstring path = Widen(EnvUtf8(L"STREVO_ENGINE_TRACE"));
  if (path.empty()) return;
  std::lock_guard<std::mutex> lock(g_traceMutex);
  HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
}

std::string Str(const char* s) { return s ? TraceQuote(s) : std::string("null"); }

// True when the value's bits are a pointer to readable, zero-terminated text.
// Used only for variables that the player sends as integer or as text; their
// integers are small, far below any address that can hold text.
bool HoldsText(vlc_value_t v) {
  uintptr_t p = reinterpret_cast<uintptr_t>(v.p_address);
  if (p < 0x10000) return false;
  if ((p >> 32) == 0 && static_cast<uint32_t>(p) >= 0xFFFF0000u) return false;  // a small negative int
  if ((p >> 47) != 0) return false;  // no user-mode address
  MEMORY_BASIC_INFORMATION mbi;
  if (VirtualQuery(v.p_address, &mbi, sizeof mbi) == 0 || mbi.State != MEM_COMMIT) return false;
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  if ((mbi.Protect & readable) == 0 || (mbi.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
  uintptr_t end = reinterpret_cast<uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
  for (uintptr_t q = p; q < end && q < p + 4096; ++q)
    if (*reinterpret_cast<const char*>(q) == '\0') return true;
  return false;
}

// ---------------------------------------------------------------- variables

struct Stored {
  VarKind kind = VarKind::Int;  // Int, Float or Text once stored
  vlc_value_t raw{};
  std::string text;
};

// Reads a value the way its name says, copying text (the caller's pointer
// does not outlive the call). Returns the trace text "type value".
Stored ReadValue(const char* name, vlc_value_t v, std::string& traced) {
  Stored s;
  VarKind k = VariableKind(name);
  if (k == VarKind::IntOrText) k = HoldsText(v) ? VarKind::Text : VarKind::Int;
  s.kind = k;
  s.raw.i_time = 0;
  switch (k) {
    case VarKind::Float:
      s.raw.f_float = v.f_float;
      traced = "float " + TraceFloat(v.f_float);
      break;
    case VarKind::Text:
      s.text = v.psz_string ? v.psz_string : "";
      traced = "string " + Str(v.psz_string);
      break;
    default:
      s.raw.i_int = v.i_int;
      traced = "int " + std::to_string(v.i_int);
  }
  return s;
}

using VarStore = std::map<std::string, Stored>;

std::string TextVar(const VarStore& vars, const char* name) {
  auto it = vars.find(name);
  if (it == vars.end()) return {};
  return it->second.kind == VarKind::Text ? it->second.text : std::to_string(it->second.raw.i_int);
}

int IntVar(const VarStore& vars, const char* name, int fallback) {
  auto it = vars.find(name);
  if (it == vars.end()) return fallback;
  if (it->second.kind == VarKind::Int) return it->second.raw.i_int;
  return fallback;
}

// ---------------------------------------------------------------- sessions

// One opened source, read on a thread of its own. The API thread and the UI
// thread only read its atomics; it is deleted after its thread has ended and
// its window is gone.
struct Session {
  std::string address;
  SourceAddress source;
  std::string iface;
  std::vector<std::string> recordPaths;
  std::wstring windowClass;
  HWND drawable = nullptr;
  HWND window = nullptr;  // touched on the UI thread only

  std::thread thread;
  std::atomic<bool> stop{false}, paused{false}, opened{false}, ended{false};
  std::atomic<uint64_t> bytes{0}, bitsPerSecond{0};
  std::atomic<int64_t> lastDataMs{-1}, startMs{0};
  std::atomic<int64_t> lengthSeconds{0}, timeSeconds{0};
  std::atomic<int64_t> seekSeconds{-1};
  std::atomic<float> rate{1.0f};

  // rate sampling, session thread only
  uint64_t sampleBytes = 0;
  int64_t sampleMs = 0;
  std::vector<HANDLE> sinks;

  bool Live() const {
    if (!opened || ended) return false;
    if (source.kind == SourceKind::Udp) {
      int64_t last = lastDataMs;
      return last >= 0 && NowMs() - last <= kUdpSilenceMs;
    }
    return true;
  }
  bool Playing() const { return Live() && !paused; }

  void Deliver(const uint8_t* data, size_t n) {
    for (HANDLE h : sinks) {
      DWORD written = 0;
      WriteFile(h, data, static_cast<DWORD>(n), &written, nullptr);
    }
    bytes += n;
    lastDataMs = NowMs();
  }
  void SampleRate() {
    int64_t now = NowMs();
    if (now - sampleMs < 1000) return;
    uint64_t b = bytes;
    bitsPerSecond = (b - sampleBytes) * 8000 / static_cast<uint64_t>(now - sampleMs);
    sampleBytes = b;
    sampleMs = now;
  }
  // Sleeps up to `ms` in short steps; false when asked to stop.
  bool Nap(int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
      if (stop) return false;
      Sleep(static_cast<DWORD>(ms - waited < 20 ? ms - waited : 20));
    }
    return !stop;
  }
};

void OpenSinks(Session& s) {
  for (const std::string& p : s.recordPaths) {
    HANDLE h = CreateFileW(Widen(p).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) s.sinks.push_back(h);
  }
}

void CloseSinks(Session& s) {
  for (HANDLE h : s.sinks) CloseHandle(h);
  s.sinks.clear();
}

// Waits until the socket is readable; false on stop or error, `ready` false on timeout.
bool WaitReadable(Session& s, SOCKET sock, bool& ready) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(sock, &set);
  timeval tv{0, 200000};
  int r = select(0, &set, nullptr, nullptr, &tv);
  ready = r > 0;
  return r >= 0 && !s.stop;
}

void RunUdp(Session& s) {
  SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (sock == INVALID_SOCKET) return;
  BOOL yes = TRUE;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
  int buffer = 4 << 20;
  setsockopt(sock, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer), sizeof buffer);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(s.source.port);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  in_addr group{};
  bool haveGroup = !s.source.host.empty() && inet_pton(AF_INET, s.source.host.c_str(), &group) == 1;
  bool multicast = haveGroup && (ntohl(group.s_addr) >> 28) == 0xE;
  if (haveGroup && !multicast) local.sin_addr = group;  // a unicast address of ours
  if (bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    closesocket(sock);
    return;
  }
  if (multicast) {
    ip_mreq mreq{};
    mreq.imr_multiaddr = group;
    // Not an address ("", "Auto", ...): let the system choose the interface.
    if (inet_pton(AF_INET, s.iface.c_str(), &mreq.imr_interface) != 1) mreq.imr_interface.s_addr = htonl(INADDR_ANY);
    if (setsockopt(sock, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&mreq), sizeof mreq) != 0) {
      closesocket(sock);
      return;
    }
  }
  s.opened = true;
  std::vector<uint8_t> buf(65536);
  while (!s.stop) {
    s.SampleRate();
    if (s.paused) {
      s.Nap(50);
      continue;
    }
    bool ready = false;
    if (!WaitReadable(s, sock, ready)) break;
    if (!ready) continue;
    int n = recv(sock, reinterpret_cast<char*>(buf.data()), static_cast<int>(buf.size()), 0);
    if (n > 0) s.Deliver(buf.data(), static_cast<size_t>(n));
  }
  closesocket(sock);
}

// Connects with a bounded wait so that Stop is never held up by a dead host.
SOCKET ConnectTcp(Session& s, const std::string& host, uint16_t port) {
  addrinfo hints{}, *res = nullptr;
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &res) != 0 || !res) return INVALID_SOCKET;
  SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  u_long nonBlocking = 1;
  ioctlsocket(sock, FIONBIO, &nonBlocking);
  connect(sock, res->ai_addr, static_cast<int>(res->ai_addrlen));
  freeaddrinfo(res);
  for (int i = 0; i < 50 && !s.stop; ++i) {
    fd_set w, e;
    FD_ZERO(&w);
    FD_ZERO(&e);
    FD_SET(sock, &w);
    FD_SET(sock, &e);
    timeval tv{0, 200000};
    int r = select(0, nullptr, &w, &e, &tv);
    if (r < 0 || FD_ISSET(sock, &e)) break;
    if (FD_ISSET(sock, &w)) {
      u_long blocking = 0;
      ioctlsocket(sock, FIONBIO, &blocking);
      return sock;
    }
  }
  closesocket(sock);
  return INVALID_SOCKET;
}

void RunHttp(Session& s) {
  SOCKET sock = ConnectTcp(s, s.source.host, s.source.port);
  if (sock == INVALID_SOCKET) return;
  std::string host = s.source.host + (s.source.port != 80 ? ":" + std::to_string(s.source.port) : "");
  // HTTP/1.0: the body comes as it is, never in chunks, and ends with the connection.
  std::string request = "GET " + s.source.query + " HTTP/1.0\r\nHost: " + host +
                        "\r\nUser-Agent: Strevo-engine\r\nAccept: */*\r\n\r\n";
  send(sock, request.data(), static_cast<int>(request.size()), 0);
  std::string head;
  std::vector<uint8_t> buf(65536);
  bool inBody = false;
  while (!s.stop) {
    s.SampleRate();
    if (s.paused && inBody) {
      s.Nap(50);
      continue;
    }
    bool ready = false;
    if (!WaitReadable(s, sock, ready)) break;
    if (!ready) continue;
    int n = recv(sock, reinterpret_cast<char*>(buf.data()), static_cast<int>(buf.size()), 0);
    if (n <= 0) break;
    if (inBody) {
      s.Deliver(buf.data(), static_cast<size_t>(n));
      continue;
    }
    head.append(reinterpret_cast<char*>(buf.data()), static_cast<size_t>(n));
    size_t end = head.find("\r\n\r\n");
    if (end == std::string::npos) {
      if (head.size() > 65536) break;
      continue;
    }
    // "HTTP/1.x 2xx": anything else is no stream.
    if (head.size() < 12 || head.compare(0, 5, "HTTP/") != 0 || head[9] != '2') break;
    inBody = true;
    s.opened = true;
    size_t bodyStart = end + 4;
    if (bodyStart < head.size())
      s.Deliver(reinterpret_cast<const uint8_t*>(head.data()) + bodyStart, head.size() - bodyStart);
    head.clear();
  }
  closesocket(sock);
}

bool ReadAt(HANDLE f, uint64_t offset, std::vector<uint8_t>& buf, size_t want) {
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(f, li, nullptr, FILE_BEGIN)) return false;
  buf.resize(want);
  DWORD got = 0;
  if (!ReadFile(f, buf.data(), static_cast<DWORD>(want), &got, nullptr)) return false;
  buf.resize(got);
  return true;
}

void RunFile(Session& s) {
  HANDLE f = CreateFileW(Widen(s.source.path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  const uint64_t total = static_cast<uint64_t>(size.QuadPart);

  // The stream clock: first PCR near the start, last PCR of the same PID near the end.
  std::vector<uint8_t> buf;
  size_t sync = 0;
  int clockPid = -1;
  uint64_t firstPcr = 0, spanTicks = 0;
  ReadAt(f, 0, buf, 1 << 20);
  if (auto off = FindTsSync(buf.data(), buf.size())) {
    sync = *off;
    if (auto first = FirstPcr(buf.data(), buf.size(), sync)) {
      const uint64_t tail = 1 << 20;
      uint64_t from = total > tail + sync ? sync + (total - tail - sync) / kTsPacketSize * kTsPacketSize : sync;
      std::vector<uint8_t> end;
      ReadAt(f, from, end, static_cast<size_t>(total - from));
      if (auto last = LastPcr(end.data(), end.size(), 0, first->pid)) {
        clockPid = first->pid;
        firstPcr = first->pcr;
        spanTicks = PcrDistance(first->pcr, last->pcr);
      }
    }
  }
  const bool clocked = clockPid >= 0 && spanTicks > 0;
  s.lengthSeconds = clocked ? static_cast<int64_t>(spanTicks / kPcrHz) : static_cast<int64_t>(total / kPlainFileRate);
  s.opened = true;

  uint64_t pos = clocked ? sync : 0;
  bool anchored = false;
  int64_t anchorWallMs = 0;
  uint64_t anchorTicks = 0;
  float anchorRate = 1.0f;
  std::vector<uint8_t> chunk;
  while (!s.stop) {
    s.SampleRate();
    int64_t seek = s.seekSeconds.exchange(-1);
    if (seek >= 0) {
      int64_t len = s.lengthSeconds;
      if (clocked) {
        uint64_t packets = (total - sync) / kTsPacketSize;
        uint64_t target = len > 0 ? packets * static_cast<uint64_t>(seek) / static_cast<uint64_t>(len) : 0;
        pos = sync + (target < packets ? target : packets) * kTsPacketSize;
      } else {
        pos = static_cast<uint64_t>(seek) * kPlainFileRate;
        if (pos > total) pos = total;
      }
      s.timeSeconds = seek;
      anchored = false;
    }
    if (s.paused) {
      anchored = false;
      s.Nap(50);
      continue;
    }
    if (pos >= total) break;
    float rate = s.rate;
    if (rate != anchorRate) anchored = false;
    if (!clocked) {
      // A fixed pace: one tenth of a second's worth of bytes every 100 ms.
      size_t want = static_cast<size_t>(kPlainFileRate / 10 * rate);
      if (!ReadAt(f, pos, chunk, want) || chunk.empty()) break;
      s.Deliver(chunk.data(), chunk.size());
      pos += chunk.size();
      s.timeSeconds = static_cast<int64_t>(pos / kPlainFileRate);
      s.Nap(100);
      continue;
    }
    if (!ReadAt(f, pos, chunk, kTsPacketSize * 64) || chunk.empty()) break;
    if (chunk.size() < kTsPacketSize) {  // a cut-off last packet still counts as received
      s.Deliver(chunk.data(), chunk.size());
      break;
    }
    const size_t whole = chunk.size() / kTsPacketSize * kTsPacketSize;
    size_t done = 0;
    bool interrupted = false;
    for (size_t off = 0; off < whole && !interrupted; off += kTsPacketSize) {
      uint16_t pid = 0;
      auto pcr = PacketPcr(&chunk[off], &pid);
      if (!pcr || pid != clockPid) continue;
      uint64_t ticks = PcrDistance(firstPcr, *pcr);
      s.timeSeconds = static_cast<int64_t>(ticks / kPcrHz);
      int64_t due = anchorWallMs + static_cast<int64_t>((ticks - anchorTicks) * 1000 / kPcrHz / anchorRate);
      // Anchor anew after a pause, a seek, a rate change or a jump of the clock.
      if (!anchored || ticks < anchorTicks || due - NowMs() > 10000) {
        anchored = true;
        anchorTicks = ticks;
        anchorWallMs = NowMs();
        anchorRate = rate;
        continue;
      }
      if (due <= NowMs()) continue;
      s.Deliver(&chunk[done], off - done);
      done = off;
      while (!interrupted && NowMs() < due) {
        int64_t left = due - NowMs();
        if (!s.Nap(static_cast<int>(left > 50 ? 50 : left)) || s.paused || s.seekSeconds >= 0) interrupted = true;
      }
    }
    if (!interrupted) {
      s.Deliver(&chunk[done], whole - done);
      done = whole;
    }
    pos += done;
  }
  CloseHandle(f);
}

void RunSession(Session* s) {
  s->sampleMs = NowMs();
  OpenSinks(*s);
  switch (s->source.kind) {
    case SourceKind::Udp: RunUdp(*s); break;
    case SourceKind::Http: RunHttp(*s); break;
    case SourceKind::File: RunFile(*s); break;
    default: break;
  }
  CloseSinks(*s);
  s->ended = true;
}

// ---------------------------------------------------------------- status window

// The engine's UI thread: owns the status windows shown in the player's
// video panel; other threads reach it only through SendMessage.
constexpr UINT kMsgCreate = WM_APP + 1;
constexpr UINT kMsgDestroy = WM_APP + 2;
constexpr UINT_PTR kRefreshTimer = 1;
std::thread g_uiThread;
HWND g_control = nullptr;
std::mutex g_uiMutex;

StatusFigures FiguresOf(const Session& s) {
  StatusFigures f;
  f.address = s.address;
  f.bytes = s.bytes;
  f.bitsPerSecond = s.bitsPerSecond;
  f.elapsedSeconds = (NowMs() - s.startMs) / 1000;
  f.paused = s.paused;
  f.receiving = s.Live();
  return f;
}

// Draws the status picture; the same drawing serves the window and snapshots.
void DrawStatus(HDC dc, const RECT& rc, const StatusFigures& f) {
  HBRUSH bg = CreateSolidBrush(RGB(16, 20, 28));
  FillRect(dc, &rc, bg);
  DeleteObject(bg);
  int height = (rc.bottom - rc.top) / 14;
  if (height < 12) height = 12;
  if (height > 28) height = 28;
  HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY,
                           FF_SWISS, L"Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, f.receiving && !f.paused ? RGB(120, 220, 140) : RGB(220, 200, 120));
  RECT text = rc;
  InflateRect(&text, -height, -height);
  std::wstring lines = Widen(StatusLines(f));
  DrawTextW(dc, lines.c_str(), static_cast<int>(lines.size()), &text, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_WORDBREAK);
  SelectObject(dc, old);
  DeleteObject(font);
}

LRESULT CALLBACK StatusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Session* s = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      SetTimer(hwnd, kRefreshTimer, 500, nullptr);
      return 0;
    case WM_TIMER:
      if (s && s->ended) {
        DestroyWindow(hwnd);
        return 0;
      }
      if (s) {
        // Follow the panel's size.
        RECT parent, own;
        GetClientRect(GetParent(hwnd), &parent);
        GetClientRect(hwnd, &own);
        if (parent.right != own.right || parent.bottom != own.bottom)
          SetWindowPos(hwnd, nullptr, 0, 0, parent.right, parent.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right > 0 ? rc.right : 1, rc.bottom > 0 ? rc.bottom : 1);
      HGDIOBJ old = SelectObject(mem, bmp);
      if (s) DrawStatus(mem, rc, FiguresOf(*s));
      BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteObject(bmp);
      DeleteDC(mem);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NCDESTROY:
      if (s) s->window = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kMsgCreate: {
      Session* s = reinterpret_cast<Session*>(lp);
      RECT rc{0, 0, 0, 0};
      GetClientRect(s->drawable, &rc);
      s->window = CreateWindowExW(WS_EX_NOPARENTNOTIFY, s->windowClass.c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                  0, 0, rc.right, rc.bottom, s->drawable, nullptr, GetModuleHandleW(nullptr), s);
      return 0;
    }
    case kMsgDestroy: {
      Session* s = reinterpret_cast<Session*>(lp);
      if (s->window) DestroyWindow(s->window);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void UiThreadMain(HANDLE ready) {
  WNDCLASSW wc{};
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpfnWndProc = StatusProc;
  wc.lpszClassName = L"VLC DirectX";
  RegisterClassW(&wc);
  wc.lpszClassName = L"VLC WinGDI";
  RegisterClassW(&wc);
  wc.lpfnWndProc = ControlProc;
  wc.lpszClassName = L"StrevoEngineControl";
  RegisterClassW(&wc);
  g_control = CreateWindowExW(0, L"StrevoEngineControl", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  SetEvent(ready);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  g_control = nullptr;
  // The library may be unloaded next: no class may keep our window procedures.
  UnregisterClassW(L"VLC DirectX", wc.hInstance);
  UnregisterClassW(L"VLC WinGDI", wc.hInstance);
  UnregisterClassW(L"StrevoEngineControl", wc.hInstance);
}

HWND UiControl() {
  std::lock_guard<std::mutex> lock(g_uiMutex);
  if (!g_uiThread.joinable()) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_uiThread = std::thread(UiThreadMain, ready);
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
  }
  return g_control;
}

void StopUiThread() {
  std::lock_guard<std::mutex> lock(g_uiMutex);
  if (!g_uiThread.joinable()) return;
  if (g_control) PostMessageW(g_control, WM_CLOSE, 0, 0);
  g_uiThread.join();
}

// ---------------------------------------------------------------- instances

enum ObjectKind { kRootObject = 0, kInputObject = -7, kVoutObject = -9, kAoutObject = -10 };

struct Instance;
struct EngineObject {
  ObjectKind kind;
  Instance* owner;
  VarStore vars;
};

struct Instance {
  int id = 0;
  std::mutex mu;
  VarStore vars;
  std::vector<std::string> playlist;
  int index = -1;
  std::unique_ptr<Session> session;
  int volume = 100;
  bool muted = false;
  float rate = 1.0f;
  int snapshots = 0;
  EngineObject root{kRootObject, this, {}}, input{kInputObject, this, {}}, vout{kVoutObject, this, {}},
      aout{kAoutObject, this, {}};
};

std::mutex g_instancesMutex;
std::map<int, std::unique_ptr<Instance>> g_instances;
int g_nextId = 0;
std::once_flag g_winsock;

Instance* Find(int id) {
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  auto it = g_instances.find(id);
  return it == g_instances.end() ? nullptr : it->second.get();
}

EngineObject* FindObject(void* p) {
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  for (auto& [id, inst] : g_instances)
    for (EngineObject* o : {&inst->root, &inst->input, &inst->vout, &inst->aout})
      if (o == p) return o;
  return nullptr;
}

const char* KindName(ObjectKind k) {
  switch (k) {
    case kInputObject: return "input";
    case kVoutObject: return "vout";
    case kAoutObject: return "aout";
    default: return "root";
  }
}

std::string ObjectText(EngineObject* o) {
  return o ? std::to_string(o->owner->id) + ":" + KindName(o->kind) : std::string("null");
}

// Caller holds inst.mu.
void StopSession(Instance& inst) {
  std::unique_ptr<Session> s = std::move(inst.session);
  if (!s) return;
  s->stop = true;
  if (g_control) SendMessageW(g_control, kMsgDestroy, 0, reinterpret_cast<LPARAM>(s.get()));
  if (s->thread.joinable()) s->thread.join();
}

// Caller holds inst.mu. The stream-output and dump settings are read here,
// when a target starts, as the player expects.
void StartSession(Instance& inst) {
  StopSession(inst);
  if (inst.index < 0 || inst.index >= static_cast<int>(inst.playlist.size())) return;
  auto s = std::make_unique<Session>();
  s->address = inst.playlist[static_cast<size_t>(inst.index)];
  s->source = ParseSourceAddress(s->address);
  s->iface = TextVar(inst.vars, "conf::miface-addr");
  s->rate = inst.rate;
  s->startMs = NowMs();
  if (auto target = ParseRecordChain(TextVar(inst.vars, "conf::sout"))) s->recordPaths.push_back(target->path);
  std::string dumpFile = TextVar(inst.vars, "conf::demuxdump-file");
  if (TextVar(inst.vars, "conf::demux") == "dump" && !dumpFile.empty()) s->recordPaths.push_back(dumpFile);
  s->windowClass = TextVar(inst.vars, "conf::vout") == "opengl" ? L"VLC WinGDI" : L"VLC DirectX";
  int drawable = IntVar(inst.vars, "drawable", 0);
  s->drawable = reinterpret_cast<HWND>(static_cast<intptr_t>(drawable));
  bool supported = s->source.kind == SourceKind::File || s->source.kind == SourceKind::Http ||
                   s->source.kind == SourceKind::Udp;
  if (!supported) {
    s->ended = true;  // tuners and unknown schemes: nothing plays
  } else {
    if (drawable && IsWindow(s->drawable)) {
      if (HWND control = UiControl()) SendMessageW(control, kMsgCreate, 0, reinterpret_cast<LPARAM>(s.get()));
    }
    s->thread = std::thread(RunSession, s.get());
  }
  inst.session = std::move(s);
}

// The display picture: the status window's size, else the panel's, else the
// configured size, else 360 x 288.
int WriteSnapshot(Instance& inst) {
  std::string target = TextVar(inst.vars, "conf::snapshot-path");
  if (target.empty() || !inst.session) return kGeneric;
  Session& s = *inst.session;
  RECT rc{0, 0, 0, 0};
  if (s.window) GetClientRect(s.window, &rc);
  else if (s.drawable && IsWindow(s.drawable)) GetClientRect(s.drawable, &rc);
  if (rc.right <= 0 || rc.bottom <= 0) {
    rc.right = IntVar(inst.vars, "conf::width", 360);
    rc.bottom = IntVar(inst.vars, "conf::height", 288);
    if (rc.right <= 0 || rc.right > 8192 || rc.bottom <= 0 || rc.bottom > 8192) rc = RECT{0, 0, 360, 288};
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = rc.right;
  bi.bmiHeader.biHeight = -rc.bottom;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) {
    DeleteDC(dc);
    return kNoMemory;
  }
  HGDIOBJ old = SelectObject(dc, bmp);
  DrawStatus(dc, rc, FiguresOf(s));
  GdiFlush();
  const int stride = (rc.right * 3 + 3) & ~3;
  std::vector<uint8_t> rgb(static_cast<size_t>(rc.right) * rc.bottom * 3);
  for (int y = 0; y < rc.bottom; ++y)
    for (int x = 0; x < rc.right; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(bits) + y * stride + x * 3;  // B, G, R
      uint8_t* q = &rgb[(static_cast<size_t>(y) * rc.right + x) * 3];
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
    }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  std::vector<uint8_t> jpg = EncodeJpeg(rgb.data(), rc.right, rc.bottom, rc.right * 3, 90);

  // A folder (closing separator or an existing folder) gets numbered files.
  std::wstring path = Widen(target);
  DWORD attrs = GetFileAttributesW(path.c_str());
  bool folder = target.back() == '\\' || target.back() == '/' ||
                (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY));
  if (folder) {
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    std::wstring name;
    for (int tries = 0; tries < 100000; ++tries) {
      name = path + Widen(SnapshotFileName(++inst.snapshots));
      if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    path = name;
  }
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return kGeneric;
  DWORD written = 0;
  BOOL ok = WriteFile(f, jpg.data(), static_cast<DWORD>(jpg.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == jpg.size() ? kSuccess : kGeneric;
}

std::string g_versionText;
std::mutex g_versionMutex;

}  // namespace

namespace {

// Traces the call, then runs `f` on the instance under its lock; `missing`
// when there is no such instance.
template <class R, class F>
R Locked(const std::string& call, int id, R missing, F f) {
  Trace(call);
  Instance* inst = Find(id);
  if (!inst) return missing;
  std::lock_guard<std::mutex> lock(inst->mu);
  return f(*inst);
}

std::string Call(const char* name, int id) { return std::string(name) + " " + std::to_string(id); }

// The instance's source while it is open (paused or not), else null.
Session* OpenSource(Instance& inst) {
  Session* s = inst.session.get();
  return s && s->opened && !s->ended ? s : nullptr;
}

int StopInstance(Instance& inst) {
  StopSession(inst);
  return kSuccess;
}

int MovePlaylist(Instance& inst, int step) {
  int next = inst.index + step;
  if (next < 0 || next >= static_cast<int>(inst.playlist.size())) return kGeneric;
  inst.index = next;
  StartSession(inst);
  return kSuccess;
}

float ChangeRate(Instance& inst, float factor) {
  float rate = inst.rate * factor;
  if (rate >= 0.125f && rate <= 8.0f) inst.rate = rate;
  if (inst.session) inst.session->rate = inst.rate;
  return inst.rate;
}

}  // namespace

// ---------------------------------------------------------------- entry points

extern "C" {

int rootwrap(void) {
  Trace("rootwrap");
  return kSuccess;
}

int VLC_Create(void) {
  Trace("VLC_Create");
  std::call_once(g_winsock, [] {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
  });
  std::lock_guard<std::mutex> lock(g_instancesMutex);
  auto inst = std::make_unique<Instance>();
  inst->id = g_nextId++;
  int id = inst->id;
  g_instances[id] = std::move(inst);
  return id;
}

int VLC_Init(int id, int argc, char* argv[]) {
  std::string line = "VLC_Init " + std::to_string(id) + " " + std::to_string(argc);
  for (int i = 0; argv && i < argc; ++i) line += " " + Str(argv[i]);
  Trace(line);
  return Find(id) ? kSuccess : kNoObject;
}

int VLC_AddIntf(int id, const char* module, int block, int play) {
  Trace("VLC_AddIntf " + std::to_string(id) + " " + Str(module) + " " + std::to_string(block) + " " + std::to_string(play));
  return Find(id) ? kNoModule : kNoObject;  // no interface modules here
}

int VLC_Die(int id) { return Locked(Call("VLC_Die", id), id, kNoObject, StopInstance); }

int VLC_CleanUp(int id) { return Locked(Call("VLC_CleanUp", id), id, kNoObject, StopInstance); }

int VLC_Destroy(int id) {
  Trace("VLC_Destroy " + std::to_string(id));
  std::unique_ptr<Instance> inst;
  bool last = false;
  {
    std::lock_guard<std::mutex> lock(g_instancesMutex);
    auto it = g_instances.find(id);
    if (it == g_instances.end()) return kNoObject;
    inst = std::move(it->second);
    g_instances.erase(it);
    last = g_instances.empty();
  }
  {
    std::lock_guard<std::mutex> lock(inst->mu);
    StopSession(*inst);
  }
  inst.reset();
  // No window is left: the UI thread can go, so the library may be unloaded.
  if (last) StopUiThread();
  return kSuccess;
}

int VLC_VariableSet(int id, const char* name, vlc_value_t value) {
  std::string traced;
  Stored s = ReadValue(name ? name : "", value, traced);
  Trace("VLC_VariableSet " + std::to_string(id) + " " + (name ? name : "null") + " " + traced);
  Instance* inst = Find(id);
  if (!inst) return kNoObject;
  if (!name || !*name) return kNoVariable;
  std::lock_guard<std::mutex> lock(inst->mu);
  inst->vars[name] = std::move(s);
  return kSuccess;
}

int VLC_VariableGet(int id, const char* name, vlc_value_t* value) {
  Trace("VLC_VariableGet " + std::to_string(id) + " " + (name ? name : "null"));
  Instance* inst = Find(id);
  if (!inst) return kNoObject;
  if (!name || !value) return kNoVariable;
  std::lock_guard<std::mutex> lock(inst->mu);
  auto it = inst->vars.find(name);
  if (it == inst->vars.end()) return kNoVariable;
  *value = it->second.raw;
  if (it->second.kind == VarKind::Text) value->psz_string = it->second.text.data();
  return kSuccess;
}

int VLC_VariableType(int id, const char* name, int* type) {
  Trace("VLC_VariableType " + std::to_string(id) + " " + (name ? name : "null"));
  Instance* inst = Find(id);
  if (!inst) return kNoObject;
  if (!name || !type) return kNoVariable;
  std::lock_guard<std::mutex> lock(inst->mu);
  auto it = inst->vars.find(name);
  VarKind k = it != inst->vars.end() ? it->second.kind : VariableKind(name);
  *type = k == VarKind::Float ? kTypeFloat : k == VarKind::Text ? kTypeString : kTypeInteger;
  return it != inst->vars.end() ? kSuccess : kNoVariable;
}

int VLC_AddTarget(int id, const char* target, const char** options, int optionCount, int mode, int pos) {
  std::string line = "VLC_AddTarget " + std::to_string(id) + " " + Str(target) + " " + std::to_string(optionCount) +
                     " " + std::to_string(mode) + " " + std::to_string(pos);
  for (int i = 0; options && i < optionCount; ++i) line += " " + Str(options[i]);
  Trace(line);
  Instance* inst = Find(id);
  if (!inst) return kNoObject;
  if (!target) return kGeneric;
  std::lock_guard<std::mutex> lock(inst->mu);
  int at = pos == kEndOfList || pos < 0 || pos > static_cast<int>(inst->playlist.size())
               ? static_cast<int>(inst->playlist.size())
               : pos;
  inst->playlist.insert(inst->playlist.begin() + at, target);
  if (inst->index >= at && inst->index >= 0 && !(mode & kModeGo)) ++inst->index;
  if (mode & kModeGo) {
    inst->index = at;
    StartSession(*inst);
  }
  return kSuccess;
}

int VLC_Play(int id) {
  return Locked(Call("VLC_Play", id), id, kNoObject, [](Instance& inst) {
    if (inst.session && !inst.session->ended) {
      inst.session->paused = false;
      return kSuccess;
    }
    if (inst.playlist.empty()) return kGeneric;
    if (inst.index < 0) inst.index = 0;
    StartSession(inst);  // after a stop or the end: the last target again
    return kSuccess;
  });
}

int VLC_Pause(int id) {
  return Locked(Call("VLC_Pause", id), id, kNoObject, [](Instance& inst) {
    if (!inst.session || inst.session->ended) return kNoObject;
    inst.session->paused = !inst.session->paused;  // a second pause resumes
    return kSuccess;
  });
}

int VLC_Stop(int id) { return Locked(Call("VLC_Stop", id), id, kNoObject, StopInstance); }

int VLC_IsPlaying(int id) {
  return Locked(Call("VLC_IsPlaying", id), id, 0,
                [](Instance& inst) { return inst.session && inst.session->Playing() ? 1 : 0; });
}

int VLC_FullScreen(int id) {
  return Locked(Call("VLC_FullScreen", id), id, kNoObject, [](Instance&) { return kSuccess; });
}

int VLC_LengthGet(int id) {
  return Locked(Call("VLC_LengthGet", id), id, kNoObject, [](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s) return kNoObject;
    return s->source.kind == SourceKind::File ? static_cast<int>(s->lengthSeconds) : 0;
  });
}

int VLC_TimeGet(int id) {
  return Locked(Call("VLC_TimeGet", id), id, kNoObject, [](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s) return kNoObject;
    if (s->source.kind != SourceKind::File) return static_cast<int>((NowMs() - s->startMs) / 1000);
    int64_t pending = s->seekSeconds;
    return static_cast<int>(pending >= 0 ? pending : s->timeSeconds.load());
  });
}

int VLC_TimeSet(int id, int seconds, int relative) {
  std::string call = Call("VLC_TimeSet", id) + " " + std::to_string(seconds) + " " + std::to_string(relative);
  return Locked(call, id, kNoObject, [&](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s || s->source.kind != SourceKind::File) return kNoObject;
    int64_t t = relative ? s->timeSeconds + seconds : seconds;
    int64_t len = s->lengthSeconds;
    s->seekSeconds = t < 0 ? 0 : t > len ? len : t;
    return kSuccess;
  });
}

float VLC_PositionGet(int id) {
  return Locked(Call("VLC_PositionGet", id), id, 0.0f, [](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s || s->lengthSeconds <= 0) return 0.0f;
    return static_cast<float>(s->timeSeconds) / static_cast<float>(s->lengthSeconds);
  });
}

float VLC_PositionSet(int id, float position) {
  return Locked(Call("VLC_PositionSet", id) + " " + TraceFloat(position), id, 0.0f, [&](Instance& inst) {
    Session* s = OpenSource(inst);
    if (!s || s->source.kind != SourceKind::File) return 0.0f;
    float p = position < 0 ? 0 : position > 1 ? 1 : position;
    s->seekSeconds = static_cast<int64_t>(p * static_cast<float>(s->lengthSeconds));
    return p;
  });
}

float VLC_SpeedFaster(int id) {
  return Locked(Call("VLC_SpeedFaster", id), id, 1.0f, [](Instance& inst) { return ChangeRate(inst, 2.0f); });
}

float VLC_SpeedSlower(int id) {
  return Locked(Call("VLC_SpeedSlower", id), id, 1.0f, [](Instance& inst) { return ChangeRate(inst, 0.5f); });
}

int VLC_PlaylistIndex(int id) {
  return Locked(Call("VLC_PlaylistIndex", id), id, kNoObject, [](Instance& inst) { return inst.index; });
}

int VLC_PlaylistNumberOfItems(int id) {
  return Locked(Call("VLC_PlaylistNumberOfItems", id), id, kNoObject,
                [](Instance& inst) { return static_cast<int>(inst.playlist.size()); });
}

int VLC_PlaylistNext(int id) {
  return Locked(Call("VLC_PlaylistNext", id), id, kNoObject, [](Instance& inst) { return MovePlaylist(inst, 1); });
}

int VLC_PlaylistPrev(int id) {
  return Locked(Call("VLC_PlaylistPrev", id), id, kNoObject, [](Instance& inst) { return MovePlaylist(inst, -1); });
}

int VLC_PlaylistClear(int id) {
  return Locked(Call("VLC_PlaylistClear", id), id, kNoObject, [](Instance& inst) {
    StopSession(inst);
    inst.playlist.clear();
    inst.index = -1;
    return kSuccess;
  });
}

int VLC_VolumeSet(int id, int volume) {
  return Locked(Call("VLC_VolumeSet", id) + " " + std::to_string(volume), id, kNoObject, [&](Instance& inst) {
    inst.volume = volume < 0 ? 0 : volume > 200 ? 200 : volume;
    return kSuccess;
  });
}

int VLC_VolumeGet(int id) {
  return Locked(Call("VLC_VolumeGet", id), id, kNoObject, [](Instance& inst) { return inst.volume; });
}

int VLC_VolumeMute(int id) {
  return Locked(Call("VLC_VolumeMute", id), id, kNoObject, [](Instance& inst) {
    inst.muted = !inst.muted;
    return kSuccess;
  });
}

const char* VLC_Version(void) {
  Trace("VLC_Version");
  std::lock_guard<std::mutex> lock(g_versionMutex);
  g_versionText = EnvUtf8(L"STREVO_ENGINE_VERSION");
  if (g_versionText.empty()) g_versionText = "0.8.6-strevo";
  return g_versionText.c_str();
}

const char* VLC_CompileBy(void) {
  Trace("VLC_CompileBy");
  return "strevo";
}

const char* VLC_CompileDomain(void) {
  Trace("VLC_CompileDomain");
  return "localhost";
}

const char* VLC_CompileHost(void) {
  Trace("VLC_CompileHost");
  return "localhost";
}

const char* VLC_Compiler(void) {
  Trace("VLC_Compiler");
  return "gcc (MinGW-w64)";
}

const char* VLC_Error(int code) {
  Trace("VLC_Error " + std::to_string(code));
  switch (code) {
    case 0: return "no error";
    case -1: return "not enough memory";
    case -2: return "thread error";
    case -3: return "timeout";
    case -10: return "module not found";
    case -20: return "object not found";
    case -21: return "bad object type";
    case -30: return "variable not found";
    case -31: return "bad variable value";
    case -255: return "died";
    case -999: return "exited";
    case -666: return "generic error";
    default: return "unknown error";
  }
}

void* vlc_current_object(int id) {
  Trace("vlc_current_object " + std::to_string(id));
  Instance* inst = Find(id);
  return inst ? &inst->root : nullptr;
}

void* __vlc_object_find(void* object, int kind, int mode) {
  EngineObject* o = FindObject(object);
  Trace("__vlc_object_find " + ObjectText(o) + " " + std::to_string(kind) + " " + std::to_string(mode));
  if (!o) return nullptr;
  Instance* inst = o->owner;
  std::lock_guard<std::mutex> lock(inst->mu);
  // The outputs and the input exist only while a source is open and live.
  if (!inst->session || !inst->session->Live()) return nullptr;
  switch (kind) {
    case kVoutObject: return &inst->vout;
    case kAoutObject: return &inst->aout;
    case kInputObject: return &inst->input;
    default: return nullptr;
  }
}

int __var_Set(void* object, const char* name, vlc_value_t value) {
  EngineObject* o = FindObject(object);
  std::string traced;
  Stored s = ReadValue(name ? name : "", value, traced);
  Trace("__var_Set " + ObjectText(o) + " " + (name ? name : "null") + " " + traced);
  if (!o) return kBadObject;
  if (!name || !*name) return kNoVariable;
  Instance* inst = o->owner;
  std::lock_guard<std::mutex> lock(inst->mu);
  o->vars[name] = std::move(s);
  if (o->kind == kVoutObject && std::strcmp(name, "video-snapshot") == 0) return WriteSnapshot(*inst);
  return kSuccess;
}

int __var_Get(void* object, const char* name, vlc_value_t* value) {
  EngineObject* o = FindObject(object);
  Trace("__var_Get " + ObjectText(o) + " " + (name ? name : "null"));
  if (!o) return kBadObject;
  if (!name || !value) return kNoVariable;
  std::lock_guard<std::mutex> lock(o->owner->mu);
  auto it = o->vars.find(name);
  if (it == o->vars.end()) return kNoVariable;
  *value = it->second.raw;
  if (it->second.kind == VarKind::Text) value->psz_string = it->second.text.data();
  return kSuccess;
}

}  // extern "C"
