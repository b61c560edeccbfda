#include "scheduler/agent.h"

#include <algorithm>
#include <cmath>

#include "base/text_helpers.h"
#include "scheduler/shed_runner.h"

namespace strevo {

double AgentLookAhead(double clockSpeed) { return kAgentLookAheadDays * std::max(1.0, clockSpeed); }

bool TakeNewMinute(std::string& lastMinute, DateTime now) {
  std::string minute = FormatDateTime("HH:mm", now);
  if (minute == lastMinute) return false;
  lastMinute = std::move(minute);
  return true;
}

static constexpr double kMinute = 1.0 / 1440.0;

DateTime NextMinute(DateTime now) { return (std::floor(now / kMinute + 1e-9) + 1) * kMinute; }

std::optional<DateTime> DueMinuteAhead(const std::vector<ShedTask>& tasks, DateTime now, double lookAhead,
                                       const TaskRanAt& ran) {
  const DateTime first = now;
  const DateTime last = now + std::max(lookAhead, kAgentLookAheadDays);
  // Whole minutes from the first moment's minute to the last one's; the due
  // test reads a moment to the minute, so one moment per minute suffices.
  const double firstMinute = std::floor(first / kMinute + 1e-9);
  const double lastMinute = std::floor(last / kMinute + 1e-9);
  for (double m = firstMinute; m <= lastMinute; m += 1) {
    // The middle of the minute: no rounding can carry it into a neighbour.
    const DateTime moment = (m + 0.5) * kMinute;
    for (size_t i = 0; i < tasks.size(); ++i)
      if (TaskDueAt(tasks[i], moment) && !(ran && ran(MinuteNumber(moment), i))) return m * kMinute;
  }
  return std::nullopt;
}

std::string AgentExitQuestion(std::string_view plain, std::string_view withRecorders, int recorders) {
  if (recorders <= 0) return std::string(plain);
  return ReplaceAll("%", std::to_string(recorders), withRecorders);
}

}  // namespace strevo
