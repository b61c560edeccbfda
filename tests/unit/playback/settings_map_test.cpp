#include <gtest/gtest.h>

#include "fakes.h"
#include "playback/settings_map.h"

namespace strevo {
namespace {
using test::LogCapture;
using test::Rig;

TEST(ChannelRecord, RoundTripsEveryField) {
  ChannelSettingsValues v;
  v.colorCorrection = false;
  v.contrast = 150;
  v.brightness = 90;
  v.hue = 180;
  v.saturation = 300;
  v.gamma = 1000;
  v.deinterlace = 3;
  v.aspect = "16:9";
  v.cropManual = true;
  v.cropW = "704";
  v.cropH = "560";
  v.cropX = "8";
  v.cropY = "";
  v.autoCrop = true;
  v.guideName = "First";
  v.guideShift = -3;
  v.audioTrackIndex = 0;
  v.mono = true;
  const std::string rec = ChannelRecordText("udp://@239.1.1.1:1234", v);
  EXPECT_EQ(rec, "udp://@239.1.1.1:1234|0|150|90|180|300|1000|3|16:9|1|704|560|8||1|First|-3|-1|1|");
  EXPECT_EQ(ChannelSettingsFromRecord(rec), v);
}

TEST(ChannelRecord, ShortAndOutOfRangeRecordsReadAsTheControlsWouldShowThem) {
  const ChannelSettingsValues v = ChannelSettingsFromRecord("x|1|999|-5|7|");
  EXPECT_TRUE(v.colorCorrection);
  EXPECT_EQ(v.contrast, 200);
  EXPECT_EQ(v.brightness, 0);
  EXPECT_EQ(v.hue, 7);
  EXPECT_EQ(v.saturation, 0);  // missing fields read as empty, numbers as 0
  EXPECT_EQ(v.deinterlace, 0);
  EXPECT_EQ(v.audioTrackIndex, 1);  // empty field 17 is 0, entry "#1"
  EXPECT_EQ(ChannelSettingsFromRecord("x|1|1|1|1|1|1|42|").deinterlace, 0);
  // A huge track number is the highest entry: read as INT_MAX, its bias must not wrap it.
  EXPECT_EQ(ChannelSettingsFromRecord("x|1|1|1|1|1|1|0|None|0|||||0||0|99999999999|0|").audioTrackIndex,
            kAudioTrackEntries - 1);
}

TEST(ChannelRecord, ABarInATypedTextDoesNotShiftTheFields) {
  ChannelSettingsValues v;
  v.aspect = "4|3";
  v.guideName = "a|b";
  const ChannelSettingsValues back = ChannelSettingsFromRecord(ChannelRecordText("m", v));
  EXPECT_EQ(back.aspect, "43");
  EXPECT_EQ(back.guideName, "ab");
  EXPECT_EQ(back.guideShift, v.guideShift);
  EXPECT_EQ(back.mono, v.mono);
}

TEST(ApplyGlobals, InterfaceSettingChoosesTheMulticastInterface) {
  struct Case { const char* iface; const char* expected; } cases[] = {
      {"Auto", "s:"}, {"10.0.0.5", "s:10.0.0.5"}, {"127.0.0.1:4022", "s:"}, {"", "s:"}, {"12345", nullptr}};
  for (const auto& c : cases) {
    Rig r;
    r.st.globals.iface = c.iface;
    applyglobals(r.st, Sender::MainWindow);
    if (c.expected) EXPECT_EQ(r.engine.Var("conf::miface-addr"), c.expected) << c.iface;
    else EXPECT_EQ(r.engine.Count("conf::miface-addr"), 0) << c.iface;
  }
}

TEST(ApplyGlobals, SetsItsVariablesInOrder) {
  LogCapture log;
  Rig r;
  r.st.globals.iface = "Auto";
  r.st.globals.audioDevice = 2;
  r.st.globals.capDir = "D:\\Video\\";
  r.engine.volume = 100;  // slider 50 is 100 on the engine's scale, but compared as is
  applyglobals(r.st, Sender::MainWindow);
  EXPECT_EQ(r.engine.calls,
            (std::vector<std::string>{"conf::miface-addr=s:", "conf::directx-audio-device=i:2",
                                      "conf::http-reconnect=i:1", "conf::snapshot-format=s:jpg",
                                      "conf::snapshot-preview=i:1", "conf::snapshot-path=s:d:\\video\\",
                                      "VLC_VolumeSet 100"}));
  EXPECT_TRUE(log.Has("applyglobals done"));
}

TEST(ApplySettings, PictureValuesAreHundredthsAsFloatsAndHueAnInteger) {
  Rig r;
  r.st.channel.contrast = 150;
  r.st.channel.brightness = 5;
  r.st.channel.saturation = 0;
  r.st.channel.gamma = 1000;
  r.st.channel.hue = 180;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::contrast"), "f:1.5");
  EXPECT_EQ(r.engine.Var("conf::brightness"), "f:0.05");
  EXPECT_EQ(r.engine.Var("conf::saturation"), "f:0");
  EXPECT_EQ(r.engine.Var("conf::gamma"), "f:10");
  EXPECT_EQ(r.engine.Var("conf::hue"), "i:180");
}

TEST(ApplySettings, FilterChainAndItsRules) {
  Rig r;
  auto chain = [&] {
    r.engine.calls.clear();
    applysettings(r.st, Sender::None);
    return r.engine.Var("conf::vout-filter");
  };
  r.st.channel.colorCorrection = true;
  EXPECT_EQ(chain(), "s:adjust");
  r.engine.version = "0.9.0-test";
  EXPECT_EQ(chain(), "s:adjust");  // only "adjust:" goes
  r.st.channel.deinterlace = 3;
  r.st.channel.autoCrop = true;
  EXPECT_EQ(chain(), "s:deinterlace:crop");
  EXPECT_EQ(r.engine.Var("conf::deinterlace-mode"), "s:bob");
  EXPECT_EQ(r.engine.Var("conf::autocrop"), "i:1");
  r.engine.version = "0.8.6";
  EXPECT_EQ(chain(), "s:adjust:deinterlace:crop");
  r.st.globals.noDeinterlace = true;
  r.st.globals.noCrop = true;
  EXPECT_EQ(chain(), "s:adjust");
  EXPECT_EQ(r.engine.Count("conf::deinterlace-mode"), 0);
  EXPECT_EQ(r.engine.Var("conf::autocrop"), "i:0");
  r.st.channel.colorCorrection = false;
  EXPECT_EQ(chain(), "s:");
}

TEST(ApplySettings, ManualCropGeometry) {
  Rig r;
  r.st.channel.colorCorrection = false;
  r.st.channel.cropManual = true;
  r.st.channel.cropW = "704";
  r.st.channel.cropH = "560";
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::crop-geometry"), "s:704x560");
  EXPECT_EQ(r.engine.Var("conf::vout-filter"), "s:crop");
  r.st.channel.cropX = "8";
  r.st.channel.cropY = "8";
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::crop-geometry"), "s:704x560+8+8");
  r.engine.calls.clear();
  r.st.channel.cropH = "";
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Count("conf::crop-geometry"), 0);
  EXPECT_EQ(r.engine.Var("conf::vout-filter"), "s:");
}

TEST(ApplySettings, TunerChannel) {
  Rig r;
  r.st.currentMrl = "dshow://25";
  r.st.channel.colorCorrection = true;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::dshow-tuner-channel"), "i:25");
  EXPECT_EQ(r.engine.Var("conf::dshow-size"), "s:720x576");
  EXPECT_EQ(r.engine.Var("conf::dshow-caching"), "i:200");
  EXPECT_EQ(r.engine.Var("conf::dshow-chroma"), "s:YUY2");
  EXPECT_EQ(r.engine.Var("conf::dshow-tuner-country"), "i:7");
  EXPECT_EQ(r.engine.Var("conf::dshow-tuner-input"), "i:2");
  EXPECT_EQ(r.engine.Var("conf::vout-filter"), "s:");
}

TEST(ApplySettings, VideoOutputByWindowsVersionAndSwitch) {
  LogCapture log;
  Rig r;
  r.st.windowsMajorVersion = 5;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::vout"), "s:vout_directx");
  EXPECT_FALSE(log.Has("Windows Vista or higher detected !!!"));
  EXPECT_EQ(r.engine.Var("conf::directx-3buffering"), "i:1");
  r.st.windowsMajorVersion = 10;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::vout"), "s:direct3d");
  EXPECT_TRUE(log.Has("Windows Vista or higher detected !!!"));
  r.engine.calls.clear();
  r.st.globals.noDirectX = true;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.Var("conf::vout"), "s:opengl");
  EXPECT_EQ(r.engine.Count("conf::overlay"), 0);
}

