// The scheduler's task file on disk and the shut-down seam, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
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
