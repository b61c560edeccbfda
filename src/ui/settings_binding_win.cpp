#include "ui/settings_binding_win.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shlobj.h>

#include "core/codepage.h"
#include "guide/text_helpers.h"
#include "playback/settings_map.h"
#include "playback/settings_values.h"
#include "ui/docking_win.h"
#include "ui/mainwindow_win.h"
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

void ShowCropEdits(SettingsWindow& s, bool shown) {
  for (int c : {kIdCropSizeLabel, kIdCropWidth, kIdCropX, kIdCropHeight, kIdCropOffsetLabel, kIdCropLeft, kIdCropComma,
                kIdCropTop})
    ShowControl(s, c, shown);
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

}  // namespace

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
  ShowCropEdits(s, v.cropManual);
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
    ShowControl(s, kIdEngineInterface, mw.engineInterfaceButton);
  }
  ShowChannelSettings(mw);
}

void SettingsControlChanged(MainWindow& mw, int id, int code) {
  if (g_showing) return;
  SettingsWindow& s = mw.settings;
  const bool clicked = code == BN_CLICKED;
  const bool selected = code == CBN_SELCHANGE;
  const bool edited = code == CBN_EDITCHANGE || code == EN_CHANGE;
  switch (id) {
    case kIdApply:
      TakeChannelValues(mw);
      applysettings(mw, Sender::Control);
      return;
    case kIdContainer:
    case kIdAudioDevice:
    case kIdVideoCodec:
    case kIdVideoBitrate:
    case kIdAudioCodec:
    case kIdAudioBitrate:
      if (!selected) return;
      TakeGlobalValues(mw);
      applyglobals(mw, Sender::Control);
      return;
    case kIdInterface:
      if (!selected && !edited) return;
      if (selected) {
        // The edit part follows the list only after this notification.
        SetControlText(s, kIdInterface, ComboItemText(s, kIdInterface, ComboIndex(s, kIdInterface)));
      }
      TakeGlobalValues(mw);
      applyglobals(mw, Sender::Control);
      return;
    case kIdNoDirectX:
    case kIdNoDeinterlace:
    case kIdNoCrop:
      if (!clicked) return;
      TakeGlobalValues(mw);
      applysettings_now(mw, Sender::Control);
      return;
    case kIdColourCorrection:
    case kIdAutoCrop:
    case kIdCropManual:
      if (!clicked) return;
      if (id == kIdCropManual) ShowCropEdits(s, IsChecked(s, kIdCropManual));
      TakeChannelValues(mw);
      applysettings_now(mw, Sender::Control);
      return;
    case kIdDeinterlace:
    case kIdAudioTrack:
      if (!selected) return;
      TakeChannelValues(mw);
      applysettings_now(mw, id == kIdAudioTrack ? Sender::AudioTrackList : Sender::Control);
      return;
    case kIdMono:
      if (!clicked) return;
      TakeChannelValues(mw);
      applysettings(mw, Sender::MonoBox);
      return;
    case kIdContrast:
    case kIdBrightness:
    case kIdHue:
    case kIdSaturation:
    case kIdGamma:
      if (code != TB_ENDTRACK && code != TB_THUMBPOSITION) return;
      TakeChannelValues(mw);
      applysettings(mw, Sender::Control);
      return;
    case kIdAspect:
      if (!selected && code != CBN_KILLFOCUS) return;
      if (selected) SetControlText(s, kIdAspect, ComboItemText(s, kIdAspect, ComboIndex(s, kIdAspect)));
      TakeChannelValues(mw);
      applysettings(mw, Sender::Control);
      return;
    case kIdGuideFile:
      if (!selected && code != CBN_KILLFOCUS) return;
      TakeChannelValues(mw);
      applysettings(mw, Sender::GuideNameBox);
      return;
    case kIdTimeShift:
      TakeChannelValues(mw);
      SetControlText(s, kIdTimeShiftValue, ShiftText(mw.channel.guideShift));
      if (code == SB_ENDSCROLL) applysettings(mw, Sender::GuideShiftBar);
      return;
    case kIdCropWidth:
    case kIdCropHeight:
    case kIdCropLeft:
    case kIdCropTop:
      if (code == EN_KILLFOCUS) {
        TakeChannelValues(mw);
        applysettings(mw, Sender::Control);
      }
      return;
    case kIdCaptureBrowse:
      if (clicked) PickCaptureFolder(mw);
      return;
    case kIdCaptureDir:
    case kIdGuideUrl:
      if (edited || selected || code == EN_KILLFOCUS) TakeGlobalValues(mw);
      return;
    case kIdOwnColours:
      if (!clicked) return;
      EnableWindow(s.Control(kIdColoursDialog), IsChecked(s, kIdOwnColours));
      TakeGlobalValues(mw);
      return;
    case kIdTaskbarButton:
    case kIdAutoSwitch:
    case kIdSimpleList:
    case kIdNoScreenSaver:
    case kIdNoOsd:
    case kIdRecPriority:
      if (clicked) TakeGlobalValues(mw);
      return;
    case kIdUndocked:
      if (!clicked) return;
      if (IsChecked(s, kIdUndocked)) UndockVideo(mw);
      else DockVideo(mw);
      return;
  }
}

}  // namespace strevo
