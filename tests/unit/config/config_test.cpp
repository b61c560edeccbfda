#include "config/config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/eventlog.h"
#include "base/text_helpers.h"

namespace strevo {
namespace {

std::vector<std::string> g_log;
void Collect(std::string_view m) { g_log.emplace_back(m); }

class FakeHost : public GlobalApplyHost {
 public:
  std::vector<std::string> calls;
  std::vector<std::string> mrls = {"?", "udp://@239.1.1.1:1234", "udp://@239.1.1.2:1234"};
  int selected = 0;
  DesktopRect desk{0, 0, 1280, 1024};
  void LoadChannelList(const GlobalSettings& s) override {
    calls.push_back("load " + s.playlistUrl + (s.simpleList ? " simple" : " full"));
  }
  void SelectChannel(const std::string& mrl) override {
    for (size_t i = 0; i < mrls.size(); ++i)
      if (mrls[i] == mrl) {
        selected = static_cast<int>(i);
        return;
      }
  }
  DesktopRect Desktop() override { return desk; }
  int PanelClientWidth() override { return 384; }
  int CollapsedPanelClientHeight() override { return 76; }
};

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    SetLogSink(Collect);
  }
  void TearDown() override { SetLogSink(nullptr); }
};

TEST_F(ConfigTest, TextSplitsOnLineEndsAndWritesCrLf) {
  ConfigList l = ParseConfigText("a|\r\n\r\nb|x\nc|");
  ASSERT_EQ(l, (ConfigList{"a|", "", "b|x", "c|"}));
  EXPECT_EQ(ConfigText(l), "a|\r\n\r\nb|x\r\nc|\r\n");
  EXPECT_EQ(ParseConfigText(ConfigText(l)), l);
  EXPECT_TRUE(ParseConfigText("").empty());
}

TEST_F(ConfigTest, NumbersAreLenientWithoutLeadingBlanksAndFlagsAreExactlyOne) {
  EXPECT_EQ(ConfigNumber("42px"), 42);
  EXPECT_EQ(ConfigNumber("-7"), -7);
  EXPECT_EQ(ConfigNumber("+7"), 7);
  EXPECT_EQ(ConfigNumber(" 7"), 0);
  EXPECT_EQ(ConfigNumber(""), 0);
  EXPECT_EQ(ConfigNumber("99999999999"), 2147483647);
  EXPECT_TRUE(ConfigFlag("1"));
  EXPECT_FALSE(ConfigFlag("1 "));
  EXPECT_FALSE(ConfigFlag("01"));
  EXPECT_FALSE(ConfigFlag("true"));
}

TEST_F(ConfigTest, ChannelRecordIsFoundByExactKeyThenByDefaultKey) {
  ConfigList l = {"?Globals|1|", "UDP://@239.1.1.1:1234|0|", "?|1|100|", "udp://@239.1.1.1:1234|1|50|",
                  "udp://@239.1.1.1:1234|1|60|"};
  const std::string* r = FindChannelRecord(l, "udp://@239.1.1.1:1234");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(*r, "udp://@239.1.1.1:1234|1|50|");  // first wins, case matters
  r = FindChannelRecord(l, "http://other/");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(*r, "?|1|100|");
  EXPECT_EQ(FindChannelRecord(ConfigList{"?Globals|"}, "x"), nullptr);
  // A key without its closing "|" is no key.
  EXPECT_EQ(FindRecordIndex(ConfigList{"x"}, "x"), -1);
}

TEST_F(ConfigTest, TextsTheCodePageCannotHoldAreKeptExactly) {
  // As a Cyrillic code page: ASCII and the Cyrillic letters.
  const Representable cyrillic = [](uint32_t cp) { return cp < 0x80 || (cp >= 0x410 && cp <= 0x44F); };
  const std::string cafe = "C:\\media\\Caf\xC3\xA9 \xF0\x9F\x98\x80.ts|1|";  // "Café 😀"
  const std::string stored = EscapeForCodePage(cafe, cyrillic);
  EXPECT_EQ(stored, "C:\\media\\Caf^#E9; ^#1F600;.ts|1|");
  EXPECT_EQ(UnescapeFromCodePage(stored, cyrillic), cafe);
  // What the code page holds, and texts that only look like escapes of it, stay as they are.
  const std::string plain = "D:\\\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD0\xB8 ^#41; ^#430; ^#E9 ^#;";
  EXPECT_EQ(EscapeForCodePage(plain, cyrillic), plain);
  EXPECT_EQ(UnescapeFromCodePage(plain, cyrillic), plain);
}

