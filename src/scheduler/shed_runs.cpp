#include "scheduler/shed_runs.h"

#include <charconv>
#include <map>

namespace strevo {

std::string TaskIdentity(const ShedTask& task) {
  return task.TaskName + '\n' + std::to_string(TaskMinuteOfDay(task.StartTime)) + '\n' +
         std::to_string(TaskMinuteOfDay(task.EndTime)) + '\n' + std::to_string(task.ChannelIndex) + '\n' +
         task.FileSuffix;
}

// FNV-1a, 64 bits: a file of numbers, whatever the names hold.
static uint64_t Hash(std::string_view text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::vector<uint64_t> TaskRunKeys(const std::vector<ShedTask>& tasks) {
  std::vector<uint64_t> keys;
  std::map<std::string, int> seen;
  for (const ShedTask& t : tasks) {
    const std::string identity = TaskIdentity(t);
    keys.push_back(Hash(identity + '\n' + std::to_string(seen[identity]++)));
  }
  return keys;
}

ShedRuns ShedRuns::Parse(std::string_view text) {
  ShedRuns runs;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos) continue;
    int64_t minute = 0;
    uint64_t key = 0;
    const char* first = line.data();
    const char* mid = first + blank;
    const char* last = first + line.size();
    const auto m = std::from_chars(first, mid, minute);
    const auto k = std::from_chars(mid + 1, last, key, 16);
    if (m.ec != std::errc() || m.ptr != mid || k.ec != std::errc() || k.ptr != last || mid + 1 == last) continue;
    runs.Add(minute, key);
  }
  return runs;
}

std::string ShedRuns::Text(int64_t keepFrom) const {
  std::string text;
  char key[17];
  for (const auto& [minute, k] : runs_) {
    if (minute < keepFrom) continue;
    const auto r = std::to_chars(key, key + sizeof key, k, 16);
    text += std::to_string(minute) + ' ' + std::string(key, r.ptr) + "\r\n";
  }
  return text;
}

}  // namespace strevo
