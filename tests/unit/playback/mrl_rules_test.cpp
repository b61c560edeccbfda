#include "playback/mrl_rules.h"

#include <gtest/gtest.h>

#include "base/codepage.h"

namespace strevo {
namespace {

const MrlConverter kFromCp1251 = [](std::string_view s) { return CodePageToUtf8(s, 1251); };
const char kGroup[] = "udp://@239.1.1.1:1234";

TEST(ProxyRewrite, OnlyAProxyInterfaceRewritesMulticast) {
  EXPECT_EQ(ProxyRewrite(kGroup, "192.168.1.10:4022"), "http://192.168.1.10:4022/udp/239.1.1.1:1234");
  EXPECT_EQ(ProxyRewrite(kGroup, "192.168.1.10"), kGroup);
  EXPECT_EQ(ProxyRewrite(kGroup, "Auto"), kGroup);
  for (const char* other : {"http://h/x", "mms://h/x", "C:\\film.ts", "udp://239.1.1.1:1234"})
    EXPECT_EQ(ProxyRewrite(other, "p:1"), other);
  // Every occurrence, and a replacement that contains the search text is fine.
  EXPECT_EQ(ProxyRewrite("udp://@a udp://@b", "udp://@x:1"), "http://udp://@x:1/udp/a http://udp://@x:1/udp/b");
}

TEST(ProxyRewrite, PlaybackVariantConvertsFirstAlways) {
  std::string ansi = "C:\\\xC2\xE8\xE4\xE5\xEE.ts";  // "Видео" in cp1251
  EXPECT_EQ(ProxyRewriteConverted(ansi, "Auto", kFromCp1251), "C:\\Видео.ts");
  EXPECT_EQ(ProxyRewriteConverted(ansi, "p:1", kFromCp1251), "C:\\Видео.ts");
  EXPECT_EQ(ProxyRewriteConverted(kGroup, "p:1", kFromCp1251), "http://p:1/udp/239.1.1.1:1234");
  EXPECT_EQ(ProxyRewrite(ansi, "p:1"), ansi);  // the plain variant leaves bytes alone
}

TEST(TunerReduce, AnyDshowAddressBecomesTheBareScheme) {
  EXPECT_EQ(TunerReduce("dshow://12"), "dshow://");
  EXPECT_EQ(TunerReduce("x dshow:// y"), "dshow://");
  EXPECT_EQ(TunerReduce(kGroup), kGroup);
}

TEST(DirectShowMulticast, ElecardFormWithTheInterface) {
  EXPECT_EQ(DirectShowMulticast(kGroup, "192.168.1.10"), "elecard://239.1.1.1:1234:i=192.168.1.10/udp");
  EXPECT_EQ(DirectShowMulticast(kGroup, "Auto"), "elecard://239.1.1.1:1234/udp");
  EXPECT_EQ(DirectShowMulticast(kGroup, "p:4022"), "elecard://239.1.1.1:1234/udp");
  EXPECT_EQ(DirectShowMulticast("udp://@user@239.1.1.1:1234", "Auto"), "elecard://user239.1.1.1:1234/udp");
  EXPECT_EQ(DirectShowMulticast("udp://239.1.1.1:1234", "192.168.1.10"), "udp://239.1.1.1:1234");
  EXPECT_EQ(DirectShowMulticast("http://h/udp://@x", "Auto"), "http://h/udp://@x");
}

TEST(RecorderInterface, ProxyMeansAnyAddress) {
  EXPECT_EQ(RecorderInterface("192.168.1.10:4022"), "0.0.0.0");
  EXPECT_EQ(RecorderInterface("192.168.1.10"), "192.168.1.10");
  EXPECT_EQ(RecorderInterface("Auto"), "Auto");
}

TEST(StripDialogFolder, StreamAddressesLoseTheFolderInFront) {
  EXPECT_EQ(StripDialogFolder("C:\\Users\\me\\udp://@239.1.1.1:1234"), "udp://@239.1.1.1:1234");
  EXPECT_EQ(StripDialogFolder("C:\\films\\a.ts"), "C:\\films\\a.ts");
  EXPECT_EQ(StripDialogFolder("D:\\x\\mms://h/s"), "mms://h/s");
  // Schemes are tried in a fixed order, each cutting at its first occurrence.
  EXPECT_EQ(StripDialogFolder("C:\\x\\http://h/?u=udp://@g"), "udp://@g");
  EXPECT_EQ(StripDialogFolder("C:\\x\\udp://h/?u=http://g"), "http://g");
}

TEST(Consumers, ApplyTheirRulesInOrder) {
  EXPECT_EQ(MrlForEngine(kGroup, "192.168.1.10:4022", kFromCp1251), "http://192.168.1.10:4022/udp/239.1.1.1:1234");
  EXPECT_EQ(MrlForEngine(kGroup, "192.168.1.10", kFromCp1251), kGroup);
  EXPECT_EQ(MrlForEngine("dshow://12", "p:1", kFromCp1251), "dshow://");
  EXPECT_EQ(MrlForDirectShow(kGroup, "192.168.1.10", kFromCp1251), "elecard://239.1.1.1:1234:i=192.168.1.10/udp");
  // Through a proxy the address is plain HTTP by the time Rule C sees it.
  EXPECT_EQ(MrlForDirectShow(kGroup, "p:4022", kFromCp1251), "http://p:4022/udp/239.1.1.1:1234");
  EXPECT_EQ(MrlForRecorder(kGroup, "p:4022"), "http://p:4022/udp/239.1.1.1:1234");
  EXPECT_EQ(MrlForSchedulerMacro("dshow://5", "Auto"), "dshow://");
  EXPECT_EQ(InterfaceForRecorder("p:4022"), "0.0.0.0");
  EXPECT_EQ(MrlFromFileDialog("C:\\a\\udp://@g:1"), "udp://@g:1");
}

}  // namespace
}  // namespace strevo
