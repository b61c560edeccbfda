#include <gtest/gtest.h>

#include "playback/fakes.h"
#include "ui/settings_actions.h"
#include "ui/settings_layout.h"
#include "playback/settings_map.h"

namespace strevo {
namespace {
using test::LogCapture;
using test::Rig;
using E = SettingsEvent;
using Op = SettingsOperation;

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
    EXPECT_EQ(got.operation, c.expected.operation) << "control " << c.id << " event " << static_cast<int>(c.event);
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
