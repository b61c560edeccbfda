#include "guide/multicast_tester_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

namespace strevo {

namespace {

class SocketProbe : public ListenProbe {
 public:
  explicit SocketProbe(SOCKET s) : s_(s), buffer_(kDatagramBuffer) {}
  long long NowMs() override { return static_cast<long long>(GetTickCount64()); }
  int BytesWaiting() override {
    u_long waiting = 0;
    if (ioctlsocket(s_, FIONREAD, &waiting) != 0) return -1;
    return waiting > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(waiting);
  }
  int ReceiveOne() override {
    const int got = recv(s_, buffer_.data(), static_cast<int>(buffer_.size()), 0);
    return got > 0 ? got : 0;
  }
  void SleepMs(int ms) override { Sleep(static_cast<DWORD>(ms)); }

 private:
  // The largest datagram there is: a longer one would be cut.
  static constexpr size_t kDatagramBuffer = 65536;
  SOCKET s_;
  std::vector<char> buffer_;
};

// Closes the socket, leaving the group first when it was joined.
struct GroupSocket {
  SOCKET s = INVALID_SOCKET;
  bool joined = false;
  ip_mreq mreq{};
  ~GroupSocket() {
    if (joined) setsockopt(s, IPPROTO_IP, IP_DROP_MEMBERSHIP, reinterpret_cast<const char*>(&mreq), sizeof mreq);
    if (s != INVALID_SOCKET) closesocket(s);
  }
};

}  // namespace

std::optional<ListenCount> ListenToGroup(const MulticastTarget& target, const std::string& address,
                                         const std::function<void(const ListenCount&)>& progress) {
  in_addr local{}, group{};
  if (inet_pton(AF_INET, address.c_str(), &local) != 1 || inet_pton(AF_INET, target.group.c_str(), &group) != 1)
    return std::nullopt;
  GroupSocket g;
  g.s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (g.s == INVALID_SOCKET) return std::nullopt;
  const BOOL yes = TRUE;
  if (setsockopt(g.s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes) != 0)
    return std::nullopt;
  // Bound to every address: the join below chooses the interface. A socket
  // bound to the interface's own address gets no group traffic on stacks
  // that match datagrams by their destination (Linux, and Wine on it), and
  // every working channel would be marked.
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_addr.s_addr = htonl(INADDR_ANY);
  bound.sin_port = htons(static_cast<u_short>(target.port));
  if (bind(g.s, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0) return std::nullopt;
  // Room for a full-rate stream while the loop sleeps.
  const int receiveBuffer = 0x400000;
  if (setsockopt(g.s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer) != 0)
    return std::nullopt;
  g.mreq.imr_multiaddr = group;
  g.mreq.imr_interface = local;
  if (setsockopt(g.s, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&g.mreq), sizeof g.mreq) != 0)
    return std::nullopt;
  g.joined = true;
  SocketProbe probe(g.s);
  return ListenForData(probe, progress);
}

}  // namespace strevo