TEST_F(ConfigTest, AChannelWhoseAddressIsTheGlobalKeyNeverReadsTheGlobalRecord) {
  ConfigList l = {"?Globals|15|15|", "?|1|100|"};
  const std::string* r = FindChannelRecord(l, "?Globals");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(*r, "?|1|100|");
  EXPECT_EQ(FindChannelRecord(ConfigList{"?Globals|15|15|"}, "?Globals"), nullptr);
  // Every other key of the program's own is reserved too; "?" is the record of no channel.
  for (const char* own : {"?Ext", "?Components", "?Presets", "?Later"}) {
    EXPECT_FALSE(IsChannelRecordKey(own)) << own;
    EXPECT_EQ(*FindChannelRecord(ConfigList{std::string(own) + "|http://evil/|", "?|1|100|"}, own), "?|1|100|");
  }
  EXPECT_TRUE(IsChannelRecordKey("?"));
  EXPECT_TRUE(IsChannelRecordKey("udp://@239.1.1.1:1234?x"));
}

TEST_F(ConfigTest, StoreReplacesTheFirstRecordInPlaceOrAppends) {
  ConfigList l = {"new-version-line", "a|1|", "b|1|", "a|2|"};
  StoreRecord(l, "a|9|");
  EXPECT_EQ(l, (ConfigList{"new-version-line", "a|9|", "b|1|", "a|2|"}));
  StoreRecord(l, "c|3|");
  EXPECT_EQ(l.back(), "c|3|");
  EXPECT_EQ(l.size(), 5u);
}

TEST_F(ConfigTest, MissingRecordAppliesTheDefaults) {
  FakeHost host;
  GlobalSettings s;
  s.panelClientHeight = 76;
  s.playlistUrl = "stale";
  EXPECT_FALSE(ApplyGlobalRecord(ConfigList{"other|1|"}, s, host));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"load  full"}));
  EXPECT_EQ(s.videoWidth, 384);
  EXPECT_EQ(s.videoHeight, 288);
  EXPECT_EQ(s.panelLeft, 15);
  EXPECT_EQ(s.panelTop, 15);
  EXPECT_TRUE(s.docked);
  EXPECT_TRUE(s.ownColors);
  EXPECT_TRUE(s.noScreenSaver);
  EXPECT_TRUE(s.fullScreenOnTop);
  EXPECT_EQ(s.audioDevice, 0);
  EXPECT_EQ(s.colors, kDefaultColors);
  EXPECT_EQ(g_log, (std::vector<std::string>{"def cfg loaded"}));
}

TEST_F(ConfigTest, BareRecordGivesAllClearValues) {
  FakeHost host;
  GlobalSettings s;
  EXPECT_TRUE(ApplyGlobalRecord(ConfigList{"?Globals|"}, s, host));
  EXPECT_EQ(s.panelLeft, 0);
  EXPECT_EQ(s.panelTop, 0);
  EXPECT_EQ(s.volume, 0);
  EXPECT_TRUE(s.playlistUrl.empty());
  EXPECT_TRUE(s.tvgUrl.empty());
  EXPECT_TRUE(s.capDir.empty());
  EXPECT_TRUE(s.panelVisible);
  EXPECT_FALSE(s.docked);
  EXPECT_EQ(s.panelClientHeight, 76);  // not docked: the collapsed height
  for (bool b : {s.panelOnTop, s.listVisible, s.ownColors, s.taskbarButton, s.noScreenSaver, s.noDirectX, s.noOsd,
                 s.videoOnTop, s.recPriority, s.fullScreenOnTop, s.fullScreen, s.simpleList, s.autoSwitch,
                 s.noDeinterlace, s.noCrop})
    EXPECT_FALSE(b);
  EXPECT_EQ(s.colors, kDefaultColors);  // empty parts keep the colours
  EXPECT_EQ(g_log, (std::vector<std::string>{"cfg loaded"}));
}

