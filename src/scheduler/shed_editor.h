// The scheduler window's editing rules as plain functions: which editor
// controls are enabled, the arithmetic of the start, end and duration pickers,
// the channel titles the window offers, and its fixed texts.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "playback/playlist.h"
#include "scheduler/shed_tasks.h"

namespace strevo {

struct ShedEditorEnabling {
  bool date = true;        // the date picker
  bool channel = true;     // "Выберите канал"
  bool fileSuffix = true;  // "Дополнение к имени файла"
  bool recordMode = true;  // "Режим записи"
  bool command = true;     // the command box
  bool endTimes = true;    // the end time and duration pickers
  bool afterEnd = true;    // "По окончании..."
  bool operator==(const ShedEditorEnabling&) const = default;
};

// The command text counts whatever the kind: a command that starts a
// recorder through the macros needs the channel, addition and duration too.
ShedEditorEnabling EditorEnabling(ShedKind kind, bool anyWeekDay, std::string_view commandText);

inline constexpr int kMinutesPerDay = 1440;

// The end picker after the start or the duration changed: start plus
// duration, wrapping past midnight.
int EndMinuteFor(int startMinute, int durationMinutes);
// The duration picker after the end changed: end minus start, or a whole day
// minus (start minus end) when that is not positive; equal times give 0.
int DurationMinutesFor(int startMinute, int endMinute);

// The channel titles of the player's local list copy, in list order, read as
// the player reads it (with its M3U tags when "Читать теги M3U" is on), so
// that a task's channel index names the channel the player plays. No file
// gives no titles.
std::vector<std::string> SchedulerChannelTitles(std::string_view playlistBytes, const TextConverter& ansiToUtf8,
                                                bool readTags = false);

// "OK" could not write the task file; the file's path and the system's
// reason follow.
inline constexpr std::string_view kShedSaveFailed = "Не удалось сохранить задания планировщика в файл";

extern const std::array<std::string_view, 5> kRecordModeTexts;
extern const std::array<std::string_view, 6> kAfterEndTexts;
extern const std::array<std::string_view, 6> kCommandPresets;

// After the background list is filled again: the position to select, or -1.
// The recorder that was selected stays selected wherever it is listed now
// (`sameRecorderAt`, -1 when it is gone): the list follows the windows' order,
// which changes when one is shown, and a position alone would then point at
// another recording. Without it, the old position while it exists, else the
// first item.
int ReselectedRecorder(int previous, int sameRecorderAt, int count);

}  // namespace strevo
