#include "ui/settings_binding_win.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <optional>
#include <span>
#include <variant>

#include "base/codepage.h"
#include "base/text_helpers.h"
#include "playback/audio_devices_win.h"
#include "playback/settings_map.h"
#include "playback/settings_values.h"
#include "playback/vlclib_win.h"
#include "ui/docking_win.h"
#include "ui/mainwindow_win.h"
#include "ui/settings_actions.h"
#include "ui/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// Set while values are written into the controls, so that the controls'
// own notifications do not run operations.
bool g_showing = false;

struct Showing {
  Showing() { g_showing = true; }
  ~Showing() { g_showing = false; }
};

std::string ShiftText(int hours) { return (hours > 0 ? "+" : "") + std::to_string(hours) + " hr."; }

// How a control holds its value.
enum class Held {
  Check,
  Slider,
  NegatedSlider,  // the time-shift scroll bar's position is minus the correction
  ListIndex,      // no selection is taken as the first entry
  Text,
  ShownText,      // shown, never taken back
};

// One row per settings control bound to a member of a settings struct; showing
// and taking the values are loops over these rows.
template <class S>
struct ControlRow {
  int id;
  Held held;
  std::variant<bool S::*, int S::*, std::string S::*> member;
};

template <class S>
void ShowRows(SettingsWindow& w, std::span<const ControlRow<S>> rows, const S& s) {
  for (const ControlRow<S>& r : rows) {
    switch (r.held) {
      case Held::Check: SetChecked(w, r.id, s.*std::get<bool S::*>(r.member)); break;
      case Held::Slider: SetSliderValue(w, r.id, s.*std::get<int S::*>(r.member)); break;
      case Held::NegatedSlider: SetSliderValue(w, r.id, -(s.*std::get<int S::*>(r.member))); break;
      case Held::ListIndex: SetComboIndex(w, r.id, s.*std::get<int S::*>(r.member)); break;
      case Held::Text:
      case Held::ShownText: SetControlText(w, r.id, s.*std::get<std::string S::*>(r.member)); break;
    }
  }
}

template <class S>
void TakeRows(SettingsWindow& w, std::span<const ControlRow<S>> rows, S& s) {
  for (const ControlRow<S>& r : rows) {
    switch (r.held) {
      case Held::Check: s.*std::get<bool S::*>(r.member) = IsChecked(w, r.id); break;
      case Held::Slider: s.*std::get<int S::*>(r.member) = SliderValue(w, r.id); break;
      case Held::NegatedSlider: s.*std::get<int S::*>(r.member) = -SliderValue(w, r.id); break;
      case Held::ListIndex: s.*std::get<int S::*>(r.member) = std::max(0, ComboIndex(w, r.id)); break;
      case Held::Text: s.*std::get<std::string S::*>(r.member) = ControlText(w, r.id); break;
      case Held::ShownText: break;
    }
  }
}

using C = ChannelSettingsValues;
const ControlRow<C> kChannelControls[] = {
    {kIdColourCorrection, Held::Check, &C::colorCorrection},
    {kIdContrast, Held::Slider, &C::contrast},
    {kIdBrightness, Held::Slider, &C::brightness},
    {kIdHue, Held::Slider, &C::hue},
    {kIdSaturation, Held::Slider, &C::saturation},
    {kIdGamma, Held::Slider, &C::gamma},
    {kIdDeinterlace, Held::ListIndex, &C::deinterlace},
    {kIdAspect, Held::Text, &C::aspect},
    {kIdCropManual, Held::Check, &C::cropManual},
    {kIdCropWidth, Held::Text, &C::cropW},
    {kIdCropHeight, Held::Text, &C::cropH},
    {kIdCropLeft, Held::Text, &C::cropX},
    {kIdCropTop, Held::Text, &C::cropY},
    {kIdAutoCrop, Held::Check, &C::autoCrop},
    {kIdGuideFile, Held::Text, &C::guideName},
    {kIdTimeShift, Held::NegatedSlider, &C::guideShift},
    {kIdAudioTrack, Held::ListIndex, &C::audioTrackIndex},
    {kIdMono, Held::Check, &C::mono},
};

using G = GlobalSettingsValues;
const ControlRow<G> kPlaybackControls[] = {
    {kIdCaptureDir, Held::Text, &G::capDir},
    {kIdInterface, Held::Text, &G::iface},
    {kIdAudioDevice, Held::ListIndex, &G::audioDevice},
    {kIdNoDirectX, Held::Check, &G::noDirectX},
    {kIdRecPriority, Held::Check, &G::recPriority},
    {kIdContainer, Held::ListIndex, &G::recMux},
    {kIdNoDeinterlace, Held::Check, &G::noDeinterlace},
    {kIdNoCrop, Held::Check, &G::noCrop},
};

using R = GlobalSettings;
const ControlRow<R> kWindowControls[] = {
    // The list's address changes only through its own dialog.
    {kIdPlaylistUrl, Held::ShownText, &R::playlistUrl},
    {kIdGuideUrl, Held::Text, &R::tvgUrl},
    {kIdTaskbarButton, Held::Check, &R::taskbarButton},
    {kIdOwnColours, Held::Check, &R::ownColors},
    {kIdAutoSwitch, Held::Check, &R::autoSwitch},
    {kIdSimpleList, Held::Check, &R::simpleList},
    {kIdNoScreenSaver, Held::Check, &R::noScreenSaver},
    {kIdNoOsd, Held::Check, &R::noOsd},
};