TEST(ApplySettings, FullRunInOrder) {
  LogCapture log;
  Rig r;
  r.st.currentMrl = "http://h/x";
  r.st.globals.capDir = "C:\\Rec\\";
  r.st.desktopMode = true;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.engine.calls,
            (std::vector<std::string>{
                "conf::contrast=f:1", "conf::brightness=f:1", "conf::saturation=f:1", "conf::gamma=f:1",
                "conf::hue=i:0", "conf::aspect-ratio=s:", "conf::autocrop=i:0", "conf::vout-filter=s:adjust",
                "conf::audio-visual=s:", "conf::audio-track=i:0", "conf::directx-hw-yuv=i:1",
                "conf::directx-use-sysmem=i:1", "conf::overlay=i:1", "conf::directx-3buffering=i:1",
                "conf::vout=s:direct3d", "conf::directx-wallpaper=i:1",
                "conf::access-filter=s:access_filter_timeshift", "conf::timeshift-dir=s:c:\\rec\\",
                "conf::timeshift-granularity=i:1024"}));
  EXPECT_EQ(test::LogCapture::Lines().front(), "begin applysettings \"http://h/x\"");
  EXPECT_EQ(test::LogCapture::Lines().back(), "end applysettings \"http://h/x\"");
}

TEST(ApplySettings, StoresTheRecordEveryTimeReplacingTheFirstMatch) {
  Rig r;
  r.st.currentMrl = "m1";
  r.st.configList = {"?Globals|1|", "m1|old|", "m1|second|"};
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.st.configList[1], ChannelRecordText("m1", r.st.channel));
  EXPECT_EQ(r.st.configList[2], "m1|second|");
  r.st.currentMrl = "m2";
  applysettings(r.st, Sender::None);
  ASSERT_EQ(r.st.configList.size(), 4u);
  EXPECT_EQ(r.st.configList[3], ChannelRecordText("m2", ChannelSettingsValues{}));
  EXPECT_EQ(r.st.channel.audioTrackIndex, 1);
}

