#include "scheduler/shed_editor.h"

#include "playback/playlist_tags.h"

namespace strevo {

ShedEditorEnabling EditorEnabling(ShedKind kind, bool anyWeekDay, std::string_view commandText) {
  auto mentions = [&](std::string_view variable) { return commandText.find(variable) != std::string_view::npos; };
  const bool view = kind == ShedKind::View, record = kind == ShedKind::Record;
  ShedEditorEnabling e;
  e.date = !anyWeekDay;
  e.channel = view || record || mentions("%mrl%");
  e.fileSuffix = record || mentions("%subfn%");
  e.recordMode = record;
  e.command = kind == ShedKind::Command;
  e.endTimes = record || mentions("%dur%");
  e.afterEnd = record;
  return e;
}

static int Wrap(int minutes) { return ((minutes % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay; }

int EndMinuteFor(int startMinute, int durationMinutes) { return Wrap(startMinute + durationMinutes); }

int DurationMinutesFor(int startMinute, int endMinute) { return Wrap(endMinute - startMinute); }

std::vector<std::string> SchedulerChannelTitles(std::string_view playlistBytes, const TextConverter& ansiToUtf8,
                                                bool readTags) {
  ChannelList list =
      readTags ? ParseTaggedPlaylist(playlistBytes, "", ansiToUtf8) : ParsePlaylist(playlistBytes, "", ansiToUtf8);
  if (list.titles.empty()) return {};
  return {list.titles.begin() + 1, list.titles.end()};  // without the pseudo-channel
}

const std::array<std::string_view, 5> kRecordModeTexts = {
    "обычная",
    "в фоне и продолжать просмотр текущего канала",
    "в фоне и смотреть записываемый канал",
    "в фоне, остановить и свернуть",
    "в фоне и в режим ожидания",
};

const std::array<std::string_view, 6> kAfterEndTexts = {
    "Нажать на \"Стоп\"",
    "Продолжать просмотр",
    "Плеер в режим ожидания",
    "Выйти из программы",
    "Выключить компьютер",
    "Ничего не делать (для фоновой записи)",
};

const std::array<std::string_view, 6> kCommandPresets = {
    "shutdown.exe -s -t 00",
    "\"%self%\" /bgrec \"%mrl%\" ps \"%capdir%%subfn% - %name%-%date%-%time%.mpg\" %dur% \"%name%\" \"%ip%\"",
    "$updatetvg",
    "$updatem3u",
    "$sleep",
    "$close",
};

int ReselectedRecorder(int previous, int sameRecorderAt, int count) {
  if (count <= 0) return -1;
  if (sameRecorderAt >= 0 && sameRecorderAt < count) return sameRecorderAt;
  if (previous >= 0 && previous < count) return previous;
  return 0;
}

}  // namespace strevo
