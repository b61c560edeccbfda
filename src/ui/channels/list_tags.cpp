#include "ui/channels/list_tags.h"

#include "playback/playlist_tags.h"

namespace strevo {

std::vector<std::string> TasksOnMovedChannels(const std::vector<ShedTask>& tasks, const ChannelList& before,
                                              const ChannelList& after) {
  const std::vector<int> moved = ChannelsThatMove(before, after);
  auto titleAt = [](const ChannelList& list, size_t n) {
    return n < list.titles.size() ? "\"" + list.titles[n] + "\"" : std::string("-");
  };
  std::vector<std::string> lines;
  for (const ShedTask& task : tasks) {
    if (task.ChannelIndex < 0 || TaskKind(task) == ShedKind::Command || TaskKind(task) == ShedKind::None) continue;
    const int number = task.ChannelIndex + 1;  // tasks count channels from 0
    bool isMoved = false;
    for (int m : moved) isMoved = isMoved || m == number;
    if (!isMoved) continue;
    const size_t n = static_cast<size_t>(number);
    lines.push_back(task.TaskName + ": " + std::to_string(number) + ". " + titleAt(before, n) + " -> " +
                    titleAt(after, n));
  }
  return lines;
}

std::string MovedTasksWarning(std::string_view heading, const std::vector<std::string>& lines) {
  if (lines.empty()) return {};
  std::string text(heading);
  for (const std::string& line : lines) text += "\r\n" + line;
  return text;
}

}  // namespace strevo