TEST_F(ConfigTest, FirstGlobalRecordWinsAndItsOrderOfEffectsHolds) {
  GlobalSettings written;
  written.simpleList = true;
  written.playlistUrl = "http://127.0.0.1/list.m3u";
  written.curMrl = "udp://@239.1.1.2:1234";
  written.docked = true;
  written.panelClientHeight = 400;
  written.colors[2] = 255;
  written.iface = "192.168.1.10:4022";
  written.capDir = "D:\\Записи\\";
  ConfigList l = {"zzz|keep|", BuildGlobalRecord(written), "?Globals|1|1|"};
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(l, s, host);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"load http://127.0.0.1/list.m3u simple"}));
  EXPECT_EQ(host.selected, 2);
  EXPECT_EQ(s.panelClientHeight, 400);  // docked: field 3 stands
  EXPECT_EQ(s.colors[2], 255);
  EXPECT_EQ(s.iface, "192.168.1.10:4022");
  EXPECT_EQ(s.capDir, "D:\\Записи\\");
  EXPECT_EQ(BuildGlobalRecord(s), l[1]);
}

TEST_F(ConfigTest, ValueAtTheRecordsEndWithoutBarReadsEmpty) {
  // Field 11 (volume) is the last text of the line but has no "|" after it.
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(ConfigList{"?Globals|1|2|3|4|5|6|7|1|0|udp://@x|80"}, s, host);
  EXPECT_EQ(s.volume, 0);
  EXPECT_EQ(s.curMrl, "udp://@x");
  EXPECT_FALSE(s.panelVisible);
  EXPECT_TRUE(s.panelOnTop);
  EXPECT_EQ(s.videoHeight, 7);
}

TEST_F(ConfigTest, TextsHoldingABarComeBackWholeAndShiftNoField) {
  GlobalSettings w;
  w.curMrl = "http://127.0.0.1/live?ch=1|2";
  w.iface = "|";
  w.capDir = "D:\\a|b^c\\";
  w.playlistUrl = "http://127.0.0.1/list.m3u?a=1|2&b=^7C";
  w.tvgUrl = "||^^5E|";
  w.docked = true;
  w.noCrop = true;
  w.volume = 77;
  const std::string rec = BuildGlobalRecord(w);
  EXPECT_EQ(std::count(rec.begin(), rec.end(), '|'), kGlobalFieldCount) << rec;
  EXPECT_EQ(ExtractField(rec, "|", 30), "1");
  EXPECT_EQ(ExtractField(rec, "|", 34), "1");
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(ConfigList{rec}, s, host);
  EXPECT_EQ(s.curMrl, w.curMrl);
  EXPECT_EQ(s.iface, w.iface);
  EXPECT_EQ(s.capDir, w.capDir);
  EXPECT_EQ(s.playlistUrl, w.playlistUrl);
  EXPECT_EQ(s.tvgUrl, w.tvgUrl);
  EXPECT_EQ(s.volume, 77);
  EXPECT_TRUE(s.docked);
  EXPECT_TRUE(s.noCrop);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"load " + w.playlistUrl + " full"}));
  EXPECT_EQ(BuildGlobalRecord(s), rec);
}

TEST_F(ConfigTest, TextsWithoutABarAreWrittenAsTheyAreAndFilesReadAsBefore) {
  GlobalSettings w;
  w.playlistUrl = "http://127.0.0.1/list.m3u?x=%7C&y=^&z=a^b";
  w.capDir = "C:\\Записи ^ TV\\";
  const std::string rec = BuildGlobalRecord(w);
  EXPECT_EQ(ExtractField(rec, "|", 24), w.playlistUrl);
  EXPECT_EQ(ExtractField(rec, "|", 15), w.capDir);
  // A file written before: every text field is taken as it stands.
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(ConfigList{"?Globals|1|2|3|4|5|6|7|0|1|udp://@x:1|50|0|Auto|0|C:\\^|||||||||"
                               "http://h/a%7Cb^|0|1|http://h/tv.zip|"},
                    s, host);
  EXPECT_EQ(s.curMrl, "udp://@x:1");
  EXPECT_EQ(s.capDir, "C:\\^");
  EXPECT_EQ(s.playlistUrl, "http://h/a%7Cb^");
  EXPECT_EQ(s.tvgUrl, "http://h/tv.zip");
}

