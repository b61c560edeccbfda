// The least Win32 program that records a multicast group, for the recorder
// benchmark (scripts/bench-recorder) to compare the recorder against under
// the same Wine: one socket with an 8 MB receive buffer, blocking receives,
// written through a 1 MB buffered file. Nothing else.
//
//   min_recv GROUP PORT FILE [select]
//
// "select" waits for the socket and drains it with non-blocking receives,
// as the recorder's reader does, to tell the two ways of reading apart.
// Ends 3 s after the last datagram once one has come, and prints
// "received N".
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: min_recv GROUP PORT FILE [select]\n");
    return 2;
  }
  const bool useSelect = argc > 4 && std::strcmp(argv[4], "select") == 0;
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  BOOL yes = TRUE;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
  int buffer = 8 << 20;
  setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&buffer), sizeof buffer);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(std::atoi(argv[2])));
  if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return 1;
  ip_mreq mreq{};
  inet_pton(AF_INET, argv[1], &mreq.imr_multiaddr);
  inet_pton(AF_INET, "127.0.0.1", &mreq.imr_interface);
  if (setsockopt(s, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&mreq), sizeof mreq) != 0) return 1;
  FILE* f = std::fopen(argv[3], "wb");
  if (!f) return 1;
  std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
  std::vector<char> datagram(65536);
  long long received = 0;
  DWORD timeout = 3000;
  if (useSelect) {
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
  } else {
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) {
    if (useSelect) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval tv{3, 0};
      if (select(0, &set, nullptr, nullptr, &tv) <= 0) {
        if (received) break;
        continue;
      }
      for (;;) {
        int n = recv(s, datagram.data(), static_cast<int>(datagram.size()), 0);
        if (n <= 0) break;
        std::fwrite(datagram.data(), 1, static_cast<size_t>(n), f);
        ++received;
      }
      continue;
    }
    int n = recv(s, datagram.data(), static_cast<int>(datagram.size()), 0);
    if (n <= 0) {
      if (received && WSAGetLastError() == WSAETIMEDOUT) break;
      continue;
    }
    std::fwrite(datagram.data(), 1, static_cast<size_t>(n), f);
    ++received;
  }
  std::fclose(f);
  std::printf("received %lld\n", received);
  closesocket(s);
  return 0;
}
