#include "scheduler/shed_tasks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "base/codepage.h"

namespace strevo {
namespace {

void PutLE(std::string& b, size_t at, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xff);
}

void PutDouble(std::string& b, size_t at, double d) {
  uint64_t v;
  std::memcpy(&v, &d, 8);
  PutLE(b, at, v, 8);
}

void PutString(std::string& b, size_t at, std::string_view ansi) {
  b[at] = static_cast<char>(ansi.size());
  b.replace(at + 1, ansi.size(), ansi);
}

// A record laid out by hand, offsets as the file has them.
std::string HandRecord(std::string_view name1251, int channel, uint8_t fill) {
  std::string r(832, static_cast<char>(fill));  // reserved bytes and string tails hold garbage
  r[0] = 1;
  PutDouble(r, 8, 45000.75);
  PutDouble(r, 16, 45000.9);
  for (int d = 0; d < 7; ++d) r[24 + d] = d == 4 ? 1 : 0;  // Friday
  r[31] = 0;
  r[32] = 1;
  r[33] = 0;
  PutLE(r, 36, static_cast<uint32_t>(channel), 4);
  PutString(r, 40, "News");
  PutLE(r, 296, 2, 4);
  PutString(r, 300, "$updatetvg");
  PutDouble(r, 560, 0.5 / 24);  // 00:30
  PutLE(r, 568, 4, 4);
  PutString(r, 572, name1251);
  return r;
}

std::string Header(int32_t version, int32_t on, int32_t count) {
  std::string h(12, '\0');
  PutLE(h, 0, static_cast<uint32_t>(version), 4);
  PutLE(h, 4, static_cast<uint32_t>(on), 4);
  PutLE(h, 8, static_cast<uint32_t>(count), 4);
  return h;
}

TEST(ShedFile, ReadsTheHeaderAndRecordsAtTheirOffsets) {
  const std::string name = Utf8ToCodePage("Первая", 1251);
  std::string bytes = Header(17, 1, 2) + HandRecord(name, 5, 0xcd) + HandRecord("B", -1, 0);
  ASSERT_EQ(bytes.substr(0, 12), std::string("\x11\0\0\0\x01\0\0\0\x02\0\0\0", 12));

  std::vector<ShedTask> list(3);
  EXPECT_TRUE(ReadShedTasks(bytes, 1251, list));
  ASSERT_EQ(list.size(), 2u);
  const ShedTask& t = list[0];
  EXPECT_EQ(t.Enabled, 1);
  EXPECT_EQ(t.StartTime, 45000.75);
  EXPECT_EQ(t.TaskDate, 45000.9);
  EXPECT_EQ(t.WeekDays, (std::array<uint8_t, 7>{0, 0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(TaskKind(t), ShedKind::Record);
  EXPECT_EQ(t.ChannelIndex, 5);
  EXPECT_EQ(t.FileSuffix, "News");
  EXPECT_EQ(t.RecordMode, kRecordBackgroundWatchIt);
  EXPECT_EQ(t.CommandLine, "$updatetvg");
  EXPECT_EQ(t.AfterEnd, kAfterEndShutDown);
  EXPECT_EQ(t.TaskName, "Первая");
  EXPECT_EQ(list[1].ChannelIndex, -1);
  EXPECT_EQ(list[1].TaskName, "B");

  // Written back: the same fields, reserved bytes and string tails zero.
  const std::string again = WriteShedTasks(true, list, 1251);
  ASSERT_EQ(again.size(), bytes.size());
  const std::string clean = Header(17, 1, 2) + HandRecord(name, 5, 0) + HandRecord("B", -1, 0);
  EXPECT_EQ(again, clean);
  std::vector<ShedTask> back;
  EXPECT_TRUE(ReadShedTasks(again, 1251, back));
  EXPECT_EQ(back, list);
}

TEST(ShedFile, SwitchVersionAndEnabledByte) {
  std::vector<ShedTask> list;
  const std::string rec = HandRecord("A", 0, 0);
  // Switched off: the tasks are read all the same, the answer is false.
  EXPECT_FALSE(ReadShedTasks(Header(17, 0, 1) + rec, 1251, list));
  EXPECT_EQ(list.size(), 1u);
  // Only exactly 1 switches on.
  EXPECT_FALSE(ReadShedTasks(Header(17, 2, 1) + rec, 1251, list));
  // A foreign version: nothing read, the old list emptied.
  EXPECT_FALSE(ReadShedTasks(Header(16, 1, 1) + rec, 1251, list));
  EXPECT_TRUE(list.empty());
  ShedFile foreign = ParseShedFile(Header(18, 1, 1) + rec, 1251);
  EXPECT_FALSE(foreign.versionOk);
  EXPECT_FALSE(foreign.switchOn);

  // Byte 0 is written from the tick: 1 stays 1, anything else becomes 0.
  ShedTask odd;
  odd.Enabled = 2;
  ShedTask on;
  const std::string out = WriteShedTasks(false, {odd, on}, 1251);
  EXPECT_EQ(out[12], 0);
  EXPECT_EQ(out[12 + 832], 1);
  EXPECT_EQ(out[4], 0);
}

TEST(ShedFile, StringsAreCutTo255BytesOfTheCodePage) {
  ShedTask t;
  t.TaskName = std::string(300, 'x');
  t.CommandLine.clear();
  for (int i = 0; i < 200; ++i) t.CommandLine += "Ж";  // 400 UTF-8 bytes, 200 in 1251
  t.FileSuffix = "Запись";
  const std::string b = WriteShedTasks(true, {t}, 1251);
  EXPECT_EQ(static_cast<uint8_t>(b[12 + 572]), 255);
  EXPECT_EQ(static_cast<uint8_t>(b[12 + 300]), 200);
  EXPECT_EQ(b.substr(12 + 41, 6), Utf8ToCodePage("Запись", 1251));
  std::vector<ShedTask> back;
  ReadShedTasks(b, 1251, back);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].TaskName, std::string(255, 'x'));
  EXPECT_EQ(back[0].CommandLine, t.CommandLine);
  EXPECT_EQ(back[0].FileSuffix, "Запись");
}

TEST(ShedFile, TruncatedAtEveryLengthKeepsOnlyWholeRecords) {
  const std::string full = Header(17, 1, 1) + HandRecord("A", 3, 0x55);
  ASSERT_EQ(full.size(), 844u);
  for (size_t len = 0; len <= full.size(); ++len) {
    SCOPED_TRACE(len);
    std::vector<ShedTask> list(1);
    const bool on = ReadShedTasks(std::string_view(full).substr(0, len), 1251, list);
    const ShedFile f = ParseShedFile(std::string_view(full).substr(0, len), 1251);
    if (len == full.size()) {
      EXPECT_TRUE(on);
      ASSERT_EQ(list.size(), 1u);
      EXPECT_EQ(list[0].ChannelIndex, 3);
      EXPECT_FALSE(f.damaged);
    } else {
      EXPECT_TRUE(list.empty());
      EXPECT_EQ(f.versionOk, len >= 4);
      EXPECT_EQ(f.damaged, len >= 4);
      EXPECT_EQ(on, len >= 12);  // a whole header still tells the switch
    }
  }
  // More bytes than the count claims: the rest is ignored.
  std::vector<ShedTask> list;
  EXPECT_TRUE(ReadShedTasks(full + HandRecord("B", 4, 0) + "xyz", 1251, list));
  EXPECT_EQ(list.size(), 1u);
}

TEST(ShedFile, CountsThatLieAreBounded) {
  const std::string rec = HandRecord("A", 0, 0);
  ShedFile f = ParseShedFile(Header(17, 1, -1) + rec, 1251);
  EXPECT_TRUE(f.tasks.empty());
  EXPECT_TRUE(f.damaged);
  f = ParseShedFile(Header(17, 1, 0x7fffffff) + rec + rec, 1251);
  EXPECT_EQ(f.tasks.size(), 2u);
  EXPECT_TRUE(f.damaged);
  f = ParseShedFile(Header(17, 1, 0), 1251);
  EXPECT_TRUE(f.tasks.empty());
  EXPECT_FALSE(f.damaged);
  EXPECT_TRUE(f.switchOn);
}

TEST(ShedTimes, TimeOfDayAndDateWhateverTheOtherPart) {
  EXPECT_EQ(TaskMinuteOfDay(0.75), 18 * 60);
  EXPECT_EQ(TaskMinuteOfDay(45000.75), 18 * 60);
  EXPECT_EQ(TaskMinuteOfDay(12345.75 + 59.0 / 86400), 18 * 60);  // seconds do not count
  const DateTimeParts d = DecodeDateTime(FromShedDay(static_cast<double>(TaskDay(45000.9))));
  EXPECT_EQ(d.year, 2023);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 15);
  EXPECT_EQ(TaskDay(45000.0), TaskDay(45000.9));
  // Rounded as shown: a hair before midnight shows as the next day's 00:00.
  EXPECT_EQ(TaskDay(45000.999999999), 45001);
  EXPECT_EQ(TaskMinuteOfDay(45000.999999999), 0);
  EXPECT_EQ(ToShedDay(EncodeDate(2023, 3, 15)), 45000.0);
  // Values that are no date-time never match anything.
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300}) {
    EXPECT_EQ(TaskMinuteOfDay(bad), -1);
    EXPECT_EQ(TaskDay(bad), INT64_MIN);
  }
}

