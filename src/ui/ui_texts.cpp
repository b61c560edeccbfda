#include "ui/ui_texts.h"

#include <algorithm>
#include <set>
#include <utility>

#include "ui/menus.h"
#include "ui/settings_layout.h"

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
};
// clang-format on

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
    for (const ControlDef& c : page.controls) add(c.text);
  }
  // The about text spans several lines, which a language file line cannot hold.
  return texts;
}

std::string EnglishText(std::string_view russian) {
  for (const auto& [ru, en] : kEnglish)
    if (ru == russian) return std::string(en);
  return {};
}

std::string EnglishLanguageFile(ToSystemBytes toBytes) {
  std::string out;
  for (const std::string& text : TranslatableTexts()) {
    out += LanguageKey(text, toBytes) + "=" + EnglishText(text) + "\r\n";
  }
  return out;
}

}  // namespace strevo
