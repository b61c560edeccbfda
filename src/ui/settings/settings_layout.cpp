#include "ui/settings/settings_layout.h"

#include <iterator>

#include "playback/recording_rules.h"
#include "playback/settings_values.h"

namespace strevo {

namespace {
using K = CtlKind;

// clang-format off
const std::vector<std::string_view> kContainers = RecordingFormats();
const std::vector<std::string_view> kVideoCodecs = {"None", "mp2v", "mp4v", "DIV3", "H263", "H264", "WMV1", "WMV2", "MJPG"};
const std::vector<std::string_view> kVideoBitrates = {"3072", "2048", "1024", "768", "512", "384", "256", "192", "128", "96", "64", "32", "16"};
const std::vector<std::string_view> kAudioCodecs = {"None", "mpga", "mp2a", "mp3", "mp4a", "vorb"};
const std::vector<std::string_view> kAudioBitrates = {"512", "384", "256", "192", "128", "96", "64", "32", "16"};
const std::vector<std::string_view> kDeinterlace(std::begin(kDeinterlaceModes), std::end(kDeinterlaceModes));
const std::vector<std::string_view> kAspects = {"None", "1:1", "4:3", "16:9", "16:10", "221:100", "5:4"};
const std::vector<std::string_view> kAudioTracks = {"None", "#1", "#2", "#3", "#4", "#5", "#6", "#7", "#8", "#9"};
const std::vector<std::string_view> kListSources = {"Я сам составлю список каналов...", "Выбрать файл со списком каналов...", "Указать адрес списка каналов..."};
}  // namespace

// The default guide archive address offered in its box.
static constexpr std::string_view kDefaultGuideUrl = "http://127.0.0.1/tvguide/jtv.zip";

const std::vector<PageDef>& SettingsPages() {
  static const std::vector<PageDef> pages = {
      {"Общие", {
          {kIdPreset, K::Button, "Загрузить преднастройку из списка провайдеров", 8, 8, 404, 24},
          {kIdListSourceLabel, K::Label, "Адрес списка каналов (файл M3U)", 8, 40, 250, 14},
          {kIdReadM3uTags, K::Check, "Читать теги M3U", 262, 38, 150, 16},
          // Editable: the box shows the list's address and takes a typed one.
          {kIdListSource, K::ComboEdit, "", 8, 56, 378, 200, kListSources, -1},
          {kIdRefreshList, K::GlyphButton, "q", 390, 55, 22, 22},
          {kIdGuideUrlLabel, K::Label, "Адрес телепрограммы (JTV в ZIP)", 8, 84, 300, 14},
          {kIdGuideUrl, K::ComboEdit, "", 8, 100, 378, 200, {kDefaultGuideUrl}, -1},
          {kIdRefreshGuide, K::GlyphButton, "q", 390, 99, 22, 22},
          {kIdRecordLabel, K::Label, "Запись", 8, 130, 60, 14},
          {kIdContainer, K::Combo, "", 8, 146, 60, 200, kContainers, 0},
          {kIdVideoLabel, K::Label, "Видео", 76, 130, 70, 14},
          {kIdVideoCodec, K::Combo, "", 76, 146, 62, 200, kVideoCodecs, 0},
          {kIdVideoBitrate, K::Combo, "", 142, 146, 56, 200, kVideoBitrates, 2},
          {kIdKbps1, K::Label, "kb/s", 202, 149, 30, 14},
          {kIdAudioLabel, K::Label, "Аудио", 240, 130, 70, 14},
          {kIdAudioCodec, K::Combo, "", 240, 146, 62, 200, kAudioCodecs, 0},
          {kIdAudioBitrate, K::Combo, "", 306, 146, 56, 200, kAudioBitrates, 4},
          {kIdKbps2, K::Label, "kb/s", 366, 149, 30, 14},
          {kIdCaptureLabel, K::Label, "Папка для записи и таймшифта", 8, 176, 300, 14},
          {kIdCaptureDir, K::Edit, "C:\\", 8, 192, 378, 21},
          {kIdCaptureBrowse, K::Button, "...", 390, 191, 22, 22},
          {kIdInterfaceLabel, K::Label, "Сетевой интерфейс", 8, 222, 190, 14},
          {kIdInterface, K::ComboEdit, "", 8, 238, 196, 200, {}, -1},
          {kIdAudioDeviceLabel, K::Label, "Аудио карта", 216, 222, 190, 14},
          {kIdAudioDevice, K::Combo, "", 216, 238, 196, 200, {"Auto"}, 0},
      }},
      {"Дополнительно", {
          {kIdTaskbarButton, K::Check, "Показывать кнопку в панели задач", 8, 8, 380, 18, {}, 1},
          {kIdOwnColours, K::Check, "Не использовать системные цвета", 8, 28, 350, 18},
          {kIdColoursDialog, K::Button, "...", 362, 27, 22, 20},
          {kIdAutoSwitch, K::Check, "Автоматическое переключение каналов", 8, 48, 380, 18},
          {kIdSimpleList, K::Check, "Простой вид списка каналов", 8, 68, 380, 18},
          {kIdAutoStart, K::Check, "Загружаться с Windows", 8, 88, 380, 18, {}, 1, true},
          {kIdNoScreenSaver, K::Check, "Отключать хранитель экрана", 8, 88, 380, 18},
          {kIdNoOsd, K::Check, "Отключить OSD", 8, 108, 380, 18},
          {kIdNoDirectX, K::Check, "Отключить DirectX (использовать WinGDI)", 8, 128, 380, 18},
          {kIdRecPriority, K::Check, "Повышать приоритет при записи", 8, 148, 380, 18},
          {kIdNoDeinterlace, K::Check, "Отключить деинтерлэйс", 8, 168, 380, 18},
          {kIdNoCrop, K::Check, "Отключить обрезку кадра", 8, 188, 380, 18},
          {kIdUndocked, K::Check, "Видео в отдельном окне", 8, 208, 380, 18},
          {kIdEngineSwitch, K::Button, "DShow <=> VLC", 8, 236, 140, 24},
          {kIdEngineInterface, K::Button, "Вызвать интерфейс VLC", 156, 236, 180, 24},
      }},
      {"Канал", {
          {kIdChannelTitle, K::BoldLabel, "Title (MRL)", 8, 6, 404, 16},
          {kIdColourCorrection, K::Check, "Цветокоррекция", 8, 26, 180, 18, {}, 1},
          {kIdSliderHeader, K::Label, "  Кон Ярк  Отт Нас  Гам", 8, 46, 180, 14},
          {kIdContrast, K::VSlider, "", 10, 62, 30, 190, {}, 100, false, 0, 200},
          {kIdBrightness, K::VSlider, "", 44, 62, 30, 190, {}, 100, false, 0, 200},
          {kIdHue, K::VSlider, "", 78, 62, 30, 190, {}, 0, false, 0, 360},
          {kIdSaturation, K::VSlider, "", 112, 62, 30, 190, {}, 100, false, 0, 300},
          {kIdGamma, K::VSlider, "", 146, 62, 30, 190, {}, 100, false, 0, 1000},
          {kIdDeinterlaceLabel, K::Label, "Деинтерлэйс", 196, 28, 100, 14},
          {kIdDeinterlace, K::Combo, "", 196, 44, 100, 200, kDeinterlace, 0},
          {kIdAspectLabel, K::Label, "Соотношение", 306, 28, 100, 14},
          {kIdAspect, K::ComboEdit, "", 306, 44, 100, 200, kAspects, 0},
          {kIdCropManual, K::Check, "Ручная обрезка кадра", 196, 72, 210, 18},
          {kIdCropSizeLabel, K::Label, "Размер кадра", 196, 94, 90, 14},
          {kIdCropWidth, K::Edit, "", 290, 92, 46, 20},
          {kIdCropX, K::Label, "x", 340, 94, 10, 14},
          {kIdCropHeight, K::Edit, "", 352, 92, 46, 20},
          {kIdCropOffsetLabel, K::Label, "Точка отступ", 196, 118, 90, 14},
          {kIdCropLeft, K::Edit, "", 290, 116, 46, 20},
          {kIdCropComma, K::Label, ",", 340, 118, 10, 14},
          {kIdCropTop, K::Edit, "", 352, 116, 46, 20},
          {kIdAutoCrop, K::Check, "Автоматическая обрезка", 196, 142, 210, 18},
          {kIdAudioTrackLabel, K::Label, "Аудио дорожка", 196, 166, 100, 14},
          {kIdAudioTrack, K::Combo, "", 196, 182, 100, 200, kAudioTracks, 1},
          {kIdMono, K::Check, "Моно звук", 306, 184, 100, 18},
          {kIdGuideFileLabel, K::Label, "Файл телепрограммы", 196, 210, 150, 14},
          {kIdGuideFile, K::ComboEdit, "", 196, 226, 150, 200, {}, -1},
          {kIdTimeShiftLabel, K::Label, "Коррекция по времени:", 8, 258, 150, 14},
          {kIdTimeShift, K::VScroll, "", 360, 206, 18, 44, {}, 0, false, -99, 100},
          {kIdTimeShiftValue, K::Label, "0 hr.", 160, 258, 80, 14},
      }},
      {"О программе", {
          {kIdAboutText, K::Memo, "", 8, 8, 404, 228},
          {kIdHomePage, K::Link, "Дом. страница", 8, 244, 150, 16},
          {kIdSupportPage, K::Link, "Служба поддержки программы", 200, 244, 210, 16},
      }},
  };
  return pages;
}

const std::vector<ControlDef>& SettingsPanelControls() {
  static const std::vector<ControlDef> controls = {
      {kIdApply, K::Button, "Применить", 250, 326, 88, 26},
      {kIdClose, K::Button, "Закрыть", 344, 326, 88, 26},
  };
  return controls;
}
// clang-format on

std::string JoinLinesCrLf(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string AboutHelpText() {
  return JoinLinesCrLf({
      "Клавиатура:",
      "",
      "  + / - / * - приближение / удаление / как есть",
      "  F3 - фоновая запись выделенного в списке канала",
      "",
      "Мышь:",
      "",
      "  Левая кнопка - двигать окно",
      "  Даблклик - на весь экран",
      "  Правая кнопка - меню",
      "  Средняя кнопка (и по значку в трее) - заглушить звук",
      "  Колесо мыши - звук",
      "  Ctrl+Колесо (или с зажатой правой кнопкой)  - каналы",
      "  Shift+Колесо - размер видеоокна",
      "",
      "Ключи командной строки (пока не комбинируются):",
      "",
      "  /agent - запустить в режиме ожидания",
      "  /nologo - не показывать логотип",
      "  /updatetvg - обновить телепрограмму",
      "  /exporttvg \"папка\" - экспорт телепрограммы в HTML",
  });
}

std::string AboutBaseText() { return "\r\nАвторские права © 2026 разработчики Strevo\r\n\r\n" + AboutHelpText(); }

std::string CompleteAboutText(std::string_view baseText, std::string_view productName, std::string_view version,
                              std::string_view engineLine) {
  return std::string(productName) + " " + std::string(version) + std::string(baseText) + "\r\nWorking with: " +
         std::string(engineLine);
}

}  // namespace strevo