void TakeChannelValues(MainWindow& mw) { TakeRows<C>(mw.settings, kChannelControls, mw.channel); }

void TakeGlobalValues(MainWindow& mw) {
  TakeRows<G>(mw.settings, kPlaybackControls, mw.globals);
  TakeRows<R>(mw.settings, kWindowControls, mw.config);
}

void PickCaptureFolder(MainWindow& mw) {
  BROWSEINFOW bi{};
  bi.hwndOwner = mw.frmCfg;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl) return;
  wchar_t path[MAX_PATH];
  if (SHGetPathFromIDListW(pidl, path)) {
    std::string folder = Narrow(path);
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    SetControlText(mw.settings, kIdCaptureDir, folder);
    mw.globals.capDir = folder;
  }
  CoTaskMemFree(pidl);
}

// The engine's own interface: the button goes, the engine is asked (it may
// refuse when the plug-in cannot start).
void OpenEngineInterface(MainWindow& mw) {
  ShowControl(mw.settings, kIdEngineInterface, false);
  if (!mw.directShowMode && mw.vlc && mw.vlc->Loaded()) mw.vlc->AddIntf("wx", 0, 0);
}

}  // namespace

void EnableCropEdits(MainWindow& mw, bool enabled) {
  for (int id : {kIdCropWidth, kIdCropHeight, kIdCropLeft, kIdCropTop}) EnableWindow(mw.settings.Control(id), enabled);
}

void ShowChannelSettings(MainWindow& mw) {
  Showing showing;
  SettingsWindow& s = mw.settings;
  const ChannelSettingsValues& v = mw.channel;
  ShowRows<C>(s, kChannelControls, v);
  EnableCropEdits(mw, v.cropManual);
  SetControlText(s, kIdTimeShiftValue, ShiftText(v.guideShift));
  // The bold label names the channel: its title and, in brackets, its MRL.
  const int i = mw.channelSelectorIndex;
  const std::string title = i >= 0 && i < static_cast<int>(mw.channelTitles.size()) ? mw.channelTitles[i] : "";
  SetControlText(s, kIdChannelTitle, title + " (" + mw.currentMrl + ")");
}

void ShowAllSettings(MainWindow& mw) {
  {
    Showing showing;
    SettingsWindow& s = mw.settings;
    SetComboItems(s, kIdInterface, mw.interfaceItems);
    SetComboItems(s, kIdAudioDevice, AudioDevices());
    ShowRows<R>(s, kWindowControls, mw.config);
    ShowRows<G>(s, kPlaybackControls, mw.globals);
    EnableWindow(s.Control(kIdColoursDialog), mw.config.ownColors);
    SetChecked(s, kIdUndocked, !mw.docked);
    EnableWindow(s.Control(kIdEngineInterface), mw.engineInterfaceButton);
  }
  ShowChannelSettings(mw);
}

// The notification of a control as the event the settings table knows.
static std::optional<SettingsEvent> EventOf(int id, int code) {
  if (code == kSliderMiddleClick) return SettingsEvent::MiddleClick;
  if (id == kIdTimeShift) return code == SB_ENDSCROLL ? SettingsEvent::ScrollEnded : SettingsEvent::ScrollMoved;
  if (PictureSliderDefault(id) >= 0)
    return code == TB_ENDTRACK || code == TB_THUMBPOSITION ? std::optional(SettingsEvent::SliderReleased) : std::nullopt;
  switch (code) {
    case BN_CLICKED: return SettingsEvent::Clicked;  // also STN_CLICKED of the links
    case CBN_SELCHANGE: return SettingsEvent::Selected;
    case CBN_EDITCHANGE:
    case EN_CHANGE: return SettingsEvent::TextChanged;
    case CBN_KILLFOCUS:
    case EN_KILLFOCUS: return SettingsEvent::FocusLost;
  }
  return std::nullopt;
}

void SettingsControlChanged(MainWindow& mw, int id, int code) {
  if (g_showing) return;
  const std::optional<SettingsEvent> event = EventOf(id, code);
  if (!event) return;
  SettingsWindow& s = mw.settings;
  const bool clicked = *event == SettingsEvent::Clicked;
  switch (id) {
    case kIdInterface:
    case kIdAspect:
      // The edit part follows the list only after this notification.
      if (*event == SettingsEvent::Selected) SetControlText(s, id, ComboItemText(s, id, ComboIndex(s, id)));
      break;
    case kIdCropManual:
      if (clicked) EnableCropEdits(mw, IsChecked(s, kIdCropManual));
      break;
    case kIdTimeShift:
      SetControlText(s, kIdTimeShiftValue, ShiftText(-SliderValue(s, kIdTimeShift)));
      break;
    case kIdCaptureBrowse:
      if (clicked) PickCaptureFolder(mw);
      return;
    case kIdOwnColours:
      if (clicked) EnableWindow(s.Control(kIdColoursDialog), IsChecked(s, kIdOwnColours));
      break;
    case kIdUndocked:
      if (!clicked) return;
      if (IsChecked(s, kIdUndocked)) UndockVideo(mw);
      else DockVideo(mw);
      return;
    case kIdEngineInterface:
      if (clicked) OpenEngineInterface(mw);
      return;
  }
  if (*event == SettingsEvent::MiddleClick) SetSliderValue(s, id, PictureSliderDefault(id));
  // The values follow the controls on every change; the operation, if the
  // control has one, then works on them.
  TakeChannelValues(mw);
  TakeGlobalValues(mw);
  RunSettingsAction(mw, SettingsActionFor(id, *event));
}

}  // namespace strevo