TEST_F(ConfigTest, VolumeIsBroughtIntoTheBarsRange) {
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(ConfigList{"?Globals|||||||||||5000|"}, s, host);
  EXPECT_EQ(s.volume, 100);
  EXPECT_EQ(ExtractField(BuildGlobalRecord(s), "|", 11), "100");
  ApplyGlobalRecord(ConfigList{"?Globals|||||||||||-3|"}, s, host);
  EXPECT_EQ(s.volume, 0);
  ApplyGlobalRecord(ConfigList{"?Globals|||||||||||64|"}, s, host);
  EXPECT_EQ(s.volume, 64);
}

TEST_F(ConfigTest, ColoursReplacePartByPart) {
  FakeHost host;
  GlobalSettings s;
  std::string rec = "?Globals|";
  for (int i = 1; i <= 15; ++i) rec += "|";
  rec += ";;1;;;;-5;|";
  ApplyGlobalRecord(ConfigList{rec}, s, host);
  InterfaceColors expected = kDefaultColors;
  expected[2] = 1;
  expected[6] = -5;
  EXPECT_EQ(s.colors, expected);
}

TEST_F(ConfigTest, VideoSavedAtDesktopSizeComesBackAt720x576) {
  GlobalSettings w;
  w.videoWidth = 1280;
  w.videoHeight = 1024;
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(ConfigList{BuildGlobalRecord(w)}, s, host);
  EXPECT_EQ(s.videoWidth, 720);
  EXPECT_EQ(s.videoHeight, 576);
  w.videoHeight = 1000;
  ApplyGlobalRecord(ConfigList{BuildGlobalRecord(w)}, s, host);
  EXPECT_EQ(s.videoWidth, 1280);
  EXPECT_EQ(s.videoHeight, 1000);
}

TEST_F(ConfigTest, FreshRecordHas35FieldsInTheFileOrder) {
  GlobalSettings s;
  s.docked = true;
  std::string rec = BuildGlobalRecord(s);
  EXPECT_EQ(rec.back(), '|');
  EXPECT_EQ(std::count(rec.begin(), rec.end(), '|'), kGlobalFieldCount);
  EXPECT_EQ(ExtractField(rec, "|", 16), "16314867;13809086;6239807;11894655;13809086;11497584;14865371;");
  EXPECT_EQ(ExtractField(rec, "|", 10), "?");
  EXPECT_EQ(ExtractField(rec, "|", 11), "50");
  EXPECT_EQ(ExtractField(rec, "|", 15), "C:\\");
  EXPECT_EQ(ExtractField(rec, "|", 26), "1");
  EXPECT_EQ(ExtractField(rec, "|", 29), "0");
  EXPECT_EQ(ExtractField(rec, "|", 30), "1");
  EXPECT_EQ(ExtractField(rec, "|", 34), "0");
}

TEST_F(ConfigTest, UnknownLinesSurviveALoadStoreSaveCycle) {
  std::string file = "future|a|b|\r\n?|1|100|\r\n\r\n?Globals|5|6|\r\nodd line without bars\r\n?Globals|9|\r\n";
  ConfigList l = ParseConfigText(file);
  FakeHost host;
  GlobalSettings s;
  ApplyGlobalRecord(l, s, host);
  EXPECT_EQ(s.panelLeft, 5);
  s.panelLeft = 77;
  StoreGlobalRecord(l, s);
  std::string saved = ConfigText(l);
  ConfigList back = ParseConfigText(saved);
  ASSERT_EQ(back.size(), 6u);
  EXPECT_EQ(back[0], "future|a|b|");
  EXPECT_EQ(back[1], "?|1|100|");
  EXPECT_EQ(back[2], "");
  EXPECT_EQ(ExtractField(back[3], "|", 1), "77");
  EXPECT_EQ(back[4], "odd line without bars");
  EXPECT_EQ(back[5], "?Globals|9|");
  EXPECT_EQ(g_log.back(), "сап saved");
}

TEST_F(ConfigTest, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(2.51), 3);
  EXPECT_EQ(RoundHalfEven(270.75), 271);
}

}  // namespace
}  // namespace strevo
