// The settings window as data: its four pages with every control, their texts,
// initial states and choice lists. The shell builds the windows from this
// table; the English language file is generated from it too.
#pragma once
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace strevo {

enum class CtlKind { Label, BoldLabel, Check, Combo, ComboEdit, Edit, Button, GlyphButton, VSlider, VScroll, Memo, Link };

// Control identifiers (also the Win32 control ids).
enum SettingsId : int {
  kIdNone = 0,
  // buttons below the tab control
  kIdApply = 1001, kIdClose,
  // "Общие"
  kIdPreset = 1100, kIdListSourceLabel, kIdListSource, kIdPlaylistUrl, kIdRefreshList, kIdGuideUrlLabel, kIdGuideUrl,
  kIdRefreshGuide, kIdRecordLabel, kIdContainer, kIdVideoLabel, kIdVideoCodec, kIdVideoBitrate, kIdAudioLabel,
  kIdAudioCodec, kIdAudioBitrate, kIdKbps1, kIdKbps2, kIdCaptureLabel, kIdCaptureDir, kIdCaptureBrowse,
  kIdInterfaceLabel, kIdInterface, kIdAudioDeviceLabel, kIdAudioDevice, kIdReadM3uTags,
  // "Дополнительно"
  kIdTaskbarButton = 1200, kIdOwnColours, kIdColoursDialog, kIdAutoSwitch, kIdSimpleList, kIdAutoStart,
  kIdNoScreenSaver, kIdNoOsd, kIdNoDirectX, kIdRecPriority, kIdNoDeinterlace, kIdNoCrop, kIdUndocked,
  kIdEngineSwitch, kIdEngineInterface,
  // "Канал"
  kIdChannelTitle = 1300, kIdColourCorrection, kIdSliderHeader, kIdContrast, kIdBrightness, kIdHue, kIdSaturation,
  kIdGamma, kIdDeinterlaceLabel, kIdDeinterlace, kIdAspectLabel, kIdAspect, kIdCropManual, kIdCropSizeLabel,
  kIdCropWidth, kIdCropX, kIdCropHeight, kIdCropOffsetLabel, kIdCropLeft, kIdCropComma, kIdCropTop, kIdAutoCrop,
  kIdAudioTrackLabel, kIdAudioTrack, kIdMono, kIdGuideFileLabel, kIdGuideFile, kIdTimeShiftLabel, kIdTimeShift,
  kIdTimeShiftValue,
  // "О программе"
  kIdAboutText = 1400, kIdHomePage, kIdSupportPage,
};

struct ControlDef {
  int id;
  CtlKind kind;
  std::string_view text;  // caption, or the initial text of an edit
  int x, y, w, h;
  std::vector<std::string_view> items = {};  // choice lists
  int initial = 0;        // check state, selected item, slider position
  bool hidden = false;
  int min = 0, max = 0;   // slider and scroll bar range
};

struct PageDef {
  std::string_view caption;
  std::vector<ControlDef> controls;
};

inline constexpr int kSettingsPageCount = 4;
enum SettingsPage : int { kPageGeneral = 0, kPageAdvanced = 1, kPageChannel = 2, kPageAbout = 3 };

const std::vector<PageDef>& SettingsPages();
// The controls of the settings panel beside the tab control ("Применить", "Закрыть").
const std::vector<ControlDef>& SettingsPanelControls();

// Lines joined by CR LF, with a final CR LF.
std::string JoinLinesCrLf(std::initializer_list<const char*> lines);
// The help text of the about page, lines joined by CR LF with a final CR LF.
std::string AboutHelpText();
// The about page's built-in text (rights holder and help), as translation sees it.
std::string AboutBaseText();
// Start-up completes it: product and version before, the engine line after.
std::string CompleteAboutText(std::string_view baseText, std::string_view productName, std::string_view version,
                              std::string_view engineLine);

// The slider of picture regulator 1..5 (contrast, brightness, hue,
// saturation, gamma: the order Up and Down step through); 0 for any other.
constexpr int PictureSliderOf(int regulator) {
  constexpr int sliders[] = {kIdContrast, kIdBrightness, kIdHue, kIdSaturation, kIdGamma};
  return regulator >= 1 && regulator <= 5 ? sliders[regulator - 1] : 0;
}

inline constexpr int kSettingsWidth = 440;
inline constexpr int kSettingsHeight = 360;

}  // namespace strevo
