#include "net/netif_win.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "base/eventlog.h"

namespace strevo {

void ListLocalAddresses(std::vector<std::string>& items) { ListLocalAddresses(items, WSAStartup); }

void ListLocalAddresses(std::vector<std::string>& items, SocketsStartup startup) {
  items.push_back("Auto");
  WSADATA wsa;
  // Without sockets the list stays "Auto", and the log still says the step ran.
  if (startup(MAKEWORD(1, 1), &wsa) != 0) {
    LogLine("local IPs done");
    return;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    return;
  }
  // A 1024-byte answer holds at most 13 records, as the box always had.
  static_assert(sizeof(INTERFACE_INFO) == 76);
  alignas(INTERFACE_INFO) char answer[1024];
  DWORD bytes = 0;
  if (WSAIoctl(s, SIO_GET_INTERFACE_LIST, nullptr, 0, answer, sizeof answer, &bytes, nullptr, nullptr) == 0) {
    const size_t count = std::min<size_t>(bytes, sizeof answer) / sizeof(INTERFACE_INFO);
    for (size_t i = 0; i < count; ++i) {
      INTERFACE_INFO info;
      std::memcpy(&info, answer + i * sizeof info, sizeof info);
      if (info.iiFlags & IFF_LOOPBACK) continue;
      items.push_back(inet_ntoa(info.iiAddress.AddressIn.sin_addr));
    }
  }
  closesocket(s);
  WSACleanup();
  LogLine("local IPs done");
}

}  // namespace strevo
