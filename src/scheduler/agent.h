// The agent's portable half: when it looks at the task file, whether a task
// is close enough to wake the player, and its exit question.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "scheduler/shed_tasks.h"

namespace strevo {

// The player is started this long before a task's minute, so that a first
// tick late in a minute still wakes it for a task of the next.
inline constexpr double kAgentLookAheadDays = 30.0 / 86400.0;

// The look-ahead on the program's clock: 30 seconds of real time, which is
// what a player needs to start, however fast the clock runs.
double AgentLookAhead(double clockSpeed);

// True once per minute: when `now` formatted "HH:mm" differs from `lastMinute`
// (which then becomes it).
bool TakeNewMinute(std::string& lastMinute, DateTime now);

// The start of the minute after the one `now` lies in.
DateTime NextMinute(DateTime now);

// Whether task `index` of the list ran in minute `minute` (MinuteNumber).
using TaskRanAt = std::function<bool(int64_t minute, size_t index)>;

// The first minute from now's own up to that of now plus `lookAhead` (at
// least 30 seconds) in which a task of the list is due (its start, to the
// minute) and has not run, or nullopt. Now's own minute counts: a task whose
// minute began while no player watched (the agent starting, a player closed
// before its check) is still to be run.
std::optional<DateTime> DueMinuteAhead(const std::vector<ShedTask>& tasks, DateTime now, double lookAhead,
                                       const TaskRanAt& ran = {});

// The question before the agent ends: the plain one, or, with recorders
// running, the warning with every "%" replaced by their number.
std::string AgentExitQuestion(std::string_view plain, std::string_view withRecorders, int recorders);

}  // namespace strevo
