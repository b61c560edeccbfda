#include "ui/settings/settings_binding_win.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <optional>

#include "base/codepage.h"
#include "base/text_helpers.h"
#include "playback/audio_devices_win.h"
#include "playback/settings_values.h"
#include "playback/vlclib_win.h"
#include "ui/channels/channel_list_win.h"
#include "ui/channels/channel_list_paint_win.h"
#include "ui/main/colours_win.h"
#include "ui/main/docking_win.h"
#include "ui/settings/list_source_win.h"
#include "ui/main/mainwindow_win.h"
#include "ui/settings/settings_controls.h"
#include "ui/settings/settings_layout.h"
#include "win/util_win.h"

namespace strevo {

namespace {

// Marks the settings window as being filled while it lives.
struct Showing {
  explicit Showing(SettingsWindow& s) : s_(s) { s_.showing = true; }
  ~Showing() { s_.showing = false; }
  SettingsWindow& s_;
};

std::string ShiftText(int hours) { return (hours > 0 ? "+" : "") + std::to_string(hours) + " hr."; }

// The settings window's controls as the settings table reads and fills them.
class WindowControlValues : public SettingsControlValues {
 public:
  explicit WindowControlValues(SettingsWindow& w) : w_(w) {}
  bool Checked(int id) const override { return IsChecked(w_, id); }
  void SetChecked(int id, bool checked) override { strevo::SetChecked(w_, id, checked); }
  int Position(int id) const override { return SliderValue(w_, id); }
  void SetPosition(int id, int position) override { SetSliderValue(w_, id, position); }
  int ListIndex(int id) const override { return ComboIndex(w_, id); }
  void SetListIndex(int id, int index) override { SetComboIndex(w_, id, index); }
  std::string Text(int id) const override { return ControlText(w_, id); }
  void SetText(int id, const std::string& text) override { SetControlText(w_, id, text); }

 private:
  SettingsWindow& w_;
};

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

void ShowCaptureFolder(MainWindow& mw) {
  Showing showing(mw.settings);
  SetControlText(mw.settings, kIdCaptureDir, mw.globals.capDir);
}

void EnableCropEdits(MainWindow& mw, bool enabled) {
  // Shown only while manual crop is ticked.
  for (int id : {kIdCropWidth, kIdCropHeight, kIdCropLeft, kIdCropTop}) ShowControl(mw.settings, id, enabled);
}

void ShowSettingsTheEngineIgnores(MainWindow& mw) {
  if (!mw.engine3 || !mw.form.tooltip) return;
  for (const InertSetting& inert : SettingsTheThreeXEngineIgnores()) {
    HWND control = mw.settings.Control(inert.controlId);
    if (!control) continue;
    EnableWindow(control, FALSE);
    // A disabled control gets no mouse messages; its page does, so the tip
    // is the page's, over the control's rectangle.
    HWND page = GetParent(control);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
    std::wstring text = Widen(inert.tip);
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = page;
    ti.uId = static_cast<UINT_PTR>(inert.controlId);
    ti.rect = r;
    ti.lpszText = text.data();
    SendMessageW(mw.form.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

void ShowChannelSettings(MainWindow& mw) {
  Showing showing(mw.settings);
  SettingsWindow& s = mw.settings;
  const ChannelSettingsValues& v = mw.channel;
  WindowControlValues values(s);
  ShowSettingsValues(values, mw, SettingsHolder::Channel);
  EnableCropEdits(mw, v.cropManual);
  SetControlText(s, kIdTimeShiftValue, ShiftText(v.guideShift));
  // The bold label names the channel: its title and, in brackets, its MRL.
  const int i = mw.channelSelectorIndex;
  const std::string title = i >= 0 && i < static_cast<int>(mw.channelTitles.size()) ? mw.channelTitles[i] : "";
  SetControlText(s, kIdChannelTitle, title + " (" + mw.currentMrl + ")");
}

void ShowAllSettings(MainWindow& mw) {
  {
    Showing showing(mw.settings);
    SettingsWindow& s = mw.settings;
    SetComboItems(s, kIdInterface, mw.interfaceItems);
    SetComboItems(s, kIdAudioDevice, AudioDevices());
    WindowControlValues values(s);
    ShowSettingsValues(values, mw, SettingsHolder::Globals);
    EnableWindow(s.Control(kIdColoursDialog), mw.globals.ownColors);
    SetChecked(s, kIdUndocked, !mw.docked);
    // Offered only where the engine's own interface exists.
    ShowControl(s, kIdEngineInterface, mw.engineInterfaceButton);
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
  if (mw.settings.showing) return;
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
    case kIdColoursDialog:
      if (clicked) ApplyInterfaceColours(mw, id == kIdColoursDialog);
      break;
    case kIdListSource:
      if (*event == SettingsEvent::Selected) ListSourceChanged(mw, false);
      return;
    case kIdSimpleList:
      if (!clicked) break;
      mw.globals.simpleList = IsChecked(s, kIdSimpleList);
      ApplyChannelListStyle(mw);
      break;
    case kIdUndocked:
      if (!clicked) return;
      if (IsChecked(s, kIdUndocked)) UndockVideo(mw);
      else DockVideo(mw);
      return;
    case kIdEngineInterface:
      if (clicked) OpenEngineInterface(mw);
      return;
    case kIdReadM3uTags:
      if (clicked) SetListTagsRead(mw, IsChecked(s, kIdReadM3uTags));
      return;
  }
  WindowControlValues values(s);
  SettingsControlEvent(values, mw, id, *event);
  // The channel's settings first: a new list chooses no channel.
  if (id == kIdApply && clicked) ApplyListAddress(mw, false);
}

}  // namespace strevo
