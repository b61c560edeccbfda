#include "ui/scheduler/scheduler_layout.h"

#include <array>

namespace strevo {

namespace {

using K = ShControlKind;

// Labels reach to the control on their right (a longer translation is cut
// there, not wrapped); the rest is as the window has always been laid out.
constexpr std::array<ShControl, 48> kControls = {{
    {kShEnabled, K::CheckBox, "", 8, 6, 13, 13},
    {kShEnabledLabel, K::Label, "Включить планировщик", 24, 6, 140, 14},
    {kShTaskList, K::TaskList, "", 7, 25, 153, 296},
    {kShNameLabel, K::Label, "Название задачи", 167, 9, 94, 14},
    {kShName, K::Edit, "", 262, 6, 161, 21},
    {kShStartLabel, K::Label, "Время запуска", 168, 36, 93, 14},
    {kShStart, K::TimePicker, "", 262, 32, 51, 21},
    {kShDate, K::DatePicker, "", 318, 32, 81, 21},
    {kShSetNow, K::Glyph, "", 402, 30, 22, 24, 0, {"WebDings", 18, false, 0xA6, "*"},
     "Установить текущее время и дату"},
    {kShWeekDaysLabel, K::Label, "По дням недели", 168, 63, 95, 14},
    {kShMonday + 0, K::CheckBox, "", 264, 58, 13, 13},
    {kShMonday + 1, K::CheckBox, "", 288, 58, 13, 13},
    {kShMonday + 2, K::CheckBox, "", 312, 58, 13, 13},
    {kShMonday + 3, K::CheckBox, "", 336, 58, 13, 13},
    {kShMonday + 4, K::CheckBox, "", 360, 58, 13, 13},
    {kShMonday + 5, K::CheckBox, "", 384, 58, 13, 13},
    {kShMonday + 6, K::CheckBox, "", 408, 58, 13, 13},
    {kShDayNames, K::Label, " Пн   Вт    Ср    Чт     Пт   Сб   Вс", 264, 75, 160, 14},
    {kShLine1, K::Line, "", 167, 91, 258, 2},
    {kShView, K::Radio, "Просмотр при помощи Strevo", 168, 97, 250, 17},
    {kShChannelLabel, K::Label, "Выберите канал", 176, 120, 101, 14},
    {kShChannel, K::DropDown, "", 278, 116, 147, 21, 250},
    {kShRecord, K::Radio, "Запись при помощи Strevo", 168, 142, 250, 17},
    {kShModeLabel, K::Label, "Режим записи", 176, 168, 79, 14},
    {kShMode, K::DropDown, "", 256, 163, 169, 21, 280},
    {kShSuffixLabel, K::Label, "Дополнение к имени файла", 176, 192, 143, 14},
    {kShSuffix, K::Edit, "", 320, 188, 105, 21},
    {kShCommandKind, K::Radio, "Выполнить командную строку", 168, 212, 250, 17},
    {kShCommandLabel, K::Label, "Команда", 176, 236, 55, 14},
    {kShCommand, K::ComboEdit, "", 232, 231, 169, 21, 250},
    {kShHint, K::Glyph, "", 402, 228, 22, 24, 0, {"WebDings", 19, false, 'i', "i"}, "Подсказка"},
    {kShLine2, K::Line, "", 167, 257, 258, 2},
    {kShEndLabel, K::Label, "Время окончания", 168, 268, 93, 14},
    {kShEnd, K::TimePicker, "", 262, 264, 51, 21},
    {kShDurationOpen, K::Label, "( Длина", 320, 268, 42, 14},
    {kShDuration, K::TimePicker, "", 363, 264, 51, 21},
    {kShDurationClose, K::Label, " )", 416, 268, 10, 14},
    {kShAfterEndLabel, K::Label, "По окончании...", 168, 295, 93, 14},
    {kShAfterEnd, K::DropDown, "", 262, 292, 161, 21, 260},
    {kShLine3, K::Line, "", 167, 318, 258, 2},
    {kShAdd, K::Glyph, "+", 8, 325, 18, 24, 0, {"Arial", 24, true, 0}, "Добавить задачу"},
    {kShCopyPlus, K::Glyph, "+", 36, 324, 12, 18, 0, {"Arial", 18, true, 0}, "Скопировать текущую задачу"},
    {kShCopy, K::Glyph, "", 28, 326, 24, 22, 0, {"WebDings", 16, false, 0x9D, "="}, "Скопировать текущую задачу"},
    {kShDelete, K::Glyph, "", 56, 326, 26, 24, 0, {"Wingdings", 26, false, 0xFB, "x"}, "Удалить текущую задачу"},
    {kShClock, K::Label, "00:00:00", 104, 329, 53, 14},
    {kShOk, K::Button, "OK", 272, 324, 72, 23},
    {kShCancel, K::Button, "Отмена", 352, 324, 72, 23},
    {kShVerticalLine, K::Line, "", 429, 6, 2, 340},
}};

constexpr std::array<ShControl, 4> kRecorderControls = {{
    {kShRecordersLabel, K::Label, "Список фоновых записей :", 440, 6, 137, 14},
    {kShRecorderCount, K::Label, "0", 578, 6, 17, 14},
    {kShRecordersUnit, K::Label, "процессов", 596, 6, 60, 14},
    {kShRecorders, K::RecorderList, "", 435, 24, 220, 321},
}};

constexpr auto kAll = [] {
  std::array<ShControl, kControls.size() + kRecorderControls.size()> all{};
  size_t n = 0;
  for (const auto& c : kControls) all[n++] = c;
  for (const auto& c : kRecorderControls) all[n++] = c;
  return all;
}();

}  // namespace

std::span<const ShControl> SchedulerControls() { return kAll; }

const ShControl* SchedulerControl(int id) {
  for (const auto& c : kAll)
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace strevo
