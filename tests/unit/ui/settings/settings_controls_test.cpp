#include <gtest/gtest.h>

#include <map>
#include <type_traits>

#include "../../playback/fakes.h"
#include "playback/settings_map.h"
#include "ui/settings/settings_controls.h"
#include "ui/settings/settings_layout.h"

namespace strevo {
namespace {
using test::LogCapture;
using test::Rig;
using E = SettingsEvent;

// The apply functions a control can run.
namespace Op {
constexpr ApplyFunction ApplyGlobals = applyglobals;
constexpr ApplyFunction ApplySettings = applysettings;
constexpr ApplyFunction ApplySettingsNow = applysettings_now;
}  // namespace Op

TEST(SettingsActions, EachControlRunsTheOperationItStandsFor) {
  struct Case {
    int id;
    E event;
    SettingsAction expected;
  } cases[] = {
      // Aspect and crop changes must reach a playing stream at once.
      {kIdApply, E::Clicked, {Op::ApplySettingsNow}},
      {kIdColourCorrection, E::Clicked, {Op::ApplySettingsNow}},
      {kIdCropManual, E::Clicked, {Op::ApplySettingsNow}},
      {kIdAutoCrop, E::Clicked, {Op::ApplySettingsNow}},
      {kIdNoDirectX, E::Clicked, {Op::ApplySettingsNow}},
      {kIdNoDeinterlace, E::Clicked, {Op::ApplySettingsNow}},
      {kIdNoCrop, E::Clicked, {Op::ApplySettingsNow}},
      {kIdDeinterlace, E::Selected, {Op::ApplySettingsNow}},
      {kIdAudioTrack, E::Selected, {Op::ApplySettingsNow, Sender::AudioTrackList}},
      {kIdMono, E::Clicked, {Op::ApplySettings, Sender::MonoBox}},
      {kIdAspect, E::Selected, {Op::ApplySettings}},
      {kIdAspect, E::FocusLost, {Op::ApplySettings}},
      {kIdCropWidth, E::FocusLost, {Op::ApplySettings}},
      {kIdCropTop, E::FocusLost, {Op::ApplySettings}},
      {kIdContrast, E::SliderReleased, {Op::ApplySettings}},
      {kIdGamma, E::MiddleClick, {Op::ApplySettings}},
      {kIdGuideFile, E::Selected, {Op::ApplySettings, Sender::GuideNameBox}},
      {kIdTimeShift, E::ScrollEnded, {Op::ApplySettings, Sender::GuideShiftBar}},
      {kIdInterface, E::Selected, {Op::ApplyGlobals}},
      {kIdInterface, E::TextChanged, {Op::ApplyGlobals}},
      {kIdAudioDevice, E::Selected, {Op::ApplyGlobals}},
      {kIdContainer, E::Selected, {Op::ApplyGlobals}},
      {kIdVideoBitrate, E::Selected, {Op::ApplyGlobals}},
      // Typing into a crop edit or moving the correction bar waits for the end.
      {kIdCropWidth, E::TextChanged, {}},
      {kIdTimeShift, E::ScrollMoved, {}},
      {kIdAspect, E::TextChanged, {}},
      {kIdApply, E::FocusLost, {}},
      // Settings that only the configuration keeps.
      {kIdSimpleList, E::Clicked, {}},
      {kIdCaptureDir, E::TextChanged, {}},
  };
  for (const Case& c : cases) {
    const SettingsAction got = SettingsActionFor(c.id, c.event);
    EXPECT_EQ(got.apply, c.expected.apply) << "control " << c.id << " event " << static_cast<int>(c.event);
    EXPECT_EQ(got.sender, c.expected.sender) << "control " << c.id;
  }
}

TEST(SettingsActions, ApplyRestartsAPlayingStreamWithTheNewAspectAndCrop) {
  LogCapture log;
  Rig r(1);
  r.st.currentMrl = r.st.channelMrls[1];
  r.engine.playing = 1;
  r.engine.time = 7;
  r.st.channel.aspect = "16:9";
  r.st.channel.cropManual = true;
  r.st.channel.cropW = "704";
  r.st.channel.cropH = "560";
  RunSettingsAction(r.st, SettingsActionFor(kIdApply, E::Clicked));
  const int stop = r.engine.IndexOf("VLC_Stop");
  const int aspect = r.engine.IndexOf("conf::aspect-ratio=s:16:9");
  const int crop = r.engine.IndexOf("conf::crop-geometry=s:704x560");
  const int play = r.engine.IndexOf("VLC_Play");
  ASSERT_GE(stop, 0);
  EXPECT_LT(stop, aspect);
  EXPECT_LT(aspect, play);
  EXPECT_LT(crop, play);
  EXPECT_EQ(r.engine.calls.back(), "VLC_TimeSet 7");
  EXPECT_TRUE(log.Has("begin applysettings now \"udp://@239.0.0.1:1234\""));
  // The keys go back to the player.
  EXPECT_NE(std::find(r.host.events.begin(), r.host.events.end(), "focus keys"), r.host.events.end());
}

TEST(SettingsActions, MiddleClickPutsPictureSlidersBackToTheirDefaults) {
  EXPECT_EQ(PictureSliderDefault(kIdContrast), 100);
  EXPECT_EQ(PictureSliderDefault(kIdBrightness), 100);
  EXPECT_EQ(PictureSliderDefault(kIdHue), 0);
  EXPECT_EQ(PictureSliderDefault(kIdSaturation), 100);
  EXPECT_EQ(PictureSliderDefault(kIdGamma), 100);
  EXPECT_EQ(PictureSliderDefault(kIdTimeShift), -1);
  EXPECT_EQ(PictureSliderDefault(kIdAudioTrack), -1);
}

// The window's controls as plain values; a control never set holds nothing
// (clear, position 0, no selection, no text).
struct FakeControls : SettingsControlValues {
  std::map<int, bool> checks;
  std::map<int, int> positions, lists;
  std::map<int, std::string> texts;

