#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>

#include "sources_win.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "session_win.h"
#include "support/http_stream.h"
#include "support/ts_clock.h"
#include "util_win.h"

namespace strevo::engine {

namespace {

constexpr uint64_t kPlainFileRate = 125000;  // bytes/s for files without a stream clock (1 Mbit/s)

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

// Receives datagrams with their destination address, so that a socket bound
// to a port shared by several groups keeps only its own group's: a socket
// bound to a port gets the datagrams of every group joined on the machine
// for that port, on Windows as on Linux.
class GroupReceiver {
 public:
  GroupReceiver(SOCKET sock, in_addr group) : sock_(sock), group_(group) {
    DWORD yes = 1;
    GUID id = WSAID_WSARECVMSG;
    DWORD got = 0;
    if (setsockopt(sock, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&yes), sizeof yes) == 0 &&
        WSAIoctl(sock, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &recvMsg_, sizeof recvMsg_, &got, nullptr,
                 nullptr) != 0)
      recvMsg_ = nullptr;
  }
  static constexpr int kForeign = -2;
  // The datagram's size; kForeign for one addressed to another group (taken
  // and dropped); -1 when nothing is waiting or the socket failed.
  int Receive(uint8_t* buf, size_t size) {
    if (!recvMsg_) return recv(sock_, reinterpret_cast<char*>(buf), static_cast<int>(size), 0);
    WSABUF data{static_cast<ULONG>(size), reinterpret_cast<char*>(buf)};
    WSAMSG msg{};
    msg.lpBuffers = &data;
    msg.dwBufferCount = 1;
    msg.Control.buf = control_;
    msg.Control.len = sizeof control_;
    DWORD n = 0;
    if (recvMsg_(sock_, &msg, &n, nullptr, nullptr) != 0) return -1;
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg); c; c = WSA_CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
      const auto* info = reinterpret_cast<const IN_PKTINFO*>(WSA_CMSG_DATA(c));
      if (info->ipi_addr.s_addr != group_.s_addr) {
        ++dropped_;
        return kForeign;
      }
    }
    return static_cast<int>(n);
  }
  uint64_t dropped() const { return dropped_; }

 private:
  SOCKET sock_;
  in_addr group_;
  LPFN_WSARECVMSG recvMsg_ = nullptr;
  alignas(8) char control_[WSA_CMSG_SPACE(sizeof(IN_PKTINFO)) + 64];
  uint64_t dropped_ = 0;
};

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

}  // namespace

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
  // This thread only reads the socket and copies; the recordings and the
  // picture get the data on a thread of their own, so a slow disk or decoder
  // never leaves the socket unread. Datagrams are gathered into pieces of at
  // most 256 KB, handed on when full, when the first of them is kHandOnMs
  // old, or when the stream pauses that long.
  // Blocking receives with a short time-out are the cheapest way in under
  // Wine: one server round trip a datagram. A wait before non-blocking
  // receives costs three or more whenever the reader keeps up (it wakes for
  // one datagram at a time), and on a quiet machine at 200 Mbit/s that lost a
  // fifth of the stream; overlapped receives on a completion port cost more.
  constexpr size_t kDatagramMax = 65536, kPiece = 256 * 1024, kPiecesQueued = 1024;
  constexpr DWORD kHandOnMs = 20;
  struct Pieces {
    std::mutex mu;
    std::condition_variable cv;
    std::deque<std::vector<uint8_t>> queue;
    bool done = false;
  } pieces;
  std::thread consumer([&] {
    for (;;) {
      std::vector<uint8_t> piece;
      {
        std::unique_lock<std::mutex> lock(pieces.mu);
        pieces.cv.wait(lock, [&] { return pieces.done || !pieces.queue.empty(); });
        if (pieces.queue.empty()) return;
        piece = std::move(pieces.queue.front());
        pieces.queue.pop_front();
      }
      pieces.cv.notify_all();
      s.Deliver(piece.data(), piece.size());
    }
  });
  auto handOn = [&](std::vector<uint8_t>& piece) {
    s.lastDataMs = NowMs();
    std::unique_lock<std::mutex> lock(pieces.mu);
    // A backlog of a quarter of a gigabyte: the reader waits rather than grow it.
    pieces.cv.wait(lock, [&] { return pieces.queue.size() < kPiecesQueued || s.stop; });
    pieces.queue.push_back(std::move(piece));
    pieces.cv.notify_all();
    piece = std::vector<uint8_t>();
  };
  DWORD timeout = kHandOnMs;
  setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  std::optional<GroupReceiver> receiver;
  if (multicast) receiver.emplace(sock, group);
  bool toldDropped = false;
  std::vector<uint8_t> datagram(kDatagramMax), piece;
  int64_t pieceStartMs = 0;
  while (!s.stop) {
    s.SampleRate();
    if (s.paused) {
      if (!piece.empty()) handOn(piece);
      s.Nap(50);
      continue;
    }
    int n = receiver ? receiver->Receive(datagram.data(), datagram.size())
                     : recv(sock, reinterpret_cast<char*>(datagram.data()), static_cast<int>(datagram.size()), 0);
    if (n == GroupReceiver::kForeign) {
      // Once per source: a log line per datagram would flood the log.
      if (!toldDropped) {
        toldDropped = true;
        EngineLog("udp: datagrams of other groups on port " + std::to_string(s.source.port) + " dropped, kept " +
                  s.source.host);
      }
      continue;
    }
    if (n <= 0) {
      // The time-out (the stream paused) or an error: what came goes on now;
      // an error other than the time-out is not retried at once.
      const bool timedOut = n < 0 && WSAGetLastError() == WSAETIMEDOUT;
      if (!piece.empty()) handOn(piece);
      if (!timedOut) s.Nap(20);
      continue;
    }
    if (piece.empty()) {
      if (piece.capacity() < kPiece) piece.reserve(kPiece + kDatagramMax);
      pieceStartMs = NowMs();
    }
    piece.insert(piece.end(), datagram.data(), datagram.data() + n);
    if (piece.size() >= kPiece || NowMs() - pieceStartMs >= kHandOnMs) handOn(piece);
  }
  if (!piece.empty()) handOn(piece);
  {
    std::lock_guard<std::mutex> lock(pieces.mu);
    pieces.done = true;
  }
  pieces.cv.notify_all();
  consumer.join();
  closesocket(sock);
}

