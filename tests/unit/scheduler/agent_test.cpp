#include "scheduler/agent.h"

#include "scheduler/shed_runner.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

DateTime At(int day, int hour, int minute, int second = 0) {
  return EncodeDateTime({2026, 12, day, hour, minute, second, 0});
}

ShedTask TaskAt(int hour, int minute, DateTime date) {
  ShedTask t;
  t.StartTime = TimeOfDay(hour, minute);
  t.TaskDate = ToShedDay(date);
  t.KindCommand = 1;
  t.KindRecord = 0;
  return t;
}

TEST(AgentWake, ThirtySecondsAheadFindTheNextMinutesTask) {
  const std::vector<ShedTask> tasks = {TaskAt(7, 0, EncodeDate(2026, 12, 8))};
  // 06:59:45 plus 30 s lies in 07:00.
  auto due = DueMinuteAhead(tasks, At(8, 6, 59, 45), kAgentLookAheadDays);
  ASSERT_TRUE(due);
  EXPECT_EQ(FormatDateTime("dd.MM.yyyy HH:mm", *due + kSecond), "08.12.2026 07:00");
  // 06:59:29 plus 30 s is still 06:59.
  EXPECT_FALSE(DueMinuteAhead(tasks, At(8, 6, 59, 29), kAgentLookAheadDays));
  // At 07:00:10 the task's minute is found at its first tick.
  EXPECT_TRUE(DueMinuteAhead(tasks, At(8, 7, 0, 10), kAgentLookAheadDays));
  // Another day: nothing.
  EXPECT_FALSE(DueMinuteAhead(tasks, At(9, 6, 59, 45), kAgentLookAheadDays));
}

TEST(AgentWake, ForATaskWhoseMinuteBeganUnwatchedButNotForOneThatRan) {
  const std::vector<ShedTask> tasks = {TaskAt(7, 0, EncodeDate(2026, 12, 8))};
  // The agent starting at log-on, or a player closed before its check: the
  // task's minute has begun and the task has not run.
  const DateTime late = At(8, 7, 0, 20);
  auto due = DueMinuteAhead(tasks, late, kAgentLookAheadDays);
  ASSERT_TRUE(due);
  EXPECT_EQ(FormatDateTime("HH:mm", *due + kSecond), "07:00");
  // A player carried it out in that minute: not again.
  int64_t askedMinute = -1;
  const TaskRanAt ran = [&](int64_t minute, size_t index) {
    askedMinute = minute;
    return index == 0;
  };
  EXPECT_FALSE(DueMinuteAhead(tasks, late, kAgentLookAheadDays, ran));
  EXPECT_EQ(askedMinute, MinuteNumber(At(8, 7, 0)));
  // A task of the next minute is still found.
  const std::vector<ShedTask> both = {tasks[0], TaskAt(7, 1, EncodeDate(2026, 12, 8))};
  due = DueMinuteAhead(both, At(8, 7, 0, 45), kAgentLookAheadDays, ran);
  ASSERT_TRUE(due);
  EXPECT_EQ(FormatDateTime("HH:mm", *due + kSecond), "07:01");
}

TEST(AgentWake, AFastClockLooksFurtherAheadAndFindsEveryMinute) {
  // 30 real seconds on a clock 60 times as fast are 30 minutes.
  EXPECT_DOUBLE_EQ(AgentLookAhead(1), kAgentLookAheadDays);
  EXPECT_DOUBLE_EQ(AgentLookAhead(60), 30.0 / 1440.0);
  const std::vector<ShedTask> tasks = {TaskAt(7, 20, EncodeDate(2026, 12, 8)), TaskAt(7, 5, EncodeDate(2026, 12, 8))};
  auto due = DueMinuteAhead(tasks, At(8, 6, 59, 50), AgentLookAhead(60));
  ASSERT_TRUE(due);
  // The first due minute, whatever the order of the file.
  EXPECT_EQ(FormatDateTime("HH:mm", *due + kSecond), "07:05");
  EXPECT_FALSE(DueMinuteAhead(tasks, At(8, 6, 20, 0), AgentLookAhead(60)));
}

TEST(AgentWake, WeekDaysAcrossMidnight) {
  ShedTask t = TaskAt(0, 0, EncodeDate(2000, 1, 1));
  t.WeekDays[4] = 1;  // Friday; 11 December 2026 is one
  const std::vector<ShedTask> tasks = {t};
  EXPECT_TRUE(DueMinuteAhead(tasks, At(10, 23, 59, 40), kAgentLookAheadDays));
  EXPECT_FALSE(DueMinuteAhead(tasks, At(9, 23, 59, 40), kAgentLookAheadDays));
  t.Enabled = 0;
  EXPECT_FALSE(DueMinuteAhead({t}, At(10, 23, 59, 40), kAgentLookAheadDays));
}

TEST(AgentMinutes, OncePerMinute) {
  std::string last;
  EXPECT_TRUE(TakeNewMinute(last, At(8, 7, 0, 0)));
  EXPECT_EQ(last, "07:00");
  EXPECT_FALSE(TakeNewMinute(last, At(8, 7, 0, 59)));
  EXPECT_TRUE(TakeNewMinute(last, At(8, 7, 1, 0)));
  EXPECT_NEAR(NextMinute(At(8, 7, 0, 30)), At(8, 7, 1, 0), 1e-3 * kSecond);
  EXPECT_NEAR(NextMinute(At(8, 23, 59, 59)), At(9, 0, 0, 0), 1e-3 * kSecond);
}

TEST(AgentExit, TheWarningCountsTheRecorders) {
  const std::string plain = "Если вы закроете программу";
  const std::string warning = "ВНИМАНИЕ! В фоне работает % процессов записи! (%)";
  EXPECT_EQ(AgentExitQuestion(plain, warning, 0), plain);
  EXPECT_EQ(AgentExitQuestion(plain, warning, 2), "ВНИМАНИЕ! В фоне работает 2 процессов записи! (2)");
  EXPECT_EQ(AgentExitQuestion(plain, warning, 12), "ВНИМАНИЕ! В фоне работает 12 процессов записи! (12)");
}

}  // namespace
}  // namespace strevo
