// Process-level rules that need Win32: one process per mutex name, however
// close together two starts come, and the interface list's start of sockets.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/eventlog.h"
#include "net/netif_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

struct Claim {
  HANDLE handle = nullptr;
  bool taken = false;
};

TEST(SingleInstance, OfTwoClaimsAtTheSameInstantExactlyOneWins) {
  const std::string base = "StrevoTest_Mutex_for_" + std::to_string(GetCurrentProcessId()) + "_";
  for (int round = 0; round < 200; ++round) {
    const std::string name = base + std::to_string(round);
    Claim claims[2];
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    auto claimer = [&](Claim& c) {
      ++ready;
      while (!go.load()) {
      }
      c.handle = ClaimNamedMutex(name, &c.taken);
    };
    std::thread a(claimer, std::ref(claims[0])), b(claimer, std::ref(claims[1]));
    while (ready.load() < 2) {
    }
    go = true;
    a.join();
    b.join();
    const int winners = (claims[0].handle != nullptr) + (claims[1].handle != nullptr);
    ASSERT_EQ(winners, 1) << "round " << round;
    for (const Claim& c : claims) EXPECT_EQ(c.taken, c.handle == nullptr) << "round " << round;
    for (const Claim& c : claims)
      if (c.handle) CloseHandle(c.handle);
  }
}

TEST(SingleInstance, ANameIsFreeAgainOnceItsHolderLetsGo) {
  const std::string name = "StrevoTest_Mutex_release_" + std::to_string(GetCurrentProcessId());
  bool taken = true;
  HANDLE first = ClaimNamedMutex(name, &taken);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(taken);
  EXPECT_EQ(ClaimNamedMutex(name, &taken), nullptr);
  EXPECT_TRUE(taken);
  CloseHandle(first);
  HANDLE again = ClaimNamedMutex(name, &taken);
  EXPECT_NE(again, nullptr);
  EXPECT_FALSE(taken);
  if (again) CloseHandle(again);
}

std::vector<std::string>& LoggedLines() {
  static std::vector<std::string> lines;
  return lines;
}

int WSAAPI SocketsNotReady(WORD, LPWSADATA) { return WSASYSNOTREADY; }

TEST(InterfaceListStart, WithoutSocketsOnlyAutoAndTheStepIsStillLogged) {
  LoggedLines().clear();
  SetLogSink([](std::string_view m) { LoggedLines().emplace_back(m); });
  std::vector<std::string> items;
  ListLocalAddresses(items, SocketsNotReady);
  SetLogSink(nullptr);
  EXPECT_EQ(items, std::vector<std::string>{"Auto"});
  EXPECT_EQ(LoggedLines(), std::vector<std::string>{"local IPs done"});
}

}  // namespace
}  // namespace strevo