  bool Checked(int id) const override { return checks.count(id) && checks.at(id); }
  void SetChecked(int id, bool v) override { checks[id] = v; }
  int Position(int id) const override { return positions.count(id) ? positions.at(id) : 0; }
  void SetPosition(int id, int v) override { positions[id] = v; }
  int ListIndex(int id) const override { return lists.count(id) ? lists.at(id) : -1; }
  void SetListIndex(int id, int v) override { lists[id] = v; }
  std::string Text(int id) const override { return texts.count(id) ? texts.at(id) : ""; }
  void SetText(int id, const std::string& v) override { texts[id] = v; }
};

// Every value a settings control shows set away from its default.
void SetUnusualSettings(PlayerState& st) {
  GlobalSettings& g = st.globals;
  g.playlistUrl = "http://127.0.0.1/list.m3u";
  g.tvgUrl = "http://127.0.0.1/jtv.zip";
  g.recMux = 4;
  g.capDir = "D:\\Rec\\";
  g.iface = "127.0.0.1";
  g.audioDevice = 2;
  g.taskbarButton = false;
  g.ownColors = false;
  g.autoSwitch = true;
  g.simpleList = true;
  g.noScreenSaver = false;
  g.noOsd = true;
  g.noDirectX = true;
  g.recPriority = true;
  g.noDeinterlace = true;
  g.noCrop = true;
  g.readM3uTags = true;
  ChannelSettingsValues& c = st.channel;
  c.colorCorrection = false;
  c.contrast = 150;
  c.brightness = 90;
  c.hue = 180;
  c.saturation = 250;
  c.gamma = 700;
  c.deinterlace = 3;
  c.aspect = "16:9";
  c.cropManual = true;
  c.cropW = "704";
  c.cropH = "560";
  c.cropX = "8";
  c.cropY = "4";
  c.autoCrop = true;
  c.guideName = "First";
  c.guideShift = 5;
  c.audioTrackIndex = 0;
  c.mono = true;
}

// The row's member within a player state.
template <class State, class F>
void WithMember(State& st, const SettingsControlRow& row, F f) {
  std::visit(
      [&](auto m) {
        using M = decltype(m);
        if constexpr (std::is_same_v<M, std::monostate>) return;
        else if constexpr (std::is_member_pointer_v<M> && requires { st.channel.*m; }) f(st.channel.*m);
        else f(st.globals.*m);
      },
      row.member);
}

TEST(SettingsControls, EveryValueShownInItsControlComesBackWhenTaken) {
  PlayerState shown;
  SetUnusualSettings(shown);
  const PlayerState defaults;
  // The values above reach every row: a row added without one fails here.
  for (const SettingsControlRow& row : SettingsControlRows()) {
    if (row.held == Held::None) continue;
    bool differs = false;
    WithMember(shown, row, [&](const auto& a) {
      WithMember(defaults, row, [&](const auto& b) {
        if constexpr (std::is_same_v<decltype(a), decltype(b)>) differs = a != b;
      });
    });
    EXPECT_TRUE(differs) << "control " << row.id << " shows a default value";
  }

  FakeControls controls;
  ShowSettingsValues(controls, shown, SettingsHolder::Globals);
  ShowSettingsValues(controls, shown, SettingsHolder::Channel);
  PlayerState taken;
  TakeSettingsValues(controls, taken);
  EXPECT_EQ(ChannelRecordText("k", taken.channel), ChannelRecordText("k", shown.channel));
  GlobalSettings expected = shown.globals;
  expected.playlistUrl = defaults.globals.playlistUrl;  // shown only: the window takes it and fetches the list
  EXPECT_EQ(BuildGlobalRecord(taken.globals), BuildGlobalRecord(expected));

  // The scroll bar stands upside down: +5 hours is position -5.
  EXPECT_EQ(controls.positions[kIdTimeShift], -5);
  EXPECT_EQ(controls.lists[kIdAudioTrack], 0);  // "None"
  EXPECT_EQ(controls.texts[kIdListSource], "http://127.0.0.1/list.m3u");
  EXPECT_EQ(controls.texts[kIdInterface], "127.0.0.1");
  EXPECT_FALSE(controls.checks[kIdOwnColours]);
}

TEST(SettingsControls, TakingKeepsListsInRangeAndShowingAChannelLeavesTheGlobalsAlone) {
  FakeControls controls;
  PlayerState st;
  SetUnusualSettings(st);
  ShowSettingsValues(controls, st, SettingsHolder::Globals);
  ShowSettingsValues(controls, st, SettingsHolder::Channel);
  // Nothing selected is taken as the first entry; the list address typed
  // into its box is not taken.
  controls.lists[kIdDeinterlace] = -1;
  controls.lists[kIdAudioDevice] = -1;
  controls.texts[kIdListSource] = "typed";
  TakeSettingsValues(controls, st);
  EXPECT_EQ(st.channel.deinterlace, 0);
  EXPECT_EQ(st.globals.audioDevice, 0);
  EXPECT_EQ(st.globals.playlistUrl, "http://127.0.0.1/list.m3u");

  // After a switch only the channel's controls follow the new record.
  FakeControls fresh;
  ShowSettingsValues(fresh, st, SettingsHolder::Channel);
  for (const SettingsControlRow& row : SettingsControlRows()) {
    if (row.held == Held::None) continue;
    const bool touched = fresh.checks.count(row.id) || fresh.positions.count(row.id) || fresh.lists.count(row.id) ||
                         fresh.texts.count(row.id);
    EXPECT_EQ(touched, IsChannelRow(row)) << "control " << row.id;
  }
}

const ControlDef* LayoutOf(int id) {
  for (const PageDef& page : SettingsPages())
    for (const ControlDef& c : page.controls)
      if (c.id == id) return &c;
  for (const ControlDef& c : SettingsPanelControls())
    if (c.id == id) return &c;
  return nullptr;
}

TEST(SettingsControls, EachRowIsBoundToAControlThatHoldsItsKindOfValue) {
  std::map<int, int> seen;
  for (const SettingsControlRow& row : SettingsControlRows()) {
    EXPECT_EQ(++seen[row.id], 1) << "control " << row.id << " has two rows";
    const ControlDef* c = LayoutOf(row.id);
    ASSERT_NE(c, nullptr) << "control " << row.id;
    bool fits = false, typeFits = false;
    switch (row.held) {
      case Held::None:
        fits = c->kind == CtlKind::Button || c->kind == CtlKind::Combo;
        typeFits = std::holds_alternative<std::monostate>(row.member);
        break;
      case Held::Check:
        fits = c->kind == CtlKind::Check;
        typeFits = std::visit([](auto m) { return std::is_same_v<decltype(m), bool ChannelSettingsValues::*> ||
                                                  std::is_same_v<decltype(m), bool GlobalSettings::*>; },
                              row.member);
        break;
      case Held::Slider:
      case Held::NegatedSlider:
      case Held::ListIndex:
        fits = row.held == Held::Slider          ? c->kind == CtlKind::VSlider
               : row.held == Held::NegatedSlider ? c->kind == CtlKind::VScroll
                                                 : c->kind == CtlKind::Combo;
        typeFits = std::visit([](auto m) { return std::is_same_v<decltype(m), int ChannelSettingsValues::*> ||
                                                  std::is_same_v<decltype(m), int GlobalSettings::*>; },
                              row.member);
        break;
      case Held::Text:
      case Held::Digits:
      case Held::ShownText:
        fits = c->kind == CtlKind::Edit || (row.held != Held::Digits && c->kind == CtlKind::ComboEdit);
        typeFits = std::visit([](auto m) { return std::is_same_v<decltype(m), std::string ChannelSettingsValues::*> ||
                                                  std::is_same_v<decltype(m), std::string GlobalSettings::*>; },
                              row.member);
        break;
    }
    EXPECT_TRUE(fits) << "control " << row.id;
    EXPECT_TRUE(typeFits) << "control " << row.id;
    // A row that applies says on which events; one that does not, has none.
    EXPECT_EQ(row.apply != nullptr, row.events != 0) << "control " << row.id;
  }
  // Every control that holds a value has its row, but for those whose value
  // no setting keeps.
  const std::map<int, const char*> unbound = {
      {kIdAutoStart, "hidden"},
      {kIdUndocked, "docks and undocks at once"},
  };
  for (const PageDef& page : SettingsPages())
    for (const ControlDef& c : page.controls) {
      const bool holdsValue = c.kind == CtlKind::Check || c.kind == CtlKind::Combo || c.kind == CtlKind::ComboEdit ||
                              c.kind == CtlKind::Edit || c.kind == CtlKind::VSlider || c.kind == CtlKind::VScroll;
      if (holdsValue && !unbound.count(c.id)) EXPECT_NE(SettingsControlRowOf(c.id), nullptr) << "control " << c.id;
    }
}

// What a channel's record keeps of a control is what that control can show:
// the edges of its range survive the record, a value beyond them comes back
// inside.
TEST(SettingsControls, AChannelsRecordKeepsItsValuesInTheirControlsRanges) {
  for (const SettingsControlRow& row : SettingsControlRows()) {
    if (!IsChannelRow(row) || !std::holds_alternative<int ChannelSettingsValues::*>(row.member)) continue;
    const auto m = std::get<int ChannelSettingsValues::*>(row.member);
    const ControlDef* c = LayoutOf(row.id);
    ASSERT_NE(c, nullptr);
    int lo = c->min, hi = c->max;
    if (row.held == Held::ListIndex) lo = 0, hi = static_cast<int>(c->items.size()) - 1;
    if (row.held == Held::NegatedSlider) std::tie(lo, hi) = std::pair(-c->max, -c->min);
    ASSERT_LT(lo, hi) << "control " << row.id;
    for (int v : {lo, hi, lo - 1, hi + 1, -100000, 100000}) {
      ChannelSettingsValues values;
      values.*m = v;
      const int back = ChannelSettingsFromRecord(ChannelRecordText("k", values)).*m;
      if (v >= lo && v <= hi) EXPECT_EQ(back, v) << "control " << row.id;
      else {
        EXPECT_GE(back, lo) << "control " << row.id << " value " << v;
        EXPECT_LE(back, hi) << "control " << row.id << " value " << v;
      }
    }
  }
}

TEST(SettingsControls, AChangeTakesTheValuesAndRunsOnlyWhatThatControlAndEventStandFor) {
  LogCapture log;
  Rig r(1);
  r.st.currentMrl = r.st.channelMrls[1];
  FakeControls controls;
  ShowSettingsValues(controls, r.st, SettingsHolder::Globals);
  ShowSettingsValues(controls, r.st, SettingsHolder::Channel);

  // The correction bar while it moves: the value follows, nothing runs.
  controls.positions[kIdTimeShift] = -3;
  SettingsControlEvent(controls, r.st, kIdTimeShift, E::ScrollMoved);
  EXPECT_EQ(r.st.channel.guideShift, 3);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_TRUE(r.st.configList.empty());

  // A slider let go applies the channel's settings and stores its record.
  controls.positions[kIdContrast] = 150;
  SettingsControlEvent(controls, r.st, kIdContrast, E::SliderReleased);
  EXPECT_EQ(r.engine.Var("conf::contrast"), "f:1.5");
  ASSERT_EQ(r.st.configList.size(), 1u);
  EXPECT_EQ(r.st.configList[0].rfind("udp://@239.0.0.1:1234|1|150|", 0), 0u) << r.st.configList[0];
  EXPECT_EQ(r.engine.Count("VLC_Stop"), 0);

  // A middle click puts the slider back and applies that.
  controls.positions[kIdGamma] = 700;
  SettingsControlEvent(controls, r.st, kIdGamma, E::MiddleClick);
  EXPECT_EQ(controls.positions[kIdGamma], 100);
  EXPECT_EQ(r.st.channel.gamma, 100);
  EXPECT_EQ(r.engine.Var("conf::gamma"), "f:1");

  // A global choice runs the global settings, not the channel's.
  r.engine.calls.clear();
  log.Lines().clear();
  controls.lists[kIdAudioDevice] = 2;
  SettingsControlEvent(controls, r.st, kIdAudioDevice, E::Selected);
  EXPECT_EQ(r.st.globals.audioDevice, 2);
  EXPECT_EQ(r.engine.Var("conf::directx-audio-device"), "i:2");
  EXPECT_TRUE(log.Has("applyglobals done"));
  EXPECT_FALSE(log.Has("begin applysettings \"udp://@239.0.0.1:1234\""));

  // The crop's width and height take digits only: a pasted letter is
  // dropped from the setting and from the edit, and never reaches the engine.
  controls.checks[kIdCropManual] = true;
  controls.texts[kIdCropWidth] = "7O4";
  controls.texts[kIdCropHeight] = "56o px";
  SettingsControlEvent(controls, r.st, kIdCropHeight, E::FocusLost);
  EXPECT_EQ(r.st.channel.cropW, "74");
  EXPECT_EQ(r.st.channel.cropH, "56");
  EXPECT_EQ(controls.texts[kIdCropWidth], "74");
  EXPECT_EQ(controls.texts[kIdCropHeight], "56");
  EXPECT_EQ(r.engine.Var("conf::crop-geometry"), "s:74x56");
}

TEST(VolumeSlider, GoesThroughTheGlobalSettings) {
  LogCapture log;
  Rig r;
  VolumeSliderChanged(r.st, 80);
  EXPECT_EQ(r.st.globals.volume, 80);
  EXPECT_EQ(r.engine.calls.back(), "VLC_VolumeSet 160");
  EXPECT_TRUE(log.Has("applyglobals done"));
  EXPECT_EQ(r.host.tooltip, "Громкость - 80%");
}

}  // namespace
}  // namespace strevo
