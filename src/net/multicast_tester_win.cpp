#include "net/multicast_tester_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mswsock.h>

#include <vector>

#include "base/eventlog.h"

namespace strevo {

namespace {

// Reads each datagram with its destination address: a socket bound to a port
// gets the datagrams of every group joined on the machine for that port, and
// only the tested group's count.
class SocketProbe : public ListenProbe {
 public:
  SocketProbe(SOCKET s, in_addr group) : s_(s), group_(group), buffer_(kDatagramBuffer) {
    DWORD yes = 1, got = 0;
    GUID id = WSAID_WSARECVMSG;
    if (setsockopt(s, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&yes), sizeof yes) == 0 &&
        WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &recvMsg_, sizeof recvMsg_, &got, nullptr,
                 nullptr) != 0)
      recvMsg_ = nullptr;
  }
  long long NowMs() override { return static_cast<long long>(GetTickCount64()); }
  int BytesWaiting() override {
    u_long waiting = 0;
    if (ioctlsocket(s_, FIONREAD, &waiting) != 0) return -1;
    return waiting > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(waiting);
  }
  int ReceiveOne() override {
    if (!recvMsg_) {
      const int got = recv(s_, buffer_.data(), static_cast<int>(buffer_.size()), 0);
      return got > 0 ? got : 0;
    }
    WSABUF data{static_cast<ULONG>(buffer_.size()), buffer_.data()};
    WSAMSG msg{};
    msg.lpBuffers = &data;
    msg.dwBufferCount = 1;
    msg.Control.buf = control_;
    msg.Control.len = sizeof control_;
    DWORD got = 0;
    if (recvMsg_(s_, &msg, &got, nullptr, nullptr) != 0) return 0;
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg); c; c = WSA_CMSG_NXTHDR(&msg, c))
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO &&
          reinterpret_cast<const IN_PKTINFO*>(WSA_CMSG_DATA(c))->ipi_addr.s_addr != group_.s_addr)
        return kForeignDatagram;
    return static_cast<int>(got);
  }
  void SleepMs(int ms) override { Sleep(static_cast<DWORD>(ms)); }

 private:
  // The largest datagram there is: a longer one would be cut.
  static constexpr size_t kDatagramBuffer = 65536;
  SOCKET s_;
  in_addr group_;
  LPFN_WSARECVMSG recvMsg_ = nullptr;
  std::vector<char> buffer_;
  alignas(8) char control_[WSA_CMSG_SPACE(sizeof(IN_PKTINFO)) + 64];
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
  SocketProbe probe(g.s, group);
  const ListenCount count = ListenForData(probe, progress);
  // Once per channel: a line per datagram would flood the log.
  if (count.foreign > 0)
    LogLine("multicast test: " + std::to_string(count.foreign) + " datagrams of other groups on port " +
            std::to_string(target.port) + " dropped, tested " + target.group);
  return count;
}

}  // namespace strevo
