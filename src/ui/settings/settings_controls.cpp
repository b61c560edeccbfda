#include "ui/settings/settings_controls.h"

#include <algorithm>
#include <type_traits>

#include "playback/settings_map.h"
#include "ui/settings/settings_layout.h"

namespace strevo {

namespace {

using E = SettingsEvent;
using C = ChannelSettingsValues;
using G = GlobalSettings;

constexpr ApplyFunction Globals = applyglobals;
constexpr ApplyFunction Settings = applysettings;
// For changes that need a new start of the stream.
constexpr ApplyFunction SettingsNow = applysettings_now;

// clang-format off
const SettingsControlRow kRows[] = {
    {kIdApply,            Held::None,          {},                   SettingsNow, On(E::Clicked)},

    // "Общие"
    // The list-source box shows the list's address; a new one is taken, and
    // the list fetched, by the settings window itself.
    {kIdListSource,       Held::ShownText,     &G::playlistUrl},
    // Reloads the list read the other way; the settings window does it.
    {kIdReadM3uTags,      Held::Check,         &G::readM3uTags},
    {kIdGuideUrl,         Held::Text,          &G::tvgUrl},
    {kIdContainer,        Held::ListIndex,     &G::recMux,           Globals,     On(E::Selected)},
    {kIdVideoCodec,       Held::None,          {},                   Globals,     On(E::Selected)},
    {kIdVideoBitrate,     Held::None,          {},                   Globals,     On(E::Selected)},
    {kIdAudioCodec,       Held::None,          {},                   Globals,     On(E::Selected)},
    {kIdAudioBitrate,     Held::None,          {},                   Globals,     On(E::Selected)},
    {kIdCaptureDir,       Held::Text,          &G::capDir},
    {kIdInterface,        Held::Text,          &G::iface,            Globals,     On(E::Selected, E::TextChanged)},
    {kIdAudioDevice,      Held::ListIndex,     &G::audioDevice,      Globals,     On(E::Selected)},

    // "Дополнительно"
    {kIdTaskbarButton,    Held::Check,         &G::taskbarButton},
    {kIdOwnColours,       Held::Check,         &G::ownColors},
    {kIdAutoSwitch,       Held::Check,         &G::autoSwitch},
    {kIdSimpleList,       Held::Check,         &G::simpleList},
    {kIdNoScreenSaver,    Held::Check,         &G::noScreenSaver},
    {kIdNoOsd,            Held::Check,         &G::noOsd},
    {kIdNoDirectX,        Held::Check,         &G::noDirectX,        SettingsNow, On(E::Clicked)},
    {kIdRecPriority,      Held::Check,         &G::recPriority},
    {kIdNoDeinterlace,    Held::Check,         &G::noDeinterlace,    SettingsNow, On(E::Clicked)},
    {kIdNoCrop,           Held::Check,         &G::noCrop,           SettingsNow, On(E::Clicked)},

    // "Канал"
    {kIdColourCorrection, Held::Check,         &C::colorCorrection,  SettingsNow, On(E::Clicked)},
    {kIdContrast,         Held::Slider,        &C::contrast,         Settings,    On(E::SliderReleased, E::MiddleClick)},
    {kIdBrightness,       Held::Slider,        &C::brightness,       Settings,    On(E::SliderReleased, E::MiddleClick)},
    {kIdHue,              Held::Slider,        &C::hue,              Settings,    On(E::SliderReleased, E::MiddleClick)},
    {kIdSaturation,       Held::Slider,        &C::saturation,       Settings,    On(E::SliderReleased, E::MiddleClick)},
    {kIdGamma,            Held::Slider,        &C::gamma,            Settings,    On(E::SliderReleased, E::MiddleClick)},
    {kIdDeinterlace,      Held::ListIndex,     &C::deinterlace,      SettingsNow, On(E::Selected)},
    {kIdAspect,           Held::Text,          &C::aspect,           Settings,    On(E::Selected, E::FocusLost)},
    {kIdCropManual,       Held::Check,         &C::cropManual,       SettingsNow, On(E::Clicked)},
    // Typing into a crop edit waits for the end.
    {kIdCropWidth,        Held::Digits,        &C::cropW,            Settings,    On(E::FocusLost)},
    {kIdCropHeight,       Held::Digits,        &C::cropH,            Settings,    On(E::FocusLost)},
    {kIdCropLeft,         Held::Text,          &C::cropX,            Settings,    On(E::FocusLost)},
    {kIdCropTop,          Held::Text,          &C::cropY,            Settings,    On(E::FocusLost)},
    {kIdAutoCrop,         Held::Check,         &C::autoCrop,         SettingsNow, On(E::Clicked)},
    {kIdGuideFile,        Held::Text,          &C::guideName,        Settings,    On(E::Selected, E::FocusLost), Sender::GuideNameBox},
    {kIdTimeShift,        Held::NegatedSlider, &C::guideShift,       Settings,    On(E::ScrollEnded),            Sender::GuideShiftBar},
    {kIdAudioTrack,       Held::ListIndex,     &C::audioTrackIndex,  SettingsNow, On(E::Selected),               Sender::AudioTrackList},
    {kIdMono,             Held::Check,         &C::mono,             Settings,    On(E::Clicked),                Sender::MonoBox},
};
// clang-format on

// The struct a row's member belongs to, within the player state.
template <class State, class T>
auto& Holder(State& st, T C::*) {
  return st.channel;
}
template <class State, class T>
auto& Holder(State& st, T G::*) {
  return st.globals;
}

void Show(SettingsControlValues& c, const SettingsControlRow& r, const bool& v) { c.SetChecked(r.id, v); }
void Show(SettingsControlValues& c, const SettingsControlRow& r, const int& v) {
  if (r.held == Held::ListIndex) c.SetListIndex(r.id, v);
  else c.SetPosition(r.id, r.held == Held::NegatedSlider ? -v : v);
}
void Show(SettingsControlValues& c, const SettingsControlRow& r, const std::string& v) { c.SetText(r.id, v); }

void Take(const SettingsControlValues& c, const SettingsControlRow& r, bool& v) { v = c.Checked(r.id); }
void Take(const SettingsControlValues& c, const SettingsControlRow& r, int& v) {
  if (r.held == Held::ListIndex) v = std::max(0, c.ListIndex(r.id));
  else v = r.held == Held::NegatedSlider ? -c.Position(r.id) : c.Position(r.id);
}
std::string DigitsOf(const std::string& text) {
  std::string digits;
  for (char ch : text)
    if (ch >= '0' && ch <= '9') digits += ch;
  return digits;
}

void Take(const SettingsControlValues& c, const SettingsControlRow& r, std::string& v) {
  if (r.held == Held::Digits) v = DigitsOf(c.Text(r.id));
  else if (r.held != Held::ShownText) v = c.Text(r.id);
}

constexpr std::string_view kNoCounterpart = "Движок версии 3.x не поддерживает эту настройку";
const InertSetting kThreeXIgnores[] = {
    {kIdMono, kNoCounterpart},
    {kIdNoDirectX, kNoCounterpart},
    {kIdAutoCrop, kNoCounterpart},
};

}  // namespace

std::span<const SettingsControlRow> SettingsControlRows() { return kRows; }

std::span<const InertSetting> SettingsTheThreeXEngineIgnores() { return kThreeXIgnores; }

const SettingsControlRow* SettingsControlRowOf(int id) {
  for (const SettingsControlRow& r : kRows)
    if (r.id == id) return &r;
  return nullptr;
}

bool IsChannelRow(const SettingsControlRow& row) {
  return std::holds_alternative<bool C::*>(row.member) || std::holds_alternative<int C::*>(row.member) ||
         std::holds_alternative<std::string C::*>(row.member);
}

SettingsAction SettingsActionFor(int id, SettingsEvent event) {
  const SettingsControlRow* row = SettingsControlRowOf(id);
  if (!row || !(row->events & On(event))) return {};
  return {row->apply, row->sender};
}

void RunSettingsAction(PlayerState& st, const SettingsAction& action) {
  if (action.apply) action.apply(st, action.sender);
}

int PictureSliderDefault(int id) {
  const SettingsControlRow* row = SettingsControlRowOf(id);
  if (!row || !(row->events & On(E::MiddleClick))) return -1;
  for (const PageDef& page : SettingsPages())
    for (const ControlDef& c : page.controls)
      if (c.id == id) return c.initial;
  return -1;
}

void ShowSettingsValues(SettingsControlValues& controls, const PlayerState& st, SettingsHolder holder) {
  for (const SettingsControlRow& r : kRows) {
    if (r.held == Held::None || IsChannelRow(r) != (holder == SettingsHolder::Channel)) continue;
    std::visit(
        [&](auto m) {
          if constexpr (!std::is_same_v<decltype(m), std::monostate>) Show(controls, r, Holder(st, m).*m);
        },
        r.member);
  }
}

void TakeSettingsValues(const SettingsControlValues& controls, PlayerState& st) {
  for (const SettingsControlRow& r : kRows) {
    std::visit(
        [&](auto m) {
          if constexpr (!std::is_same_v<decltype(m), std::monostate>) Take(controls, r, Holder(st, m).*m);
        },
        r.member);
  }
}

void SettingsControlEvent(SettingsControlValues& controls, PlayerState& st, int id, SettingsEvent event) {
  if (event == E::MiddleClick) {
    const int position = PictureSliderDefault(id);
    if (position >= 0) controls.SetPosition(id, position);
  }
  TakeSettingsValues(controls, st);
  // The edit shows what is kept of a text pasted into it.
  for (const SettingsControlRow& r : kRows)
    if (r.held == Held::Digits) {
      const std::string& kept = st.channel.*std::get<std::string C::*>(r.member);
      if (controls.Text(r.id) != kept) controls.SetText(r.id, kept);
    }
  RunSettingsAction(st, SettingsActionFor(id, event));
}

}  // namespace strevo
