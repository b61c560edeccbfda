// The shell's file side of the configuration and the transfers, under Wine.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/config_win.h"
#include "net/http_win.h"
#include "net/netif_win.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "temp_dir_win.h"

namespace strevo {
namespace {

using test::TempDir;

TEST(ConfigFile, SavedAsAnsiWithCrLfAndReadBackAsUtf8) {
  std::string dir = TempDir("strevo-cfg-test");
  std::string ini = dir + "\\Player.ini";
  ConfigList list = {"future|x|", "?Globals|15|15|D:\\Записи\\|"};
  ASSERT_TRUE(SaveConfigFile(ini, list));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(ini, bytes));
  EXPECT_EQ(bytes, "future|x|\r\n?Globals|15|15|D:\\\xC7\xE0\xEF\xE8\xF1\xE8\\|\r\n");  // cp1251
  EXPECT_EQ(LoadConfigFile(ini), list);
  EXPECT_FALSE(FileExists(ini + ".new"));
  EXPECT_TRUE(LoadConfigFile(dir + "\\missing.ini").empty());

  // A file opened by its Unicode name keeps its record's key on a 1251 system.
  list.push_back("C:\\media\\Caf\xC3\xA9.ts|1|");
  ASSERT_TRUE(SaveConfigFile(ini, list));
  ASSERT_TRUE(ReadFileBytes(ini, bytes));
  EXPECT_NE(bytes.find("C:\\media\\Caf^#E9;.ts|1|\r\n"), std::string::npos);
  EXPECT_EQ(LoadConfigFile(ini), list);
}

TEST(ConfigFile, AFailedSaveLeavesTheOldFileWhole) {
  std::string dir = TempDir("strevo-cfg-test2");
  std::string ini = dir + "\\Player.ini";
  ASSERT_TRUE(SaveConfigFile(ini, {"?Globals|1|"}));
  // The temporary file cannot be created where a folder of its name stands.
  CreateDirectoryW(Widen(ini + ".new").c_str(), nullptr);
  EXPECT_FALSE(SaveConfigFile(ini, {"?Globals|2|"}));
  EXPECT_EQ(LoadConfigFile(ini), (ConfigList{"?Globals|1|"}));
  RemoveDirectoryW(Widen(ini + ".new").c_str());
}

// The log has several writers at once (the player, background recorders, the
// engine in each). Wine's FILE_APPEND_DATA is not atomic: writers of their own
// handles lost about one line in a hundred to each other.
TEST(AppendToFile, WritersAtOnceLoseNoLineAndMixNone) {
  const std::string path = TempDir("strevo-append-test") + "\\Strevo.log";
  const std::wstring wide = Widen(path);
  EXPECT_FALSE(AppendToFile(wide, "x", false)) << "a missing file was created";
  ASSERT_TRUE(AppendToFile(wide, "", true));
  constexpr int kWriters = 4, kLines = 1500;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.emplace_back([&, w] {
      for (int i = 0; i < kLines; ++i) AppendToFile(wide, std::to_string(w) + " " + std::to_string(i) + "\r\n", false);
    });
  for (auto& t : writers) t.join();
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  std::vector<int> next(kWriters, 0);
  size_t at = 0, lines = 0;
  for (size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2, ++lines) {
    const std::string line = bytes.substr(at, end - at);
    const int w = std::atoi(line.c_str());
    ASSERT_TRUE(w >= 0 && w < kWriters && line == std::to_string(w) + " " + std::to_string(next[w])) << line;
    ++next[w];
  }
  EXPECT_EQ(at, bytes.size());
  EXPECT_EQ(lines, size_t{kWriters * kLines});
}

TEST(ConfigFile, AFileThatCannotBeReadIsToldApartFromAMissingOne) {
  std::string dir = TempDir("strevo-cfg-test3");
  std::string ini = dir + "\\Player.ini";
  bool unreadable = true;
  EXPECT_TRUE(LoadConfigFile(ini, &unreadable).empty());
  EXPECT_FALSE(unreadable);
  EXPECT_TRUE(LoadConfigFile(dir + "\\no such folder\\Player.ini", &unreadable).empty());
  EXPECT_FALSE(unreadable);

  ASSERT_TRUE(SaveConfigFile(ini, {"?Globals|1|"}));
  HANDLE lock = CreateFileW(Widen(ini).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(LoadConfigFile(ini, &unreadable).empty());
  EXPECT_TRUE(unreadable);
  CloseHandle(lock);
  EXPECT_EQ(LoadConfigFile(ini, &unreadable), (ConfigList{"?Globals|1|"}));
  EXPECT_FALSE(unreadable);

  // A folder standing where the file should be.
  std::string folder = dir + "\\Folder.ini";
  CreateDirectoryW(Widen(folder).c_str(), nullptr);
  EXPECT_TRUE(LoadConfigFile(folder, &unreadable).empty());
  EXPECT_TRUE(unreadable);
  RemoveDirectoryW(Widen(folder).c_str());
}

TEST(HttpGetFile, DestinationThatCannotBeCreatedFailsBeforeAnyTransfer) {
  EXPECT_FALSE(httpgetfile("http://127.0.0.1:9/x.zip", "Z:\\no\\such\\folder\\x.zip"));
}

// The machine's non-loopback IPv4 addresses as the IP helper sees them: a
// second view of what the interface query must find.
std::vector<std::string> AdapterAddresses() {
  std::vector<std::string> out;
  std::vector<unsigned char> buffer(16 * 1024);
  ULONG size = static_cast<ULONG>(buffer.size());
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int tries = 0; tries < 3 && rc == ERROR_BUFFER_OVERFLOW; ++tries) {
    buffer.resize(size);
    rc = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                              nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc != NO_ERROR) return out;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    if (a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
      if (u->Address.lpSockaddr->sa_family != AF_INET) continue;
      const auto* b = reinterpret_cast<const unsigned char*>(
          &reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr);
      out.push_back(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                    std::to_string(b[3]));
    }
  }
  return out;
}

TEST(NetworkInterfaces, AutoThenNonLoopbackIPv4Addresses) {
  // The end-to-end scenario passes the machine's addresses as Linux lists them.
  std::vector<std::string> expected;
  if (const char* list = std::getenv("STREVO_EXPECT_ADDRESSES")) {
    std::string rest = list;
    for (size_t start = 0; start < rest.size();) {
      size_t end = rest.find(',', start);
      if (end == std::string::npos) end = rest.size();
      if (end > start) expected.push_back(rest.substr(start, end - start));
      start = end + 1;
    }
  } else {
    expected = AdapterAddresses();
  }
  // A failed query lists "Auto" alone, as does a machine with nothing but
  // loopback: only a machine with an address can tell them apart.
  if (expected.empty()) GTEST_SKIP() << "this machine has no non-loopback IPv4 address";

  std::vector<std::string> items;
  ListLocalAddresses(items);
  ASSERT_GE(items.size(), 2u) << "the interface query found no address";
  EXPECT_EQ(items[0], "Auto");
  EXPECT_LE(items.size(), 1u + 13u);  // what a 1024-byte answer holds
  for (size_t i = 1; i < items.size(); ++i) {
    EXPECT_NE(std::find(expected.begin(), expected.end(), items[i]), expected.end()) << items[i];
  }
  for (size_t i = 0; i < expected.size() && i < 13; ++i) {
    EXPECT_NE(std::find(items.begin(), items.end(), expected[i]), items.end()) << expected[i];
  }
}

}  // namespace
}  // namespace strevo