DateTime At(int y, int mo, int d, int h, int mi, int s = 0) {
  return EncodeDateTime(DateTimeParts{y, mo, d, h, mi, s, 0});
}

TEST(ShedDue, WeekDaysRepeatAndIgnoreTheDate) {
  ShedTask t;
  t.StartTime = TimeOfDay(10, 15);
  t.TaskDate = ToShedDay(EncodeDate(2020, 1, 1));
  t.WeekDays = {1, 0, 0, 0, 1, 0, 0};  // Monday and Friday
  // 7 December 2026 is a Monday.
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 7, 10, 15)));
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 7, 10, 15, 59)));
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 7, 10, 14, 59)));
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 7, 10, 16)));
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 8, 10, 15)));  // Tuesday
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 11, 10, 15)));  // Friday
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 14, 10, 15)));  // next Monday
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 13, 10, 15)));  // Sunday
  t.WeekDays = {0, 0, 0, 0, 0, 0, 1};
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 13, 10, 15)));
  // A flag counts only when it is exactly 1.
  t.WeekDays = {2, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 7, 10, 15)));
  EXPECT_TRUE(TaskDueAt(t, At(2020, 1, 1, 10, 15)));  // no day ticked: its date
}

TEST(ShedDue, WithoutWeekDaysOnceOnItsDate) {
  ShedTask t;
  t.StartTime = ToShedDay(At(2026, 12, 8, 22, 0));
  t.TaskDate = ToShedDay(At(2026, 12, 24, 3, 17));  // the time of the date value does not count
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 24, 22, 0, 30)));
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 8, 22, 0)));
  EXPECT_FALSE(TaskDueAt(t, At(2027, 12, 24, 22, 0)));
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 24, 21, 59, 59)));
  t.Enabled = 0;
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 24, 22, 0)));
  t.Enabled = 1;
  t.StartTime = std::nan("");
  EXPECT_FALSE(TaskDueAt(t, At(2026, 12, 24, 22, 0)));
}

