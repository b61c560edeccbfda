#include "ui/texts/ui_texts.h"

#include <algorithm>
#include <set>
#include <utility>

#include "ui/channels/list_tags.h"
#include "ui/commands/menus.h"
#include "scheduler/shed_editor.h"
#include "ui/scheduler/scheduler_layout.h"
#include "ui/settings/settings_layout.h"

namespace strevo {

namespace {

bool HasCyrillic(std::string_view s) {
  // Cyrillic letters are U+0400..U+04FF: UTF-8 lead bytes D0..D3.
  return std::any_of(s.begin(), s.end(), [](char c) {
    auto b = static_cast<unsigned char>(c);
    return b >= 0xD0 && b <= 0xD3;
  });
}

std::string_view BeforeTab(std::string_view caption) { return caption.substr(0, caption.find('\t')); }

// clang-format off
const std::pair<std::string_view, std::string_view> kEnglish[] = {
    // the list-source box
    {"Я сам составлю список каналов...", "I will make the channel list myself..."},
    {"Выбрать файл со списком каналов...", "Choose a channel list file..."},
    {"Указать адрес списка каналов...", "Give the channel list's address..."},
    // main menu
    {"На полный экран", "Full screen"},
    {"Режим мини-окна", "Mini window mode"},
    {"Видео на рабочий стол", "Video on the desktop"},
    {"Поверх всех окон", "Always on top"},
    {"Список каналов", "Channel list"},
    {"Панель управления", "Control panel"},
    {"Видеоокно", "Video window"},
    {"Размер видеоокна", "Video window size"},
    {"Управление", "Playback"},
    {"Воспроизвести / Приостановить", "Play / Pause"},
    {"Остановить", "Stop"},
    {"Записать / Остановить запись", "Record / Stop recording"},
    {"Сделать скриншот", "Take a snapshot"},
    {"Громкость выше", "Volume up"},
    {"Громкость ниже", "Volume down"},
    {"Включить / Выключить звук", "Sound on / off"},
    {"Канал вперёд", "Next channel"},
    {"Канал назад", "Previous channel"},
    {"Предыдущий канал", "Last watched channel"},
    {"Телепрограмма", "TV guide"},
    {"Для текущего канала", "For the current channel"},
    {"Для всех каналов", "For all channels"},
    {"Показать OSD", "Show OSD"},
    {"Экспорт в HTML", "Export to HTML"},
    {"Обновить телепрограмму", "Update the TV guide"},
    {"Обновить список каналов", "Update the channel list"},
    {"Планировщик", "Scheduler"},
    {"Браузер", "Browser"},
    {"Настройки", "Settings"},
    {"Свернуть в трей", "Minimise to tray"},
    {"Режим ожидания", "Standby mode"},
    {"Выход", "Exit"},
    {"Каналы", "Channels"},
    // the pseudo-channel (string resource IDS_FILE_OR_STREAM)
    {"Файл или поток", "File or stream"},
    {"[ Каналы ]", "[ Channels ]"},
    // channel-list menu
    {"Выбрать", "Select"},
    {"Показать телепрограмму", "Show the TV guide"},
    {"Начать фоновую запись", "Start background recording"},
    {"Проверить работу каналов", "Check the channels"},
    // settings window
    {"Применить", "Apply"},
    {"Закрыть", "Close"},
    {"Общие", "General"},
    {"Дополнительно", "Advanced"},
    {"Канал", "Channel"},
    {"О программе", "About"},
    {"Загрузить преднастройку из списка провайдеров", "Load a preset from the list of providers"},
    {"Адрес списка каналов (файл M3U)", "Channel list address (M3U file)"},
    {"Адрес телепрограммы (JTV в ZIP)", "TV guide address (JTV in ZIP)"},
    {"Запись", "Recording"},
    {"Видео", "Video"},
    {"Аудио", "Audio"},
    {"Папка для записи и таймшифта", "Folder for recordings and time shift"},
    {"Сетевой интерфейс", "Network interface"},
    {"Аудио карта", "Sound card"},
    {"Показывать кнопку в панели задач", "Show a button in the taskbar"},
    {"Не использовать системные цвета", "Do not use the system colours"},
    {"Автоматическое переключение каналов", "Automatic channel switching"},
    {"Простой вид списка каналов", "Simple channel list"},
    {"Читать теги M3U", "Read M3U tags"},
    {kMovedTasksHeading,
     "The channel list was read anew and channel numbers changed. These scheduler tasks may now point at other "
     "channels:"},
    {"Загружаться с Windows", "Start with Windows"},
    {"Отключать хранитель экрана", "Disable the screen saver"},
    {"Отключить OSD", "Disable OSD"},
    {"Отключить DirectX (использовать WinGDI)", "Disable DirectX (use WinGDI)"},
    {"Повышать приоритет при записи", "Raise the priority while recording"},
    {"Отключить деинтерлэйс", "Disable deinterlacing"},
    {"Отключить обрезку кадра", "Disable cropping"},
    {"Видео в отдельном окне", "Video in a separate window"},
    {"Вызвать интерфейс VLC", "Open the VLC interface"},
    {"Цветокоррекция", "Colour correction"},
    {"  Кон Ярк  Отт Нас  Гам", "  Con Bri  Hue Sat  Gam"},
    {"Деинтерлэйс", "Deinterlace"},
    {"Соотношение", "Aspect ratio"},
    {"Ручная обрезка кадра", "Manual cropping"},
    {"Размер кадра", "Frame size"},
    {"Точка отступ", "Offset point"},
    {"Автоматическая обрезка", "Automatic cropping"},
    {"Аудио дорожка", "Audio track"},
    {"Моно звук", "Mono sound"},
    {"Файл телепрограммы", "TV guide file"},
    {"Коррекция по времени:", "Time correction:"},
    {"Дом. страница", "Home page"},
    {"Служба поддержки программы", "Program support"},
    // the scheduler window, its two choice lists and its message
    {"Включить планировщик", "Scheduler on"},
    {"Название задачи", "Task name"},
    {"Время запуска", "Start time"},
    {"По дням недели", "Days of the week"},
    {" Пн   Вт    Ср    Чт     Пт   Сб   Вс", " Mo   Tu    We    Th     Fr   Sa   Su"},
    {"Просмотр при помощи Strevo", "View with Strevo"},
    {"Выберите канал", "Channel"},
    {"Запись при помощи Strevo", "Record with Strevo"},
    {"Режим записи", "Recording mode"},
    {"Дополнение к имени файла", "File name suffix"},
    {"Выполнить командную строку", "Run a command line"},
    {"Команда", "Command"},
    {"Время окончания", "End time"},
    {"( Длина", "( Length"},
    {"По окончании...", "At the end..."},
    {"Отмена", "Cancel"},
    {"Список фоновых записей :", "Background recordings :"},
    {"процессов", "processes"},
    {"обычная", "normal"},
    {"в фоне и продолжать просмотр текущего канала", "in the background, keep watching the current channel"},
    {"в фоне и смотреть записываемый канал", "in the background, watch the recorded channel"},
    {"в фоне, остановить и свернуть", "in the background, stop and minimise"},
    {"в фоне и в режим ожидания", "in the background, then standby"},
    {"Нажать на \"Стоп\"", "Press \"Stop\""},
    {"Продолжать просмотр", "Keep watching"},
    {"Плеер в режим ожидания", "Player to standby"},
    {"Выйти из программы", "Exit the program"},
    {"Выключить компьютер", "Shut the computer down"},
    {"Ничего не делать (для фоновой записи)", "Do nothing (for a background recording)"},
    {"Не удалось сохранить задания планировщика в файл", "The scheduler's tasks could not be saved to the file"},
};
// clang-format on

// The about page's text (rights holder and help) in English, line for line.
std::string EnglishAboutText() {
  return JoinLinesCrLf({
      "",
      "Copyright \xC2\xA9 2026 the Strevo developers",
      "",
      "Keyboard:",
      "",
      "  + / - / * - zoom in / zoom out / as is",
      "  F3 - background recording of the channel selected in the list",
      "",
      "Mouse:",
      "",
      "  Left button - move the window",
      "  Double click - full screen",
      "  Right button - menu",
      "  Middle button (and on the tray icon) - mute",
      "  Mouse wheel - volume",
      "  Ctrl+Wheel (or with the right button held) - channels",
      "  Shift+Wheel - video window size",
      "",
      "Command-line switches (not combined yet):",
      "",
      "  /agent - start in standby mode",
      "  /nologo - do not show the logo",
      "  /updatetvg - update the TV guide",
      "  /exporttvg \"folder\" - export the TV guide to HTML",
  });
}

}  // namespace

std::vector<std::string> TranslatableTexts() {
  std::vector<std::string> texts;
  std::set<std::string, std::less<>> seen;
  auto add = [&](std::string_view text) {
    if (text.empty() || !HasCyrillic(text) || seen.count(text)) return;
    seen.emplace(text);
    texts.emplace_back(text);
  };
  for (const MenuItemDef& item : kMainMenu) add(BeforeTab(item.caption));
  for (const MenuItemDef& item : kChannelListMenu) add(BeforeTab(item.caption));
  for (const ControlDef& c : SettingsPanelControls()) add(c.text);
  for (const PageDef& page : SettingsPages()) {
    add(page.caption);
    for (const ControlDef& c : page.controls) {
      add(c.text);
      for (std::string_view item : c.items) add(item);  // the list-source box's entries
    }
  }
  for (const ShControl& c : SchedulerControls()) add(c.text);
  // Stored by position, so the scheduler window translates them itself.
  for (std::string_view item : kRecordModeTexts) add(item);
  for (std::string_view item : kAfterEndTexts) add(item);
  add(kShedSaveFailed);
  add("Файл или поток");  // the pseudo-channel's title, a string resource
  // Several lines: the file holds it with its line breaks escaped.
  add(AboutBaseText());
  return texts;
}

std::string EnglishText(std::string_view russian) {
  if (russian == AboutBaseText()) return EnglishAboutText();
  for (const auto& [ru, en] : kEnglish)
    if (ru == russian) return std::string(en);
  return {};
}

std::string EnglishLanguageFile(ToSystemBytes toBytes) {
  // Comment lines: they start with no key, so they match no text.
  std::string out =
      "; Strevo language file, English. Rename it to Strevo.lng beside Strevo.exe to use it.\r\n"
      "; Each line: the MD5 of the Russian text in code page 1251, \"=\", the replacement.\r\n"
      "; In a replacement, \\r is a line break; other backslashes stay as they are.\r\n";
  for (const std::string& text : TranslatableTexts()) {
    out += LanguageKey(text, toBytes) + "=" + EscapeReplacement(EnglishText(text)) + "\r\n";
  }
  return out;
}

}  // namespace strevo
