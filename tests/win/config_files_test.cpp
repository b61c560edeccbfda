// The shell's file side of the configuration and the transfers, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/config_win.h"
#include "guide/http_win.h"
#include "guide/netif_win.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {
namespace {

std::string TempDir(const char* name) {
  std::string dir = SystemTempPath() + name;
  CreateDirectoryW(Widen(dir).c_str(), nullptr);
  DeleteFilesIn(dir);
  return dir;
}

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

TEST(NetworkInterfaces, AutoThenNonLoopbackIPv4Addresses) {
  std::vector<std::string> items;
  ListLocalAddresses(items);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items[0], "Auto");
  for (size_t i = 1; i < items.size(); ++i) {
    unsigned a, b, c, d;
    char tail;
    EXPECT_EQ(sscanf(items[i].c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail), 4) << items[i];
    EXPECT_NE(a, 127u) << items[i];
  }
  // The end-to-end scenario passes the machine's own addresses.
  if (const char* expected = std::getenv("STREVO_EXPECT_ADDRESSES")) {
    std::string list = expected;
    size_t start = 0;
    while (start < list.size()) {
      size_t end = list.find(',', start);
      if (end == std::string::npos) end = list.size();
      std::string address = list.substr(start, end - start);
      if (!address.empty()) EXPECT_NE(std::find(items.begin(), items.end(), address), items.end()) << address;
      start = end + 1;
    }
  }
}

}  // namespace
}  // namespace strevo