namespace {

enum class HttpEnd { Stopped, Closed };

// One connection of an HTTP source: the request, the head, then the body
// delivered until the connection ends or the session stops.
HttpEnd FetchHttp(Session& s, HttpStream& stream, bool& delivered) {
  SOCKET sock = ConnectTcp(s, s.source.host, s.source.port);
  if (sock == INVALID_SOCKET) return s.stop ? HttpEnd::Stopped : HttpEnd::Closed;
  const std::string request = stream.Request(s.source);
  send(sock, request.data(), static_cast<int>(request.size()), 0);
  std::string head;
  std::vector<uint8_t> buf(65536);
  bool inBody = false;
  auto deliver = [&](const uint8_t* data, size_t n) {
    const size_t had = stream.Received(n);
    if (n == had) return;
    s.Deliver(data + had, n - had);
    delivered = true;
    s.reconnecting = false;
  };
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
      deliver(buf.data(), static_cast<size_t>(n));
      continue;
    }
    head.append(reinterpret_cast<char*>(buf.data()), static_cast<size_t>(n));
    auto answer = ParseHttpHead(head);
    if (!answer) {
      if (head.size() > 65536) break;
      continue;
    }
    if (!stream.Answer(*answer)) break;
    inBody = true;
    s.opened = true;
    if (answer->size < head.size())
      deliver(reinterpret_cast<const uint8_t*>(head.data()) + answer->size, head.size() - answer->size);
    head.clear();
  }
  closesocket(sock);
  return s.stop ? HttpEnd::Stopped : HttpEnd::Closed;
}

}  // namespace

void RunHttp(Session& s) {
  // A stream that has played and whose connection ends is fetched again, its
  // bytes going on into the same recordings; one that never answered is not.
  HttpStream stream;
  int failures = 0;
  for (;;) {
    bool delivered = false;
    if (FetchHttp(s, stream, delivered) == HttpEnd::Stopped || !stream.Dropped()) break;
    s.reconnecting = true;
    failures = delivered ? 0 : failures + 1;
    if (!s.Nap(HttpStream::RetryDelayMs(failures))) break;
  }
  s.reconnecting = false;
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

}  // namespace strevo::engine
