#include "base/cmdline.h"

#include <gtest/gtest.h>

#include "base/eventlog.h"

namespace strevo {
namespace {

Args Make(std::vector<std::string> items) { return Args{std::move(items)}; }

TEST(CommandLine, ModesAreExactAndCaseSensitive) {
  EXPECT_EQ(DispatchMode(Make({"C:\\S.exe", "/agent"})), RunMode::Agent);
  EXPECT_EQ(DispatchMode(Make({"C:\\S.exe", "/bgrec", "x"})), RunMode::BackgroundRecorder);
  EXPECT_EQ(DispatchMode(Make({"C:\\S.exe", "/AGENT"})), RunMode::Player);
  EXPECT_EQ(DispatchMode(Make({"C:\\S.exe"})), RunMode::Player);
  EXPECT_EQ(DispatchMode(Make({"C:\\S.exe", "/nologo"})), RunMode::Player);
}

TEST(CommandLine, MutexNamesAndOwnCommandLines) {
  EXPECT_EQ(MutexName(kPlayerMutexPrefix, "C:\\TV\\Player.exe"), "QuenbyStrevo_Mutex_for_C:!TV!Player.exe");
  EXPECT_EQ(MutexName(kAgentMutexPrefix, "C:\\TV\\Player.exe"), "QuenbyStrevoAgent_Mutex_for_C:!TV!Player.exe");
  EXPECT_EQ(OwnCommandLine("C:\\Program Files\\TV\\S.exe", "/agent"), "\"C:\\Program Files\\TV\\S.exe\" /agent");
  EXPECT_EQ(OwnCommandLine("C:\\S.exe", "/updatetvg /updatem3u"), "\"C:\\S.exe\" /updatetvg /updatem3u");
}

TEST(CommandLine, SingleInstanceAndSplashRules) {
  EXPECT_TRUE(PassesSingleInstance("/updatetvg"));
  EXPECT_TRUE(PassesSingleInstance("/exporttvg"));
  EXPECT_TRUE(PassesSingleInstance("/updatem3u"));
  EXPECT_FALSE(PassesSingleInstance("/preconf"));
  EXPECT_FALSE(PassesSingleInstance("/nologo"));
  EXPECT_FALSE(PassesSingleInstance(""));

  EXPECT_TRUE(ShouldShowSplash("", false, true));
  EXPECT_TRUE(ShouldShowSplash("not-a-file", false, true));
  EXPECT_FALSE(ShouldShowSplash("", false, false));
  EXPECT_FALSE(ShouldShowSplash("C:\\film.ts", true, true));
  for (const char* sw : {"/nologo", "/updatetvg", "/exporttvg", "/preconf"}) EXPECT_FALSE(ShouldShowSplash(sw, false, true));

  EXPECT_EQ(MaintenanceOf(Make({"x", "/updatetvg", "/updatem3u"})), Maintenance::UpdateGuide);
  EXPECT_EQ(MaintenanceOf(Make({"x", "/exporttvg", "C:\\out"})), Maintenance::ExportGuide);
  EXPECT_EQ(MaintenanceOf(Make({"x", "/updatem3u"})), Maintenance::UpdateChannelList);
  EXPECT_EQ(MaintenanceOf(Make({"x", "/nologo"})), Maintenance::None);
}

std::vector<std::string>* g_lines;
void Collect(std::string_view m) { g_lines->emplace_back(m); }

TEST(EventLog, LineFormatAndSink) {
  DateTime t = EncodeDateTime({2026, 12, 6, 21, 3, 4, 0});
  EXPECT_EQ(FormatLogLine(t, "begin formcreate"), "06:12:2026 21:03:04 begin formcreate");
  EXPECT_EQ(FormatLogLine(t, ""), "06:12:2026 21:03:04 ");
  EXPECT_EQ(FormatLogLine(t, "a\r\nb"), "06:12:2026 21:03:04 a\r\nb");

  std::vector<std::string> lines;
  g_lines = &lines;
  LogLine("lost: no sink yet");
  SetLogSink(Collect);
  LogLine("one");
  LogLine("two");
  SetLogSink(nullptr);
  LogLine("lost again");
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
}

}  // namespace
}  // namespace strevo
