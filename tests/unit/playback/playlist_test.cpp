#include "playback/playlist.h"

#include <gtest/gtest.h>

#include "base/codepage.h"

namespace strevo {
namespace {

const char kPseudo[] = "Файл или поток";

std::string Cp1251ToUtf8(std::string_view s) { return CodePageToUtf8(s, 1251); }

ChannelList Parse(std::string_view bytes) { return ParsePlaylist(bytes, kPseudo, Cp1251ToUtf8); }

TEST(PlaylistAddress, FormsAndHttpSplit) {
  EXPECT_EQ(ClassifyPlaylistAddress(""), PlaylistSource::None);
  EXPECT_EQ(ClassifyPlaylistAddress("<None>"), PlaylistSource::None);
  EXPECT_EQ(ClassifyPlaylistAddress("http://h/l.m3u"), PlaylistSource::Http);
  EXPECT_EQ(ClassifyPlaylistAddress("HTTP://h/l.m3u"), PlaylistSource::Other);
  EXPECT_EQ(ClassifyPlaylistAddress("C:\\PlayList.m3u"), PlaylistSource::LocalFile);
  EXPECT_EQ(ClassifyPlaylistAddress("\\\\server\\list.m3u"), PlaylistSource::Other);
  EXPECT_EQ(ClassifyPlaylistAddress("C:/list.m3u"), PlaylistSource::Other);
  EXPECT_EQ(ClassifyPlaylistAddress("https://h/l.m3u"), PlaylistSource::Http);
  // Providers hand out lists on ports of their own, with the account in the query.
  HttpTarget t = SplitHttpAddress("http://tv.example:8080/get.php?username=u&password=p&type=m3u_plus");
  EXPECT_EQ(t.host, "tv.example");
  EXPECT_EQ(t.port, 8080);
  EXPECT_FALSE(t.secure);
  EXPECT_EQ(t.path, "/get.php?username=u&password=p&type=m3u_plus");
  t = SplitHttpAddress("http://host");
  EXPECT_EQ(t.host, "host");
  EXPECT_EQ(t.port, kPlaylistHttpPort);
  EXPECT_EQ(t.path, "");
  t = SplitHttpAddress("https://me:secret@[::1]:8443?list=1");
  EXPECT_EQ(t.host, "[::1]");
  EXPECT_EQ(t.port, 8443);
  EXPECT_TRUE(t.secure);
  EXPECT_EQ(t.path, "/?list=1");
  EXPECT_EQ(t.user, "me");
  EXPECT_EQ(t.password, "secret");
  EXPECT_EQ(SplitHttpAddress("https://h/l").port, kPlaylistHttpsPort);
  // Not a port: it stays in the host name, which resolves to nothing.
  EXPECT_EQ(SplitHttpAddress("http://h:99999/l").host, "h:99999");
  EXPECT_EQ(SplitHttpAddress("http://h:x/l").port, kPlaylistHttpPort);
}

TEST(PlaylistParse, EmptyFileHoldsOnlyThePseudoChannel) {
  ChannelList l = Parse("");
  EXPECT_EQ(l.titles, (std::vector<std::string>{kPseudo}));
  EXPECT_EQ(l.mrls, (std::vector<std::string>{"?"}));
  EXPECT_EQ(l.submenu, (std::vector<std::string>{kPseudo}));
  EXPECT_FALSE(l.utf8);
  EXPECT_EQ(ReloadDoneLogLine(l), "reloadplaylist done =0ch, utf=0");
  EXPECT_EQ(Parse("#EXTM3U\r\n").ChannelCount(), 0);
}

TEST(PlaylistParse, PairsTitlesAtTheFirstCommaAndTrims) {
  ChannelList l = Parse(
      "#EXTM3U\r\n#EXTINF:-1,News, Weather\r\n  udp://@239.1.1.1:1234 \t\r\n#EXTINF:0,Rock & Pop\r\n"
      "http://h/x\r\nNo comma here \r\nudp://@239.1.1.3:1234\r\n#EXTINF:-1, Last\r\n");
  ASSERT_EQ(l.ChannelCount(), 4);
  EXPECT_EQ(l.titles[1], "News, Weather");
  EXPECT_EQ(l.mrls[1], "udp://@239.1.1.1:1234");
  EXPECT_EQ(l.titles[2], "Rock & Pop");
  EXPECT_EQ(l.submenu[2], "2. Rock && Pop");
  EXPECT_EQ(l.titles[3], "No comma here");
  EXPECT_EQ(l.titles[4], "Last");
  EXPECT_EQ(l.mrls[4], "");  // last entry without its address line
  EXPECT_EQ(l.submenu[0], kPseudo);
  EXPECT_EQ(l.submenu[4], "4. Last");
  EXPECT_EQ(ReloadDoneLogLine(l), "reloadplaylist done =4ch, utf=0");
}

TEST(PlaylistParse, AmpersandsDoubleOnceInTheSubmenuOnly) {
  ChannelList l = Parse("#EXTM3U\n#,A\nu1\n#,B\nu2\n#,Rock & Pop && More\nu3\n");
  EXPECT_EQ(l.titles[3], "Rock & Pop && More");
  EXPECT_EQ(l.submenu[3], "3. Rock && Pop &&&& More");
}

TEST(PlaylistParse, ByteOrderMarkMeansUtf8AndAnsiListsAreConverted) {
  ChannelList u = Parse("\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1,Первый канал\r\nudp://@239.1.1.1:1234\r\n");
  EXPECT_TRUE(u.utf8);
  EXPECT_EQ(u.titles[1], "Первый канал");
  EXPECT_EQ(ReloadDoneLogLine(u), "reloadplaylist done =1ch, utf=1");
  // The same title in cp1251 bytes, plain header: read in the ANSI code page.
  ChannelList a = Parse("#EXTM3U\r\n#EXTINF:-1,\xCF\xE5\xF0\xE2\xFB\xE9 \xEA\xE0\xED\xE0\xEB\r\nC:\\\xC2\xE8\xE4\xE5\xEE.ts\r\n");
  EXPECT_FALSE(a.utf8);
  EXPECT_EQ(a.titles[1], "Первый канал");
  EXPECT_EQ(a.mrls[1], "C:\\Видео.ts");
}

TEST(PlaylistParse, CommentLinesShiftThePairs) {
  ChannelList l = Parse("#EXTM3U\n#EXTINF:-1,One\n#EXTVLCOPT:network-caching=1000\nudp://@239.1.1.1:1234\n#EXTINF:-1,Two\n");
  ASSERT_EQ(l.ChannelCount(), 2);
  EXPECT_EQ(l.titles[1], "One");
  EXPECT_EQ(l.mrls[1], "#EXTVLCOPT:network-caching=1000");
  EXPECT_EQ(l.titles[2], "udp://@239.1.1.1:1234");
  EXPECT_EQ(l.mrls[2], "#EXTINF:-1,Two");
}

TEST(PlaylistParse, LineEndsOfEveryKind) {
  ChannelList l = Parse("#EXTM3U\r#,A\r\nu1\n#,B\ru2");
  ASSERT_EQ(l.ChannelCount(), 2);
  EXPECT_EQ(l.mrls[1], "u1");
  EXPECT_EQ(l.titles[2], "B");
  EXPECT_EQ(l.mrls[2], "u2");
}

TEST(PlaylistTexts, MessageAndLogLine) {
  EXPECT_EQ(KilobytesRounded(0), 0);
  EXPECT_EQ(KilobytesRounded(512), 0);    // half: to even
  EXPECT_EQ(KilobytesRounded(1536), 2);   // half: to even
  EXPECT_EQ(KilobytesRounded(2560), 2);
  EXPECT_EQ(KilobytesRounded(2561), 3);
  EXPECT_EQ(PlaylistLoadedMessage("Новый список каналов загружен из", "http://h/l.m3u", 3000),
            "Новый список каналов загружен из \"http://h/l.m3u\" (3 Kb)!");
  EXPECT_EQ(PlaylistLoadedLogLine("C:\\l.m3u", 1234), "playlist loaded from \"C:\\l.m3u\" 1234bytes");
  // The account's password never reaches the log.
  EXPECT_EQ(PlaylistLoadedLogLine("http://h:8080/get.php?username=u&password=s3&type=m3u_plus", 0),
            "playlist loaded from \"http://h:8080/get.php?username=u&password=***&type=m3u_plus\" 0bytes");
  EXPECT_EQ(PlaylistLoadedLogLine("https://u:s3@h/l.m3u?PWD=x&pass=", 0),
            "playlist loaded from \"https://u:***@h/l.m3u?PWD=***&pass=***\" 0bytes");
}

}  // namespace
}  // namespace strevo
