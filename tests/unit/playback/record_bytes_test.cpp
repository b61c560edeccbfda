// Both records written with every field away from its default, compared byte
// for byte with what the writers have always produced, then read back.
#include <gtest/gtest.h>

#include <string>

#include "config/config.h"
#include "playback/settings_values.h"

namespace strevo {
namespace {

GlobalSettings UnusualGlobals() {
  GlobalSettings s;
  s.panelLeft = -7;
  s.panelTop = 1200;
  s.panelClientHeight = 76;
  s.videoLeft = 33;
  s.videoTop = -2;
  s.videoWidth = 720;
  s.videoHeight = 576;
  s.panelOnTop = true;
  s.panelVisible = false;
  s.curMrl = "udp://@239.1.1.1:1234";
  s.volume = 0;
  s.listVisible = true;
  s.iface = "127.0.0.1";
  s.recMux = 2;
  s.capDir = "D:\\Cap ^x\\";
  s.colors = {1, 2, 3, 4, 5, 6, 16777215};
  s.ownColors = false;
  s.taskbarButton = false;
  s.noScreenSaver = false;
  s.noDirectX = true;
  s.noOsd = true;
  s.videoOnTop = true;
  s.recPriority = true;
  s.playlistUrl = "http://127.0.0.1/list|a.m3u";
  s.audioDevice = 3;
  s.fullScreenOnTop = false;
  s.tvgUrl = "http://127.0.0.1/tv^7Cg.zip";
  s.fullScreen = true;
  s.docked = true;
  s.simpleList = true;
  s.autoSwitch = true;
  s.noDeinterlace = true;
  s.noCrop = true;
  return s;
}

TEST(RecordBytes, GlobalRecordIsWrittenAsAlwaysAndReadsBackWhole) {
  const GlobalSettings s = UnusualGlobals();
  const std::string rec = BuildGlobalRecord(s);
  EXPECT_EQ(rec,
            "?Globals|-7|1200|76|33|-2|720|576|1|0|udp://@239.1.1.1:1234|0|1|127.0.0.1|2|D:\\Cap ^x\\|"
            "1;2;3;4;5;6;16777215;|0|0|0|1|1|1|1|http://127.0.0.1/list^7Ca.m3u|3|0|"
            "http://127.0.0.1/tv^5E7Cg.zip|1|0|1|1|1|1|1|");
  GlobalSettings back;
  ReadGlobalFields(rec, back);
  EXPECT_EQ(BuildGlobalRecord(back), rec);
  EXPECT_EQ(back.playlistUrl, s.playlistUrl);
  EXPECT_EQ(back.tvgUrl, s.tvgUrl);
  EXPECT_EQ(back.colors, s.colors);

  EXPECT_EQ(BuildGlobalRecord(GlobalSettings{}),
            "?Globals|15|15|0|5|5|360|288|0|1|?|50|0||0|C:\\|"
            "16314867;13809086;6239807;11894655;13809086;11497584;14865371;|1|1|1|0|0|0|0||0|1||0|0|0|0|0|0|0|");
}

TEST(RecordBytes, ChannelRecordIsWrittenAsAlwaysAndReadsBackWhole) {
  ChannelSettingsValues v;
  v.colorCorrection = false;
  v.contrast = 0;
  v.brightness = 200;
  v.hue = 360;
  v.saturation = 7;
  v.gamma = 1000;
  v.deinterlace = 6;
  v.aspect = "16:9";
  v.cropManual = true;
  v.cropW = "704";
  v.cropH = "^7C";
  v.cropX = "";
  v.cropY = "-3";
  v.autoCrop = true;
  v.guideName = "News ^5E";
  v.guideShift = -100;
  v.audioTrackIndex = 9;
  v.mono = true;
  const std::string rec = ChannelRecordText("http://127.0.0.1:8000/a?b=1", v);
  EXPECT_EQ(rec, "http://127.0.0.1:8000/a?b=1|0|0|200|360|7|1000|6|16:9|1|704|^7C||-3|1|News ^5E|-100|8|1|");
  EXPECT_EQ(ChannelSettingsFromRecord(rec), v);

  EXPECT_EQ(ChannelRecordText("?", ChannelSettingsValues{}), "?|1|100|100|0|100|100|0|None|0|||||0||0|0|0|");
  EXPECT_EQ(ChannelSettingsFromRecord(ChannelRecordText("?", ChannelSettingsValues{})), ChannelSettingsValues{});
}

}  // namespace
}  // namespace strevo