TEST(ShedDue, DurationsAcrossMidnightAndTheEndCheck) {
  ShedTask t;
  t.StartTime = TimeOfDay(23, 30);
  t.EndTime = 45000 + TimeOfDay(0, 30);  // the date part of an end does not count
  t.WeekDays = {0, 0, 0, 0, 1, 0, 0};    // Friday
  EXPECT_EQ(TaskDurationMinutes(t), 60);
  // Started on Friday 11 December 2026 at 23:30, it ends on Saturday at 00:30.
  EXPECT_TRUE(TaskDueAt(t, At(2026, 12, 11, 23, 30)));
  EXPECT_TRUE(TaskEndsAt(t, At(2026, 12, 12, 0, 30, 40)));
  EXPECT_FALSE(TaskEndsAt(t, At(2026, 12, 11, 0, 30)));  // Friday's own 00:30 follows Thursday
  EXPECT_FALSE(TaskEndsAt(t, At(2026, 12, 12, 0, 31)));
  // Only recording tasks end, and only enabled ones.
  t.KindRecord = 0;
  t.KindCommand = 1;
  EXPECT_FALSE(TaskEndsAt(t, At(2026, 12, 12, 0, 30)));
  t.KindRecord = 1;
  t.KindCommand = 0;
  t.Enabled = 0;
  EXPECT_FALSE(TaskEndsAt(t, At(2026, 12, 12, 0, 30)));

  t.StartTime = TimeOfDay(22, 0);
  t.EndTime = TimeOfDay(1, 30);
  EXPECT_EQ(TaskDurationMinutes(t), 210);
  t.EndTime = 7 + TimeOfDay(22, 0) + 30.0 / 86400;  // seconds are cut: equal minutes last 0
  EXPECT_EQ(TaskDurationMinutes(t), 0);
  t.EndTime = TimeOfDay(21, 59);
  EXPECT_EQ(TaskDurationMinutes(t), 1439);
}

TEST(ShedTask, KindsAndDefaults) {
  ShedTask t;
  t.KindRecord = 0;
  EXPECT_EQ(TaskKind(t), ShedKind::None);
  t.KindView = 1;
  EXPECT_EQ(TaskKind(t), ShedKind::View);
  t.KindCommand = 1;  // 1 + 3 is no kind
  EXPECT_EQ(TaskKind(t), ShedKind::None);
  t.KindView = 0;
  EXPECT_EQ(TaskKind(t), ShedKind::Command);

  const DateTime now = At(2026, 12, 8, 21, 36, 12);
  const ShedTask n = NewShedTask(now);
  EXPECT_EQ(n.Enabled, 1);
  EXPECT_EQ(TaskKind(n), ShedKind::Record);
  EXPECT_EQ(n.ChannelIndex, 0);
  EXPECT_EQ(n.RecordMode, kRecordInPlayer);
  EXPECT_EQ(n.AfterEnd, kAfterEndStandby);
  EXPECT_EQ(n.TaskName, "Новая задача");
  EXPECT_EQ(TaskDurationMinutes(n), 60);
  EXPECT_TRUE(TaskDueAt(n, now));
  EXPECT_EQ(TaskMinuteOfDay(n.EndTime), 22 * 60 + 36);
}

}  // namespace
}  // namespace strevo
