// What switching the way the channel list is read means for the scheduler:
// its tasks keep channels by number, and reading the list with or without
// its tags may give a number another channel.
#pragma once
#include <string>
#include <vector>

#include "playback/playlist.h"
#include "scheduler/shed_tasks.h"

namespace strevo {

// The tasks whose channel number names another channel (or none) in `after`
// than in `before`, one line each: the task's name, the number, the channel
// it had and the one it has now.
std::vector<std::string> TasksOnMovedChannels(const std::vector<ShedTask>& tasks, const ChannelList& before,
                                              const ChannelList& after);

// The warning's text, with the heading translated by the caller; empty when
// no task moved.
std::string MovedTasksWarning(std::string_view heading, const std::vector<std::string>& lines);

inline constexpr char kMovedTasksHeading[] =
    "Список каналов прочитан по-новому, и номера каналов изменились. Эти задания планировщика могут теперь "
    "указывать на другие каналы:";

}  // namespace strevo
