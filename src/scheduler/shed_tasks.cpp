#include "scheduler/shed_tasks.h"

#include <cmath>
#include <cstring>

#include "base/codepage.h"

namespace strevo {

namespace {

// Field offsets within a record.
constexpr size_t kOffEnabled = 0, kOffStart = 8, kOffDate = 16, kOffWeekDays = 24, kOffKindView = 31,
                 kOffKindRecord = 32, kOffKindCommand = 33, kOffChannel = 36, kOffSuffix = 40, kOffMode = 296,
                 kOffCommand = 300, kOffEnd = 560, kOffAfterEnd = 568, kOffName = 572;
constexpr size_t kStringField = 256;

// Day numbers beyond this are no dates (the calendar ends long before).
constexpr double kMaxDayValue = 1e9;

int32_t GetI32(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return static_cast<int32_t>(v);
}

double GetF64(std::string_view b, size_t at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

std::string GetText(std::string_view b, size_t at, int codepage) {
  const size_t len = static_cast<uint8_t>(b[at]);
  return CodePageToUtf8(b.substr(at + 1, len), codepage);
}

void PutI32(std::string& b, size_t at, int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xff);
}

void PutF64(std::string& b, size_t at, double value) {
  uint64_t v;
  std::memcpy(&v, &value, sizeof v);
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xff);
}

void PutText(std::string& b, size_t at, std::string_view utf8, int codepage) {
  std::string bytes = Utf8ToCodePage(utf8, codepage);
  if (bytes.size() > kShedTextMax) bytes.resize(kShedTextMax);
  b[at] = static_cast<char>(bytes.size());
  std::memcpy(&b[at + 1], bytes.data(), bytes.size());
}

ShedTask ParseRecord(std::string_view r, int codepage) {
  ShedTask t;
  t.Enabled = static_cast<uint8_t>(r[kOffEnabled]);
  t.StartTime = GetF64(r, kOffStart);
  t.TaskDate = GetF64(r, kOffDate);
  for (size_t d = 0; d < 7; ++d) t.WeekDays[d] = static_cast<uint8_t>(r[kOffWeekDays + d]);
  t.KindView = static_cast<uint8_t>(r[kOffKindView]);
  t.KindRecord = static_cast<uint8_t>(r[kOffKindRecord]);
  t.KindCommand = static_cast<uint8_t>(r[kOffKindCommand]);
  t.ChannelIndex = GetI32(r, kOffChannel);
  t.FileSuffix = GetText(r, kOffSuffix, codepage);
  t.RecordMode = GetI32(r, kOffMode);
  t.CommandLine = GetText(r, kOffCommand, codepage);
  t.EndTime = GetF64(r, kOffEnd);
  t.AfterEnd = GetI32(r, kOffAfterEnd);
  t.TaskName = GetText(r, kOffName, codepage);
  return t;
}

// Milliseconds into the day of a value, rounded as display rounds them;
// 86400000 means the next day's midnight. -1 for no date-time.
int64_t DayMilliseconds(double value) {
  if (!std::isfinite(value) || std::fabs(value) > kMaxDayValue) return -1;
  return std::llround((value - std::floor(value)) * 86400000.0);
}

}  // namespace

ShedKind TaskKind(const ShedTask& task) {
  const int sum = task.KindView + 2 * task.KindRecord + 3 * task.KindCommand;
  return sum >= 1 && sum <= 3 ? static_cast<ShedKind>(sum) : ShedKind::None;
}

ShedTask NewShedTask(DateTime now) {
  ShedTask t;
  t.StartTime = ToShedDay(now);
  t.TaskDate = t.StartTime;
  t.EndTime = t.StartTime + TimeOfDay(1, 0);
  return t;
}

