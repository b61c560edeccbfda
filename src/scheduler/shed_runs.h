// Which task minutes have run: kept in a file beside the exe (".Shed.run"),
// read by the player before it carries a task out and by the agent before it
// wakes the player, so that a task runs exactly once whatever the order of
// starts, closes and restarts of the two.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scheduler/shed_tasks.h"

namespace strevo {

// What tells a task from the others of the file across its reads (the file is
// read anew every minute and may be edited meanwhile): its name, times,
// channel and file-name addition.
std::string TaskIdentity(const ShedTask& task);

// One key per task of the list: its identity's hash, and which of the tasks
// of the same identity it is (a copied task is a task of its own).
std::vector<uint64_t> TaskRunKeys(const std::vector<ShedTask>& tasks);

// The task minutes that ran: (minute number, task key).
class ShedRuns {
 public:
  // The file's text: one "minute key" line per run (key in hexadecimal);
  // lines that do not read as such are passed over.
  static ShedRuns Parse(std::string_view text);
  // The text, without the runs of minutes before `keepFrom`.
  std::string Text(int64_t keepFrom) const;

  bool Ran(int64_t minute, uint64_t key) const { return runs_.count({minute, key}) > 0; }
  void Add(int64_t minute, uint64_t key) { runs_.insert({minute, key}); }

 private:
  std::set<std::pair<int64_t, uint64_t>> runs_;
};

// Runs older than this are dropped when the file is written again.
inline constexpr int64_t kShedRunsKeptMinutes = 2 * 1440;

}  // namespace strevo
