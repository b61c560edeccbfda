// A multicast sender for the recorder benchmark: numbered datagrams at a
// steady rate to a group on the loopback interface only (IP_MULTICAST_IF
// 127.0.0.1, TTL 1), each datagram the big-endian number followed by a block
// chosen by it from a file of blocks, as tests/e2e/multicast.py builds them, so
// a recording is checked against exactly what was sent. Native and batched
// (sendmmsg), so that the sender itself is never what limits a measurement.
//
//   mcast_send BLOCKS-FILE DATAGRAM-SIZE GROUP PORT MBIT SECONDS
//
// Sends until SECONDS have passed or SIGTERM/SIGINT comes, then prints
// "sent N late M" (M: rounds that found more than 50 ms of datagrams due,
// i.e. the sender fell behind its own clock) and exits 0.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int Fail(const char* what) {
  std::fprintf(stderr, "mcast_send: %s: %s\n", what, std::strerror(errno));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: mcast_send BLOCKS-FILE DATAGRAM-SIZE GROUP PORT MBIT SECONDS\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> blocks((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t size = std::strtoul(argv[2], nullptr, 10);
  if (size <= 8 || blocks.empty() || blocks.size() % (size - 8) != 0) {
    std::fprintf(stderr, "mcast_send: %s does not hold whole blocks of %zu bytes\n", argv[1], size - 8);
    return 2;
  }
  const uint64_t blockCount = blocks.size() / (size - 8);
  const double perSecond = std::atof(argv[5]) * 1e6 / 8 / static_cast<double>(size);
  const double seconds = std::atof(argv[6]);

  int sock = socket(AF_INET, SOCK_DGRAM, 0);
  if (sock < 0) return Fail("socket");
  in_addr loopback{};
  inet_pton(AF_INET, "127.0.0.1", &loopback);
  unsigned char ttl = 1, loop = 1;
  int sndbuf = 4 << 20;
  if (setsockopt(sock, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback) != 0 ||
      setsockopt(sock, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0 ||
      setsockopt(sock, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop) != 0)
    return Fail("setsockopt");
  setsockopt(sock, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(std::atoi(argv[4])));
  if (inet_pton(AF_INET, argv[3], &to.sin_addr) != 1 || (ntohl(to.sin_addr.s_addr) >> 28) != 0xE) {
    std::fprintf(stderr, "mcast_send: %s is not a multicast group\n", argv[3]);
    return 2;
  }
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGINT, OnSignal);

  constexpr size_t kBatch = 64;
  std::vector<uint8_t> heads(kBatch * 8);
  std::vector<iovec> iov(kBatch * 2);
  std::vector<mmsghdr> msgs(kBatch);
  uint64_t sent = 0, late = 0;
  const double start = Now();
  while (!g_stop) {
    const double elapsed = Now() - start;
    if (elapsed >= seconds) break;
    const uint64_t due = static_cast<uint64_t>(elapsed * perSecond);
    if (due > sent + static_cast<uint64_t>(perSecond / 20)) ++late;
    while (sent < due && !g_stop) {
      const size_t n = due - sent < kBatch ? static_cast<size_t>(due - sent) : kBatch;
      for (size_t i = 0; i < n; ++i) {
        uint64_t number = sent + i;
        for (int b = 0; b < 8; ++b) heads[i * 8 + b] = static_cast<uint8_t>(number >> (56 - 8 * b));
        iov[2 * i] = {&heads[i * 8], 8};
        iov[2 * i + 1] = {&blocks[(number % blockCount) * (size - 8)], size - 8};
        msgs[i] = {};
        msgs[i].msg_hdr.msg_name = &to;
        msgs[i].msg_hdr.msg_namelen = sizeof to;
        msgs[i].msg_hdr.msg_iov = &iov[2 * i];
        msgs[i].msg_hdr.msg_iovlen = 2;
      }
      int r = sendmmsg(sock, msgs.data(), static_cast<unsigned>(n), 0);
      if (r < 0) {
        if (errno == EINTR) continue;
        if (errno == ENOBUFS || errno == EAGAIN) {  // not sent: tried again
          usleep(200);
          continue;
        }
        return Fail("sendmmsg");
      }
      sent += static_cast<uint64_t>(r);
    }
    timespec nap{0, 1000000};
    nanosleep(&nap, nullptr);
  }
  close(sock);
  std::printf("sent %llu late %llu\n", static_cast<unsigned long long>(sent), static_cast<unsigned long long>(late));
  return 0;
}
