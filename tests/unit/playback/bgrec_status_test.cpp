#include <gtest/gtest.h>

#include "playback/bgrec_status.h"

namespace strevo {
namespace {

TEST(RecorderStatus, TextOfARunningRecording) {
  RecorderArgs a{"udp://@239.1.1.1:1234", "ts", "C:\\Rec\\a.ts", "90", "First", "127.0.0.1", "-1"};
  EXPECT_EQ(RecorderStatusText(a, true, 3 * 1024 * 1024 + 600 * 1024, 61),
            "Status\t: Recording (TS format)\rChannel\t: First\rSource\t: udp://@239.1.1.1:1234\r"
            "Target\t: C:\\Rec\\a.ts\rLength\t: [4 Mb] 00:01:01 / 01:30:00");
  EXPECT_EQ(RecorderStatusText(a, false, 0, 0).substr(0, 19), "Status\t: Stand by\rC");
}

TEST(RecorderStatus, LongTargetsShowTheirEnd) {
  const std::string path = "C:\\Recordings\\Channel One\\2026-12-07.ts";  // 39 characters
  ASSERT_GT(path.size(), 25u);
  EXPECT_EQ(RecorderTarget(path), "..." + path.substr(path.size() - 26));
  EXPECT_EQ(RecorderTarget(std::string(25, 'x')), std::string(25, 'x'));
  EXPECT_EQ(RecorderTarget("a" + std::string(25, 'y')), "..." + std::string("a") + std::string(25, 'y'));
  // Counted in characters: Cyrillic takes two bytes each and is never cut in half.
  EXPECT_EQ(RecorderTarget("C:\\Rec\\Второй-20261208-214500.ts"), "...\\Второй-20261208-214500.ts");
  EXPECT_EQ(RecorderTarget("C:\\Второй-20261208-214.ts"), "C:\\Второй-20261208-214.ts");  // 25
}

TEST(RecorderStatus, ClockWrapsAtADay) {
  EXPECT_EQ(RecorderClock(90 * 60), "01:30:00");
  EXPECT_EQ(RecorderClock(1440 * 60), "00:00:00");
  EXPECT_EQ(RecorderClock(1500 * 60), "01:00:00");
}

TEST(RecorderEnd, ByElapsedTimeNotByClockText) {
  EXPECT_FALSE(RecorderDone("0", 100000));
  EXPECT_FALSE(RecorderDone("90", 90 * 60 - 1));
  EXPECT_TRUE(RecorderDone("90", 90 * 60));
  EXPECT_TRUE(RecorderDone("90", 90 * 60 + 7));  // a late tick still ends it
  EXPECT_FALSE(RecorderDone("1440", 0));          // a day-long recording does not stop at once
  EXPECT_TRUE(RecorderDone("1440", 1440 * 60));
}

TEST(RecorderChain, FileOutputWithoutDisplay) {
  EXPECT_EQ(RecorderSoutChain("ps", "C:\\Rec\\a b.mpg"), "#duplicate{dst=std{access=file,mux=ps,url=\"C:\\Rec\\a b.mpg\"}}");
}

}  // namespace
}  // namespace strevo

