// The scheduler's task file on disk and the shut-down seam, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "scheduler/shed_file_win.h"
#include "scheduler/shutdown_computer_win.h"
#include "win/file_win.h"
#include "win/util_win.h"
#include "temp_dir_win.h"

namespace strevo {
namespace {

using test::TempDir;

TEST(ShedFileOnDisk, WrittenWholeReadBackAndDeletedWhenEmpty) {
  const std::string dir = TempDir("strevo-shed-test");
  const std::string path = dir + "\\Player.Shed.ini";
  std::vector<ShedTask> list(2);
  // Missing: false, and the list is left as it was.
  EXPECT_FALSE(ReadShedTasksFile(path, list));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_FALSE(LoadShedFile(path));

  ShedTask t;
  t.TaskName = "Кино";
  t.CommandLine = "$updatetvg";
  ASSERT_TRUE(WriteShedTasksFile(path, true, {t, t}));
  EXPECT_FALSE(FileExists(path + ".new"));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  EXPECT_EQ(bytes.size(), 12u + 2 * 832u);
  EXPECT_EQ(bytes.substr(12 + 573, 4), "\xCA\xE8\xED\xEE");  // the name in cp1251
  list.clear();
  EXPECT_TRUE(ReadShedTasksFile(path, list));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1], t);

  // Replaced as a whole; switched off the tasks are read but not acted on.
  ASSERT_TRUE(WriteShedTasksFile(path, false, {t}));
  EXPECT_FALSE(ReadShedTasksFile(path, list));
  EXPECT_EQ(list.size(), 1u);

  // No task left: no file, and a reader sees the scheduler off.
  ASSERT_TRUE(WriteShedTasksFile(path, true, {}));
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(WriteShedTasksFile(path, true, {}));  // nothing to delete is no failure
}

// The player and the agent read the file once a minute; a save that meets
// such a read must not fail, and no read may see a half-written file.
TEST(ShedFileOnDisk, ASaveThatRacesAReaderStillSaves) {
  const std::string dir = TempDir("strevo-shed-race");
  const std::string path = dir + "\\Player.Shed.ini";
  ShedTask t;
  t.TaskName = "Race";
  ASSERT_TRUE(WriteShedTasksFile(path, true, {t}));
  std::atomic<bool> done{false};
  std::atomic<int> reads{0}, torn{0};
  std::thread reader([&] {
    std::vector<ShedTask> list;
    while (!done) {
      // Read straight through: a file missing for a moment is a fault too.
      if (!ReadShedTasksFile(path, list) || list.size() != 1) ++torn;
      ++reads;
      Sleep(2);  // still far more often than the readers' once a minute
    }
  });
  int failed = 0;
  for (int i = 0; i < 100; ++i) failed += !WriteShedTasksFile(path, true, {t});
  done = true;
  reader.join();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(torn.load(), 0);
  EXPECT_GT(reads.load(), 0);
}

TEST(ShedFileOnDisk, ASaveThatCannotWriteLeavesTheFileAndTellsWhy) {
  const std::string dir = TempDir("strevo-shed-blocked");
  const std::string path = dir + "\\Player.Shed.ini";
  ShedTask t;
  ASSERT_TRUE(WriteShedTasksFile(path, true, {t}));
  std::string before;
  ASSERT_TRUE(ReadFileBytes(path, before));
  // The temporary file's place is taken by a folder.
  ASSERT_TRUE(CreateDirectoryW(Widen(path + ".new").c_str(), nullptr));
  SetLastError(0);
  EXPECT_FALSE(WriteShedTasksFile(path, false, {t, t}));
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_FALSE(SystemErrorText(GetLastError()).empty());
  std::string after;
  ASSERT_TRUE(ReadFileBytes(path, after));
  EXPECT_EQ(after, before);
  RemoveDirectoryW(Widen(path + ".new").c_str());
}

TEST(ShedFileOnDisk, ADamagedFileGivesItsWholeRecordsOnly) {
  const std::string dir = TempDir("strevo-shed-test2");
  const std::string path = dir + "\\Player.Shed.ini";
  ShedTask a, b;
  a.TaskName = "A";
  b.TaskName = "B";
  std::string bytes = WriteShedTasks(true, {a, b}, 1251);
  bytes.resize(bytes.size() - 100);
  ASSERT_TRUE(WriteFileReplacing(path, bytes));
  std::vector<ShedTask> list;
  EXPECT_TRUE(ReadShedTasksFile(path, list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].TaskName, "A");
}

TEST(ShutDownSeam, TheTraceTakesTheCallInstead) {
  const std::string dir = TempDir("strevo-shutdown-test");
  const std::string trace = dir + "\\shutdown.txt";
  ASSERT_TRUE(SetEnvironmentVariableW(L"STREVO_SHUTDOWN_TRACE", Widen(trace).c_str()));
  ShutDownComputer();
  SetEnvironmentVariableW(L"STREVO_SHUTDOWN_TRACE", nullptr);
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(trace, bytes));
  EXPECT_EQ(bytes,
            "privilege SeShutdownPrivilege\r\nprivilege SeRemoteShutdownPrivilege\r\n"
            "InitiateSystemShutdownA local, no message, 0 s, not forced, no restart\r\n");
}

}  // namespace
}  // namespace strevo