ShedFile ParseShedFile(std::string_view bytes, int codepage) {
  ShedFile f;
  if (bytes.size() < 4 || GetI32(bytes, 0) != kShedFormatVersion) return f;
  f.versionOk = true;
  if (bytes.size() < kShedHeaderSize) {
    f.damaged = true;
    return f;
  }
  f.switchOn = GetI32(bytes, 4) == 1;
  const int32_t count = GetI32(bytes, 8);
  size_t wanted = count < 0 ? 0 : static_cast<size_t>(count);
  if (count < 0 || wanted > kShedMaxTasks) {
    f.damaged = true;
    wanted = count < 0 ? 0 : kShedMaxTasks;
  }
  const size_t whole = (bytes.size() - kShedHeaderSize) / kShedRecordSize;
  if (whole < wanted) {
    f.damaged = true;
    wanted = whole;
  }
  f.tasks.reserve(wanted);
  for (size_t i = 0; i < wanted; ++i)
    f.tasks.push_back(ParseRecord(bytes.substr(kShedHeaderSize + i * kShedRecordSize, kShedRecordSize), codepage));
  return f;
}

bool ReadShedTasks(std::string_view bytes, int codepage, std::vector<ShedTask>& list) {
  ShedFile f = ParseShedFile(bytes, codepage);
  list = std::move(f.tasks);
  return f.versionOk && f.switchOn;
}

std::string WriteShedTasks(bool switchOn, const std::vector<ShedTask>& tasks, int codepage) {
  std::string b(kShedHeaderSize + tasks.size() * kShedRecordSize, '\0');
  PutI32(b, 0, kShedFormatVersion);
  PutI32(b, 4, switchOn ? 1 : 0);
  PutI32(b, 8, static_cast<int32_t>(tasks.size()));
  size_t at = kShedHeaderSize;
  for (const ShedTask& t : tasks) {
    b[at + kOffEnabled] = t.Enabled == 1 ? 1 : 0;
    PutF64(b, at + kOffStart, t.StartTime);
    PutF64(b, at + kOffDate, t.TaskDate);
    for (size_t d = 0; d < 7; ++d) b[at + kOffWeekDays + d] = static_cast<char>(t.WeekDays[d]);
    b[at + kOffKindView] = static_cast<char>(t.KindView);
    b[at + kOffKindRecord] = static_cast<char>(t.KindRecord);
    b[at + kOffKindCommand] = static_cast<char>(t.KindCommand);
    PutI32(b, at + kOffChannel, t.ChannelIndex);
    PutText(b, at + kOffSuffix, t.FileSuffix, codepage);
    PutI32(b, at + kOffMode, t.RecordMode);
    PutText(b, at + kOffCommand, t.CommandLine, codepage);
    PutF64(b, at + kOffEnd, t.EndTime);
    PutI32(b, at + kOffAfterEnd, t.AfterEnd);
    PutText(b, at + kOffName, t.TaskName, codepage);
    at += kShedRecordSize;
  }
  static_assert(kOffName + kStringField + 4 == kShedRecordSize);
  return b;
}

int TaskMinuteOfDay(double value) {
  const int64_t ms = DayMilliseconds(value);
  if (ms < 0) return -1;
  return static_cast<int>(ms / 60000 % 1440);
}

int64_t TaskDay(double value) {
  const int64_t ms = DayMilliseconds(value);
  if (ms < 0) return INT64_MIN;
  return static_cast<int64_t>(std::floor(value)) + (ms >= 86400000 ? 1 : 0);
}

DateTime TimeOfDay(int hour, int minute) { return (hour * 60 + minute) / 1440.0; }

int TaskDurationMinutes(const ShedTask& task) {
  const int start = TaskMinuteOfDay(task.StartTime), end = TaskMinuteOfDay(task.EndTime);
  if (start < 0 || end < 0) return 0;
  return (end - start + 1440) % 1440;
}

bool TaskDueAt(const ShedTask& task, DateTime now) {
  if (task.Enabled != 1) return false;
  const int minute = TaskMinuteOfDay(now);
  if (minute < 0 || minute != TaskMinuteOfDay(task.StartTime)) return false;
  bool anyDay = false;
  for (uint8_t d : task.WeekDays) anyDay = anyDay || d == 1;
  if (anyDay) return task.WeekDays[DayOfWeek(now) - 1] == 1;
  return TaskDay(ToShedDay(now)) == TaskDay(task.TaskDate);
}

bool TaskEndsAt(const ShedTask& task, DateTime now) {
  return task.KindRecord == 1 && TaskDueAt(task, now - TaskDurationMinutes(task) / 1440.0);
}

}  // namespace strevo
