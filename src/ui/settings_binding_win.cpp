#include "ui/settings_binding_win.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shlobj.h>

#include <optional>

#include "base/codepage.h"
#include "base/text_helpers.h"
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

std::vector<std::string> AudioDevices() {
  std::vector<std::string> items{"Auto"};
  const UINT n = waveOutGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    WAVEOUTCAPSW caps{};
    if (waveOutGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    std::wstring name(caps.szPname);
    items.push_back(Narrow(name.substr(0, 31)));
  }
  return items;
}

std::string ShiftText(int hours) { return (hours > 0 ? "+" : "") + std::to_string(hours) + " hr."; }

void TakeChannelValues(MainWindow& mw) {
  SettingsWindow& s = mw.settings;
  ChannelSettingsValues& v = mw.channel;
  v.colorCorrection = IsChecked(s, kIdColourCorrection);
  v.contrast = SliderValue(s, kIdContrast);
  v.brightness = SliderValue(s, kIdBrightness);
  v.hue = SliderValue(s, kIdHue);
  v.saturation = SliderValue(s, kIdSaturation);
  v.gamma = SliderValue(s, kIdGamma);
  v.deinterlace = std::max(0, ComboIndex(s, kIdDeinterlace));
  v.aspect = ControlText(s, kIdAspect);
  v.cropManual = IsChecked(s, kIdCropManual);
  v.cropW = ControlText(s, kIdCropWidth);
  v.cropH = ControlText(s, kIdCropHeight);
  v.cropX = ControlText(s, kIdCropLeft);
  v.cropY = ControlText(s, kIdCropTop);
  v.autoCrop = IsChecked(s, kIdAutoCrop);
  v.guideName = ControlText(s, kIdGuideFile);
  // The scroll bar's position is minus the correction.
  v.guideShift = -SliderValue(s, kIdTimeShift);
  v.audioTrackIndex = std::max(0, ComboIndex(s, kIdAudioTrack));
  v.mono = IsChecked(s, kIdMono);
}

void TakeGlobalValues(MainWindow& mw) {
  SettingsWindow& s = mw.settings;
  GlobalSettingsValues& g = mw.globals;
  g.iface = ControlText(s, kIdInterface);
  g.audioDevice = std::max(0, ComboIndex(s, kIdAudioDevice));
  g.capDir = ControlText(s, kIdCaptureDir);
  g.noDirectX = IsChecked(s, kIdNoDirectX);
  g.noDeinterlace = IsChecked(s, kIdNoDeinterlace);
  g.noCrop = IsChecked(s, kIdNoCrop);
  g.recPriority = IsChecked(s, kIdRecPriority);
  GlobalSettings& c = mw.config;
  c.recMux = std::max(0, ComboIndex(s, kIdContainer));
  c.tvgUrl = ControlText(s, kIdGuideUrl);
  c.ownColors = IsChecked(s, kIdOwnColours);
  c.taskbarButton = IsChecked(s, kIdTaskbarButton);
  c.noScreenSaver = IsChecked(s, kIdNoScreenSaver);
  c.noOsd = IsChecked(s, kIdNoOsd);
  c.simpleList = IsChecked(s, kIdSimpleList);
  c.autoSwitch = IsChecked(s, kIdAutoSwitch);
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

std::vector<std::string> GuideFileNames(const std::string& exeFolder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(exeFolder + "\\TVGuide\\*.ndx").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string n = Narrow(fd.cFileName);
    if (n.size() >= 4) names.push_back(n.substr(0, n.size() - 4));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

void ShowChannelSettings(MainWindow& mw) {
  Showing showing;
  SettingsWindow& s = mw.settings;
  const ChannelSettingsValues& v = mw.channel;
  SetChecked(s, kIdColourCorrection, v.colorCorrection);
  SetSliderValue(s, kIdContrast, v.contrast);
  SetSliderValue(s, kIdBrightness, v.brightness);
  SetSliderValue(s, kIdHue, v.hue);
  SetSliderValue(s, kIdSaturation, v.saturation);
  SetSliderValue(s, kIdGamma, v.gamma);
  SetComboIndex(s, kIdDeinterlace, v.deinterlace);
  SetControlText(s, kIdAspect, v.aspect);
  SetChecked(s, kIdCropManual, v.cropManual);
  SetControlText(s, kIdCropWidth, v.cropW);
  SetControlText(s, kIdCropHeight, v.cropH);
  SetControlText(s, kIdCropLeft, v.cropX);
  SetControlText(s, kIdCropTop, v.cropY);
  EnableCropEdits(mw, v.cropManual);
  SetChecked(s, kIdAutoCrop, v.autoCrop);
  SetControlText(s, kIdGuideFile, v.guideName);
  SetSliderValue(s, kIdTimeShift, -v.guideShift);
  SetControlText(s, kIdTimeShiftValue, ShiftText(v.guideShift));
  SetComboIndex(s, kIdAudioTrack, v.audioTrackIndex);
  SetChecked(s, kIdMono, v.mono);
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
    const GlobalSettings& c = mw.config;
    const GlobalSettingsValues& g = mw.globals;
    SetControlText(s, kIdPlaylistUrl, c.playlistUrl);
    SetControlText(s, kIdGuideUrl, c.tvgUrl);
    SetComboIndex(s, kIdContainer, c.recMux);
    SetControlText(s, kIdCaptureDir, g.capDir);
    SetControlText(s, kIdInterface, g.iface);
    SetComboIndex(s, kIdAudioDevice, g.audioDevice);
    SetChecked(s, kIdTaskbarButton, c.taskbarButton);
    SetChecked(s, kIdOwnColours, c.ownColors);
    EnableWindow(s.Control(kIdColoursDialog), c.ownColors);
    SetChecked(s, kIdAutoSwitch, c.autoSwitch);
    SetChecked(s, kIdSimpleList, c.simpleList);
    SetChecked(s, kIdNoScreenSaver, c.noScreenSaver);
    SetChecked(s, kIdNoOsd, c.noOsd);
    SetChecked(s, kIdNoDirectX, g.noDirectX);
    SetChecked(s, kIdRecPriority, g.recPriority);
    SetChecked(s, kIdNoDeinterlace, g.noDeinterlace);
    SetChecked(s, kIdNoCrop, g.noCrop);
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
