#include "scheduler/shed_file_win.h"

#include <windows.h>

#include "base/eventlog.h"
#include "win/file_win.h"
#include "win/util_win.h"

namespace strevo {

std::string ShedFilePath() { return ExeSibling(".Shed.ini"); }

std::optional<ShedFile> LoadShedFile(const std::string& path) {
  std::string bytes;
  // A file past the largest the readers take is read only that far.
  if (!FileExists(path) || !ReadFilePrefix(path, kShedMaxFileSize, bytes)) return std::nullopt;
  ShedFile f = ParseShedFile(bytes, static_cast<int>(GetACP()));
  if (f.damaged) LogLine("shed: damaged file, " + std::to_string(f.tasks.size()) + " whole tasks read");
  return f;
}

bool ReadShedTasksFile(const std::string& path, std::vector<ShedTask>& list) {
  std::optional<ShedFile> f = LoadShedFile(path);
  if (!f) return false;
  list = std::move(f->tasks);
  return f->versionOk && f->switchOn;
}

bool WriteShedTasksFile(const std::string& path, bool switchOn, const std::vector<ShedTask>& tasks) {
  if (tasks.empty()) return DeleteFileW(Widen(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
  return WriteFileReplacing(path, WriteShedTasks(switchOn, tasks, static_cast<int>(GetACP())));
}

std::string ShedRunsPath() { return ExeSibling(".Shed.run"); }

// Far more than two days of runs of any task list the window can make.
static constexpr int64_t kShedRunsMaxBytes = 4 << 20;

ShedRuns ReadShedRuns() {
  std::string text;
  if (!FileExists(ShedRunsPath()) || !ReadFileBytes(ShedRunsPath(), text, kShedRunsMaxBytes)) return {};
  return ShedRuns::Parse(text);
}

bool RecordShedRun(int64_t minute, uint64_t key) {
  ShedRuns runs = ReadShedRuns();
  runs.Add(minute, key);
  return WriteFileReplacing(ShedRunsPath(), runs.Text(minute - kShedRunsKeptMinutes));
}

}  // namespace strevo
