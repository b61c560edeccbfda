#include "ui/commands/menus.h"

#include <algorithm>
#include <charconv>

namespace strevo {

// clang-format off
const std::array<MenuItemDef, kMainMenuCount> kMainMenu = {{
    {0, "На полный экран\t(F)", 0, false, false, false, false, true},
    {1, "Режим мини-окна", 0, false, true},
    {2, "Видео на рабочий стол", 0},
    {3, "Поверх всех окон", 0},
    {4, "Поверх всех окон", 0, false, false, false, true},
    {5, "-", 0},
    {6, "Список каналов\t(L)", 0},
    {7, "Панель управления\t(Esc)", 0},
    {8, "Видеоокно\t(H)", 0},
    {9, "-", 0},
    {10, "Размер видеоокна", 0, true},
    {11, "80x60", 1}, {12, "160x120", 1}, {13, "192x144", 1}, {14, "320x240", 1}, {15, "384x288", 1},
    {16, "422x317", 1}, {17, "512x384", 1}, {18, "640x480", 1}, {19, "720x576", 1}, {20, "768x576", 1},
    {21, "800x450", 1}, {22, "800x600", 1}, {23, "1024x576", 1}, {24, "1024x768", 1}, {25, "1280x720", 1},
    {26, "Управление", 0, true},
    {27, "0:00:00 / 0:00:00", 1, false, false, true},
    {28, "-", 1},
    {29, "Воспроизвести / Приостановить\t(Space)", 1},
    {30, "Остановить\t(Ctrl+S)", 1},
    {31, "Записать / Остановить запись\t(F2)", 1},
    {32, "Сделать скриншот\t(F4)", 1},
    {33, "-", 1},
    {34, "Громкость выше\t(Up)", 1},
    {35, "Громкость ниже\t(Down)", 1},
    {36, "Включить / Выключить звук\t(M)", 1},
    {37, "-", 1},
    {38, "Канал вперёд\t(Right)", 1},
    {39, "Канал назад\t(Left)", 1},
    {40, "Предыдущий канал\t(Backspace)", 1},
    {41, "Телепрограмма", 0, true},
    {42, "Для текущего канала\t(G)", 1},
    {43, "Для всех каналов\t(Shift+G)", 1},
    {44, "Показать OSD\t(/)", 1},  // the key is "/" itself: "?" (with Shift) runs nothing
    {45, "-", 1},
    {46, "Экспорт в HTML", 1},
    {47, "Обновить телепрограмму", 1},
    {48, "Обновить список каналов", 0},
    {49, "Планировщик", 0},
    {50, "Браузер", 0, false, true},
    {51, "Настройки\t(Ctrl+P)", 0},
    {52, "-", 0},
    {53, "Свернуть в трей", 0},
    {54, "Режим ожидания", 0},
    {55, "Выход\t(Alt+X)", 0},
    {56, "-", 0},
    {57, "Каналы", 0, true},
    {58, "[ Каналы ]", 1, false, true, true},
}};

const std::array<MenuItemDef, 5> kChannelListMenu = {{
    {-1, "Выбрать\t(Enter)", 0, false, false, false, false, true},
    {-1, "-", 0},
    {-1, "Показать телепрограмму\t(G)", 0},
    {-1, "Начать фоновую запись", 0},
    {-1, "Проверить работу каналов", 0},
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