TEST(ApplySettings, AChannelAddressedLikeTheGlobalRecordLeavesThatRecordAlone) {
  Rig r;
  const std::string globals = "?Globals|15|15|76|5|5|360|288|0|1|?Globals|50|0||0|C:\\|";
  r.st.configList = {globals, "?|1|100|"};
  r.st.currentMrl = "?Globals";
  applysettings(r.st, Sender::MainWindow);
  EXPECT_EQ(r.st.configList, (ConfigList{globals, "?|1|100|"}));
}

TEST(ApplySettings, LiveChangesOnlyWhilePlayingAndByTheirSenders) {
  Rig r;
  r.st.channel.contrast = 120;
  r.st.channel.mono = true;
  r.st.channel.audioTrackIndex = 3;
  applysettings(r.st, Sender::MonoBox);
  EXPECT_EQ(r.engine.Count("vout."), 0);
  r.engine.playing = 1;
  r.engine.calls.clear();
  applysettings(r.st, Sender::Control);
  EXPECT_EQ(r.engine.Var("vout.contrast"), "f:1.2");
  EXPECT_EQ(r.engine.Var("vout.hue"), "i:0");
  EXPECT_EQ(r.engine.Count("aout."), 0);
  EXPECT_EQ(r.engine.Count("input."), 0);
  applysettings(r.st, Sender::VideoWindow);
  EXPECT_EQ(r.engine.Var("aout.audio-device"), "i:1");
  r.st.channel.mono = false;
  applysettings(r.st, Sender::MonoBox);
  EXPECT_EQ(r.engine.Var("aout.audio-device"), "i:2");
  applysettings(r.st, Sender::AudioTrackList);
  EXPECT_EQ(r.engine.Var("input.audio-track"), "i:2");
  r.engine.hasVout = false;
  r.engine.calls.clear();
  applysettings(r.st, Sender::Control);
  EXPECT_EQ(r.engine.Count("vout."), 0);
}

TEST(ApplySettingsNow, RestartsTheStreamAtTheSamePosition) {
  LogCapture log;
  Rig r;
  r.engine.playing = 1;
  r.engine.time = 42;
  applysettings_now(r.st, Sender::Control);
  const auto& c = r.engine.calls;
  ASSERT_FALSE(c.empty());
  EXPECT_EQ(c.front(), "VLC_Stop");
  const int play = r.engine.IndexOf("VLC_Play");
  ASSERT_GT(play, r.engine.IndexOf("conf::timeshift-granularity"));
  EXPECT_EQ(c.back(), "VLC_TimeSet 42");
  EXPECT_EQ(r.host.sleptMs, 500 + 15 + 5);
  EXPECT_TRUE(log.Has("begin applysettings now \"?\""));
  EXPECT_TRUE(log.Has("end applysettings now \"?\""));

  r.engine.playing = 0;
  r.engine.calls.clear();
  applysettings_now(r.st, Sender::Control);
  EXPECT_EQ(r.engine.Count("VLC_Stop"), 0);
  EXPECT_EQ(r.engine.Count("conf::vout="), 1);
}

}  // namespace
}  // namespace strevo
