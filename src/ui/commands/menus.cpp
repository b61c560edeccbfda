#include "ui/commands/menus.h"

#include <algorithm>
#include <charconv>

namespace strevo {

// clang-format off
const std::array<MenuItemDef, kMainMenuCount> kMainMenu = {{
    {.number = 0, .caption = "На полный экран\t(F)", .depth = 0, .isDefault = true, .command = CommandId::FullScreen},
    {.number = 1, .caption = "Режим мини-окна", .depth = 0, .hidden = true, .command = CommandId::MiniWindow},
    {.number = 2, .caption = "Видео на рабочий стол", .depth = 0, .command = CommandId::DesktopMode},
    {.number = 3, .caption = "Поверх всех окон", .depth = 0, .command = CommandId::VideoOnTop},
    {.number = 4, .caption = "Поверх всех окон", .depth = 0, .checked = true, .command = CommandId::VideoOnTopFullScreen},
    {.number = 5, .caption = "-", .depth = 0},
    {.number = 6, .caption = "Список каналов\t(L)", .depth = 0, .command = CommandId::ChannelList},
    {.number = 7, .caption = "Панель управления\t(Esc)", .depth = 0, .command = CommandId::ControlPanel},
    {.number = 8, .caption = "Видеоокно\t(H)", .depth = 0, .command = CommandId::VideoWindow},
    {.number = 9, .caption = "-", .depth = 0},
    {.number = 10, .caption = "Размер видеоокна", .depth = 0, .submenu = true},
    {.number = 11, .caption = "80x60", .depth = 1, .command = CommandId::VideoSize},
    {.number = 12, .caption = "160x120", .depth = 1, .command = CommandId::VideoSize},
    {.number = 13, .caption = "192x144", .depth = 1, .command = CommandId::VideoSize},
    {.number = 14, .caption = "320x240", .depth = 1, .command = CommandId::VideoSize},
    {.number = 15, .caption = "384x288", .depth = 1, .command = CommandId::VideoSize},
    {.number = 16, .caption = "422x317", .depth = 1, .command = CommandId::VideoSize},
    {.number = 17, .caption = "512x384", .depth = 1, .command = CommandId::VideoSize},
    {.number = 18, .caption = "640x480", .depth = 1, .command = CommandId::VideoSize},
    {.number = 19, .caption = "720x576", .depth = 1, .command = CommandId::VideoSize},
    {.number = 20, .caption = "768x576", .depth = 1, .command = CommandId::VideoSize},
    {.number = 21, .caption = "800x450", .depth = 1, .command = CommandId::VideoSize},
    {.number = 22, .caption = "800x600", .depth = 1, .command = CommandId::VideoSize},
    {.number = 23, .caption = "1024x576", .depth = 1, .command = CommandId::VideoSize},
    {.number = 24, .caption = "1024x768", .depth = 1, .command = CommandId::VideoSize},
    {.number = 25, .caption = "1280x720", .depth = 1, .command = CommandId::VideoSize},
    {.number = 26, .caption = "Управление", .depth = 0, .submenu = true},
    {.number = 27, .caption = "0:00:00 / 0:00:00", .depth = 1, .disabled = true},
    {.number = 28, .caption = "-", .depth = 1},
    {.number = 29, .caption = "Воспроизвести / Приостановить\t(Space)", .depth = 1, .command = CommandId::PlayPause},
    {.number = 30, .caption = "Остановить\t(Ctrl+S)", .depth = 1, .command = CommandId::Stop},
    {.number = 31, .caption = "Записать / Остановить запись\t(F2)", .depth = 1, .command = CommandId::Record},
    {.number = 32, .caption = "Сделать скриншот\t(F4)", .depth = 1, .command = CommandId::Snapshot},
    {.number = 33, .caption = "-", .depth = 1},
    {.number = 34, .caption = "Громкость выше\t(Up)", .depth = 1, .command = CommandId::VolumeUp},
    {.number = 35, .caption = "Громкость ниже\t(Down)", .depth = 1, .command = CommandId::VolumeDown},
    {.number = 36, .caption = "Включить / Выключить звук\t(M)", .depth = 1, .command = CommandId::Mute},
    {.number = 37, .caption = "-", .depth = 1},
    {.number = 38, .caption = "Канал вперёд\t(Right)", .depth = 1, .command = CommandId::ChannelNext},
    {.number = 39, .caption = "Канал назад\t(Left)", .depth = 1, .command = CommandId::ChannelPrevious},
    {.number = 40, .caption = "Предыдущий канал\t(Backspace)", .depth = 1, .command = CommandId::ChannelLastWatched},
    {.number = 41, .caption = "Телепрограмма", .depth = 0, .submenu = true},
    {.number = 42, .caption = "Для текущего канала\t(G)", .depth = 1, .command = CommandId::GuideCurrent},
    {.number = 43, .caption = "Для всех каналов\t(Shift+G)", .depth = 1, .command = CommandId::GuideAll},
    {.number = 44, .caption = "Показать OSD\t(/)", .depth = 1, .command = CommandId::ShowOsd},  // the key is "/": "?" (with Shift) runs nothing
    {.number = 45, .caption = "-", .depth = 1},
    {.number = 46, .caption = "Экспорт в HTML", .depth = 1, .command = CommandId::ExportHtml},
    {.number = 47, .caption = "Обновить телепрограмму", .depth = 1, .command = CommandId::UpdateGuide},
    {.number = 48, .caption = "Обновить список каналов", .depth = 0, .command = CommandId::UpdateChannels},
    {.number = 49, .caption = "Планировщик", .depth = 0, .command = CommandId::Scheduler},
    {.number = 50, .caption = "Браузер", .depth = 0, .hidden = true, .command = CommandId::Browser},
    {.number = 51, .caption = "Настройки\t(Ctrl+P)", .depth = 0, .command = CommandId::Settings},
    {.number = 52, .caption = "-", .depth = 0},
    {.number = 53, .caption = "Свернуть в трей", .depth = 0, .command = CommandId::ToTray},
    {.number = 54, .caption = "Режим ожидания", .depth = 0, .command = CommandId::Standby},
    {.number = 55, .caption = "Выход\t(Alt+X)", .depth = 0, .command = CommandId::Exit},
    {.number = 56, .caption = "-", .depth = 0},
    {.number = 57, .caption = "Каналы", .depth = 0, .submenu = true},
    {.number = 58, .caption = "[ Каналы ]", .depth = 1, .hidden = true, .disabled = true},
}};

const std::array<MenuItemDef, 5> kChannelListMenu = {{
    {.number = -1, .caption = "Выбрать\t(Enter)", .depth = 0, .isDefault = true, .command = CommandId::ListPlay},
    {.number = -1, .caption = "-", .depth = 0},
    {.number = -1, .caption = "Показать телепрограмму\t(G)", .depth = 0, .command = CommandId::ListGuide},
    {.number = -1, .caption = "Начать фоновую запись", .depth = 0, .command = CommandId::ListBackgroundRecord},
    {.number = -1, .caption = "Проверить работу каналов", .depth = 0, .command = CommandId::ChannelTest},
}};
// clang-format on

int ChannelEntriesShown(size_t entries) {
  return entries < static_cast<size_t>(kMaxChannelEntries) ? static_cast<int>(entries) : kMaxChannelEntries;
}

int ChannelEntryOfCommand(int id, size_t entries) {
  const int k = id - kChannelEntryFirstId;
  return k >= 0 && k < ChannelEntriesShown(entries) ? k : -1;
}

std::vector<ChannelMenuPage> ChannelMenuPages(size_t entries) {
  std::vector<ChannelMenuPage> pages;
  const int shown = ChannelEntriesShown(entries);
  if (shown - 1 <= kChannelEntriesFlat) return pages;
  for (int first = 1; first < shown; first += kChannelEntriesPerPage)
    pages.push_back({first, std::min(first + kChannelEntriesPerPage, shown) - 1});
  return pages;
}

std::string ChannelMenuPageCaption(const ChannelMenuPage& page) {
  return std::to_string(page.first) + " - " + std::to_string(page.last);
}

bool ParseVideoSize(std::string_view caption, int& width, int& height) {
  size_t x = caption.find('x');
  if (x == std::string_view::npos || x == 0 || x + 1 >= caption.size()) return false;
  auto w = std::from_chars(caption.data(), caption.data() + x, width);
  auto h = std::from_chars(caption.data() + x + 1, caption.data() + caption.size(), height);
  return w.ec == std::errc() && w.ptr == caption.data() + x && h.ec == std::errc() &&
         h.ptr == caption.data() + caption.size();
}

}  // namespace strevo