namespace strevo {
namespace {

Args ArgsOf(std::vector<std::string> items) { return Args{std::move(items)}; }

TEST(RecorderArguments, EightOrTheSchedulersSevenWithoutAudioTrack) {
  auto eight = RecorderArgsOf(ArgsOf({"C:\\S.exe", "/bgrec", "udp://@239.1.1.1:1234", "ts", "C:\\a.ts", "5", "One",
                                      "127.0.0.1", "-1"}));
  ASSERT_TRUE(eight);
  EXPECT_EQ(eight->address, "udp://@239.1.1.1:1234");
  EXPECT_EQ(eight->minutes, "5");
  EXPECT_EQ(eight->audioTrack, "-1");
  auto seven = RecorderArgsOf(ArgsOf({"C:\\S.exe", "/bgrec", "udp://@239.1.1.1:1234", "ts", "C:\\a.ts", "5", "One",
                                      "127.0.0.1"}));
  ASSERT_TRUE(seven);
  EXPECT_EQ(seven->iface, "127.0.0.1");
  EXPECT_EQ(seven->audioTrack, "0");
  EXPECT_FALSE(RecorderArgsOf(ArgsOf({"C:\\S.exe", "/bgrec", "udp://@239.1.1.1:1234", "ts", "C:\\a.ts", "5", "One"})));
  EXPECT_FALSE(RecorderArgsOf(ArgsOf({"C:\\S.exe", "/bgrec", "a", "ts", "f", "5", "One", "i", "0", "extra"})));
  EXPECT_FALSE(RecorderArgsOf(ArgsOf({"C:\\S.exe", "/bgrek", "a", "ts", "f", "5", "One", "i", "0"})));
}

TEST(RecorderArguments, TheChannelsEngineOptionsFollowTheEight) {
  RecorderArgs a{"http://127.0.0.1:8080/live", "ts", "C:\\Rec\\a.ts", "0", "One", "0.0.0.0", "0",
                 {":http-user-agent=Box \"7\" (Linux)", ":http-referrer=http://site/", ":network-caching=3000"}};
  const std::string eightQuoted =
      "\"C:\\S.exe\" /bgrec \"http://127.0.0.1:8080/live\" \"ts\" \"C:\\Rec\\a.ts\" \"0\" \"One\" \"0.0.0.0\" \"0\"";
  EXPECT_EQ(RecorderCommandLine("C:\\S.exe", a),
            eightQuoted + " \":http-user-agent=Box \\\"7\\\" (Linux)\" \":http-referrer=http://site/\" "
                          "\":network-caching=3000\"");
  std::vector<std::string> items = {"C:\\S.exe", "/bgrec", a.address, a.format, a.file, a.minutes, a.title, a.iface,
                                    a.audioTrack};
  items.insert(items.end(), a.options.begin(), a.options.end());
  const auto back = RecorderArgsOf(ArgsOf(items));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->audioTrack, "0");
  EXPECT_EQ(back->options, a.options);
  // Without options the line is the eight arguments as before.
  a.options.clear();
  EXPECT_EQ(RecorderCommandLine("C:\\S.exe", a), eightQuoted);

  // Anything else after the eight is refused, so a command line cannot set
  // the engine's output chain or a file it writes.
  const std::vector<std::string> eight = {"C:\\S.exe", "/bgrec", "a", "ts", "f", "5", "One", "i", "0"};
  auto with = [&](std::string extra) {
    std::vector<std::string> extended = eight;
    extended.push_back(std::move(extra));
    return RecorderArgsOf(ArgsOf(extended));
  };
  EXPECT_TRUE(with(":network-caching=1000"));
  EXPECT_FALSE(with(":sout=#std{access=file,url=C:\\x}"));
  EXPECT_FALSE(with("http-user-agent=no colon"));
  EXPECT_FALSE(with(":HTTP-USER-AGENT=upper"));
  EXPECT_FALSE(with(":http-user-agent"));
  EXPECT_FALSE(with(":http-user-agent=a\nb"));
}

TEST(RecorderArguments, TheCommandLineQuotesEachArgument) {
  RecorderArgs a{"udp://@239.1.1.1:1234", "ps", "C:\\Rec\\News-20261208-210509.mpg", "0", "News", "0.0.0.0", "2"};
  EXPECT_EQ(RecorderCommandLine("C:\\Program Files\\Strevo\\Strevo.exe", a),
            "\"C:\\Program Files\\Strevo\\Strevo.exe\" /bgrec \"udp://@239.1.1.1:1234\" \"ps\" "
            "\"C:\\Rec\\News-20261208-210509.mpg\" \"0\" \"News\" \"0.0.0.0\" \"2\"");
  // A quote in a title, or a backslash before the closing quote, must not
  // shift the arguments that follow.
  EXPECT_EQ(QuotedArgument("Say \"hi\""), "\"Say \\\"hi\\\"\"");
  EXPECT_EQ(QuotedArgument("C:\\dir\\"), "\"C:\\dir\\\\\"");
  EXPECT_EQ(QuotedArgument("a\\\\\"b"), "\"a\\\\\\\\\\\"b\"");
  EXPECT_EQ(QuotedArgument(""), "\"\"");
}

TEST(RecorderStatus, AFaultOfTheFileStandsInPlaceOfTheState) {
  RecorderArgs a{"udp://@239.1.1.1:1234", "ts", "C:\\a.ts", "0", "First", "127.0.0.1", "-1"};
  EXPECT_EQ(RecorderStatusText(a, true, -1, 3, "Error! cannot create the file"),
            "Status\t: Error! cannot create the file\rChannel\t: First\rSource\t: udp://@239.1.1.1:1234\r"
            "Target\t: C:\\a.ts\rLength\t: [0 Mb] 00:00:03 / 00:00:00");
}

}  // namespace
}  // namespace strevo
