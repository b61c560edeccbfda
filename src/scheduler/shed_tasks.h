// The scheduler's task file (".Shed.ini", binary despite its name) and the
// arithmetic every reader of it shares: the due test, a task's duration and
// the times and dates its day-number values stand for. Bytes in, bytes out:
// the file itself is read and written by the Win32 side.
//
// Layout, little-endian: a 12-byte header (version 17, the master switch, the
// task count) and then one 832-byte record per task.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"

namespace strevo {

constexpr int32_t kShedFormatVersion = 17;
constexpr size_t kShedHeaderSize = 12;
constexpr size_t kShedRecordSize = 832;
constexpr size_t kShedTextMax = 255;  // bytes of a stored string
// A reader takes at most this many records; the window never makes so many,
// and a count field claiming more cannot make a reader hold gigabytes.
constexpr size_t kShedMaxTasks = 10000;
constexpr size_t kShedMaxFileSize = kShedHeaderSize + kShedMaxTasks * kShedRecordSize;

enum class ShedKind : int { None = 0, View = 1, Record = 2, Command = 3 };

// The task file's day numbers count from 30 December 1899 (45000 is 15 March
// 2023), as the files in use hold them; the program's DateTime counts from
// 1 January 0001 = 1. Records keep the stored values, so they write back
// bit for bit; these convert.
constexpr DateTime kShedDayZero = 693594;  // 30 December 1899 as a DateTime
inline DateTime FromShedDay(double stored) { return stored + kShedDayZero; }
inline double ToShedDay(DateTime value) { return value - kShedDayZero; }

// One task. Flags keep the byte they had in the file: a reader acts on a flag
// only when it is exactly 1. Texts are UTF-8 here and ANSI in the file.
struct ShedTask {
  uint8_t Enabled = 1;
  double StartTime = 0;  // stored day number; only its time of day, to the minute, counts
  double TaskDate = 0;   // stored day number; only its date counts, and only without week days
  std::array<uint8_t, 7> WeekDays{};  // Monday first
  uint8_t KindView = 0;
  uint8_t KindRecord = 1;
  uint8_t KindCommand = 0;
  int32_t ChannelIndex = 0;  // position in the playlist file; -1: none chosen
  std::string FileSuffix;
  int32_t RecordMode = 0;  // ShedRecordMode
  std::string CommandLine;
  double EndTime = 0;  // stored day number; only its time of day, to the minute, counts
  int32_t AfterEnd = 2;  // ShedAfterEnd
  std::string TaskName = "Новая задача";

  bool operator==(const ShedTask&) const = default;
};

enum ShedRecordMode : int32_t {
  kRecordInPlayer = 0,
  kRecordBackgroundKeepWatching = 1,
  kRecordBackgroundWatchIt = 2,
  kRecordBackgroundStopMinimise = 3,
  kRecordBackgroundStandby = 4,
};

enum ShedAfterEnd : int32_t {
  kAfterEndStop = 0,
  kAfterEndKeepWatching = 1,
  kAfterEndStandby = 2,
  kAfterEndExit = 3,
  kAfterEndShutDown = 4,
  kAfterEndNothing = 5,
};

// The kind as the flags add up: anything but 1, 2 or 3 does nothing.
ShedKind TaskKind(const ShedTask& task);

// A task made with "add": enabled, starting now, recording channel 0 for one
// hour, then standby.
ShedTask NewShedTask(DateTime now);

struct ShedFile {
  bool versionOk = false;  // false: a foreign file, nothing else was read
  bool switchOn = false;   // the master switch is exactly 1
  std::vector<ShedTask> tasks;
  // The bytes ended inside the header or inside a record (that record is
  // dropped, whole records before it are kept), or the count was negative or
  // over kShedMaxTasks.
  bool damaged = false;
};

// Parses the file's bytes. Never fails: a foreign or damaged file gives what
// could be read whole.
ShedFile ParseShedFile(std::string_view bytes, int codepage);

// The reader's answer: empties `list`, fills it with the file's tasks and
// returns whether the scheduler is switched on (false also for a foreign
// version, with the list left empty).
bool ReadShedTasks(std::string_view bytes, int codepage, std::vector<ShedTask>& list);

// The whole file for `tasks`. Reserved bytes and the bytes past each string
// are zero; longer strings are cut to 255 bytes of the code page. Byte 0 of a
// record is 1 when `Enabled` is 1 (the window's tick), else 0.
std::string WriteShedTasks(bool switchOn, const std::vector<ShedTask>& tasks, int codepage);

// Minute of the day (0..1439) of a value's "HH:mm", whatever its date part
// (either scale); -1 for a value that is no date-time (not finite or far out
// of range).
int TaskMinuteOfDay(double value);
// Whole day of a value's "dd.MM.yyyy" on the value's own scale (the time of
// day rounded as for display, so 23:59:59.9999 counts as the next day);
// INT64_MIN for a value that is no date-time.
int64_t TaskDay(double value);
// A time of day as a day fraction.
DateTime TimeOfDay(int hour, int minute);

// Whole minutes from start to end, each cut to the minute, adding a day when
// the end lies before the start: 23:30 to 00:30 lasts 60, equal times 0.
int TaskDurationMinutes(const ShedTask& task);

// True when `task` starts in the minute of `now` (the program's local time).
bool TaskDueAt(const ShedTask& task, DateTime now);
// True when a recording task that started one duration before `now` ends in
// `now`'s minute (the start is tested on its own day, so 23:30-00:30 started
// on Friday ends on Saturday).
bool TaskEndsAt(const ShedTask& task, DateTime now);

}  // namespace strevo
