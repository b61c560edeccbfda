#include "playback/playlist_tags.h"

#include <gtest/gtest.h>

#include "base/codepage.h"

namespace strevo {
namespace {

const char kPseudo[] = "Файл или поток";

std::string Cp1251ToUtf8(std::string_view s) { return CodePageToUtf8(s, 1251); }

ChannelList Tagged(std::string_view bytes) { return ParseTaggedPlaylist(bytes, kPseudo, Cp1251ToUtf8); }

TEST(InfoLineAttributes, QuotingCommasMissingValuesAndDuplicates) {
  InfoLine a = ParseInfoLine(
      "#EXTINF:-1 tvg-id=\"news.ru\" tvg-name='Новости, 24' group-title=\"Info, Daily\" TVG-LOGO=http://h/l.png "
      "radio tvg-shift= catchup=\"\" tvg-id=\"other\",Новости, вечер ");
  EXPECT_EQ(a.title, "Новости, вечер");
  ASSERT_NE(a.Find("tvg-id"), nullptr);
  EXPECT_EQ(*a.Find("tvg-id"), "news.ru");  // the first of duplicates wins
  EXPECT_EQ(*a.Find("tvg-name"), "Новости, 24");
  EXPECT_EQ(*a.Find("group-title"), "Info, Daily");
  EXPECT_EQ(*a.Find("tvg-logo"), "http://h/l.png");  // names compare lower-cased
  ASSERT_NE(a.Find("radio"), nullptr);
  EXPECT_EQ(*a.Find("radio"), "");
  EXPECT_EQ(*a.Find("tvg-shift"), "");
  EXPECT_EQ(*a.Find("catchup"), "");
  EXPECT_EQ(a.Find("tvg-url"), nullptr);
  EXPECT_EQ(a.attributes.size(), 7u);

  // A header's attributes follow its name; their values may hold colons.
  InfoLine header = ParseInfoLine("#EXTM3U url-tvg=\"http://h:8080/epg.xml.gz\" x-tvg-url=http://h/2.xml tvg-shift=-2");
  EXPECT_EQ(*header.Find("url-tvg"), "http://h:8080/epg.xml.gz");
  EXPECT_EQ(*header.Find("x-tvg-url"), "http://h/2.xml");
  EXPECT_EQ(*header.Find("tvg-shift"), "-2");
  EXPECT_EQ(header.attributes.size(), 3u);
  EXPECT_EQ(*ParseInfoLine("#EXTINF:-1 tvg-logo=\"http://h:81/a,b.png\",T").Find("tvg-logo"), "http://h:81/a,b.png");

  // No attributes at all: the plain title rule.
  EXPECT_EQ(ParseInfoLine("#EXTINF:-1,News, Weather").title, "News, Weather");
  EXPECT_EQ(ParseInfoLine("#EXTINF:0 ,  Spaced  ").title, "Spaced");
  // No comma: the whole line, as the plain reader takes it.
  EXPECT_EQ(ParseInfoLine("#EXTINF:-1 tvg-id=x").title, "#EXTINF:-1 tvg-id=x");
  // An unclosed quote: the title comes from the first comma.
  InfoLine open = ParseInfoLine("#EXTINF:-1 tvg-name=\"Broken,Title");
  EXPECT_EQ(open.title, "Title");
  EXPECT_EQ(*open.Find("tvg-name"), "Broken,Title");
}

TEST(InfoLineAttributes, ShiftInHoursWithFractions) {
  EXPECT_EQ(ParseShiftMinutes("3"), 180);
  EXPECT_EQ(ParseShiftMinutes("+2"), 120);
  EXPECT_EQ(ParseShiftMinutes("-1.5"), -90);
  EXPECT_EQ(ParseShiftMinutes("5,75"), 345);
  EXPECT_EQ(ParseShiftMinutes(" -4 "), -240);
  EXPECT_EQ(ParseShiftMinutes(""), 0);
  EXPECT_EQ(ParseShiftMinutes("abc"), 0);
  EXPECT_EQ(ParseShiftMinutes("3h"), 0);
  EXPECT_EQ(ParseShiftMinutes("99999999999"), 0);  // nonsense, not an overflow
}

TEST(ListEncodingFromBytes, MarkThenValidUtf8ThenAnsi) {
  EXPECT_EQ(DetectListEncoding("\xEF\xBB\xBF#EXTM3U"), ListEncoding::Utf8Bom);
  EXPECT_EQ(DetectListEncoding("\xFF\xFE#\0"), ListEncoding::Utf16Le);
  EXPECT_EQ(DetectListEncoding("\xFE\xFF\0#"), ListEncoding::Utf16Be);
  EXPECT_EQ(DetectListEncoding("#EXTM3U\n#EXTINF:-1,Первый\nu\n"), ListEncoding::Utf8);
  EXPECT_EQ(DetectListEncoding("#EXTM3U\n#EXTINF:-1,\xCF\xE5\xF0\xE2\xFB\xE9\nu\n"), ListEncoding::Ansi);
  EXPECT_EQ(DetectListEncoding("#EXTM3U\n#EXTINF:-1,News\nu\n"), ListEncoding::Ansi);  // ASCII reads the same
  // UTF-8 up to one stray cp1251 byte is not UTF-8.
  EXPECT_EQ(DetectListEncoding("Первый \xE0"), ListEncoding::Ansi);
}

TEST(TaggedList, TodaysUtf8ListWithoutMark) {
  ChannelList l = Tagged(
      "#EXTM3U url-tvg=\"http://h:8080/epg.xml.gz\" tvg-shift=\"2\"\n"
      "\n"
      "#EXTINF:-1 tvg-id=\"perviy\" tvg-name=\"Первый канал\" tvg-logo=\"http://h/1.png\" group-title=\"Эфир\","
      "Первый канал HD\n"
      "#EXTVLCOPT:http-user-agent=Mozilla/5.0 (X11; Linux)\n"
      "#EXTVLCOPT:http-referrer=http://h/\n"
      "#EXTVLCOPT:sout=#std{access=file,dst=C:\\x.ts}\n"
      "#EXTVLCOPT:network-caching=3000\n"
      "http://h/1.m3u8\n"
      "\n"
      "# a comment of the provider\n"
      "#EXTINF:-1 tvg-id=\"sport\" tvg-shift=\"-1\",Sport & Co\n"
      "#EXTGRP:Спорт\n"
      "udp://@239.1.1.2:1234\n"
      "#EXTINF:-1,Без тегов\r\n"
      "  udp://@239.1.1.3:1234  \r\n");
  EXPECT_TRUE(l.utf8);
  ASSERT_EQ(l.ChannelCount(), 3);
  ASSERT_EQ(l.tags.size(), 4u);
  EXPECT_EQ(l.titles[1], "Первый канал HD");
  EXPECT_EQ(l.mrls[1], "http://h/1.m3u8");
  EXPECT_EQ(l.tags[1].tvgId, "perviy");
  EXPECT_EQ(l.tags[1].tvgName, "Первый канал");
  EXPECT_EQ(l.tags[1].tvgLogo, "http://h/1.png");
  EXPECT_EQ(l.tags[1].group, "Эфир");
  EXPECT_EQ(l.tags[1].tvgShiftMinutes, 120);  // from the header
  // The output chain is not an option a list may set.
  EXPECT_EQ(l.tags[1].options, (std::vector<std::string>{"http-user-agent=Mozilla/5.0 (X11; Linux)",
                                                         "http-referrer=http://h/", "network-caching=3000"}));
  EXPECT_EQ(l.titles[2], "Sport & Co");
  EXPECT_EQ(l.submenu[2], "2. Sport && Co");
  EXPECT_EQ(l.mrls[2], "udp://@239.1.1.2:1234");
  EXPECT_EQ(l.tags[2].group, "Спорт");
  EXPECT_EQ(l.tags[2].tvgShiftMinutes, -60);
  EXPECT_TRUE(l.tags[2].options.empty());
  EXPECT_EQ(l.titles[3], "Без тегов");
  EXPECT_EQ(l.mrls[3], "udp://@239.1.1.3:1234");
  EXPECT_EQ(l.tags[3].group, "");
  EXPECT_EQ(l.tags[0].tvgId, "");
  EXPECT_EQ(ReloadDoneLogLine(l), "reloadplaylist done =3ch, utf=1");
}

TEST(TaggedList, OptionsAndGroupsBeforeTheInfoLineStayWithTheirEntry) {
  ChannelList l = Tagged(
      "#EXTM3U\n#EXTINF:-1,A\n#EXTVLCOPT:http-user-agent=UA-A\nudp://a\n"
      "#EXTGRP:G\n#EXTVLCOPT:network-caching=500\n#EXTINF:-1 group-title=\"Own\",B\nudp://b\n"
      "#EXTGRP:G2\n#EXTINF:-1,C\nudp://c\n");
  ASSERT_EQ(l.ChannelCount(), 3);
  EXPECT_EQ(l.tags[1].options, (std::vector<std::string>{"http-user-agent=UA-A"}));
  EXPECT_EQ(l.tags[2].options, (std::vector<std::string>{"network-caching=500"}));
  EXPECT_EQ(l.tags[2].group, "Own");  // group-title over #EXTGRP
  EXPECT_EQ(l.tags[3].group, "G2");
  EXPECT_TRUE(l.tags[3].options.empty());
}

TEST(TaggedList, BareAddressesInfoWithoutAddressAndLineEnds) {
  ChannelList l = Tagged("udp://@239.0.0.1:1\r#EXTINF:-1,Lost\r#EXTINF:-1,Kept\rhttp://k\r\n#EXTINF:-1,End\n");
  ASSERT_EQ(l.ChannelCount(), 2);
  EXPECT_EQ(l.titles[1], "udp://@239.0.0.1:1");
  EXPECT_EQ(l.mrls[1], "udp://@239.0.0.1:1");
  EXPECT_EQ(l.titles[2], "Kept");  // a second #EXTINF replaces one that had no address
  EXPECT_EQ(l.mrls[2], "http://k");
  EXPECT_FALSE(l.utf8);
  EXPECT_EQ(Tagged("").ChannelCount(), 0);
  EXPECT_EQ(Tagged("").tags.size(), 1u);
}

TEST(TaggedList, EncodingsOfTheBytes) {
  const std::string title = "Первый канал";
  ChannelList ansi = Tagged("#EXTM3U\r\n#EXTINF:-1,\xCF\xE5\xF0\xE2\xFB\xE9 \xEA\xE0\xED\xE0\xEB\r\nu\r\n");
  EXPECT_FALSE(ansi.utf8);
  EXPECT_EQ(ansi.titles[1], title);
  ChannelList bom = Tagged("\xEF\xBB\xBF#EXTINF:-1,Первый канал\nu\n");
  EXPECT_TRUE(bom.utf8);
  EXPECT_EQ(bom.titles[1], title);
  std::string utf16;  // "#EXTINF:-1,Пе\nu\n" little-endian with its mark
  utf16 += "\xFF\xFE";
  for (char c : std::string("#EXTINF:-1,")) utf16 += {c, '\0'};
  utf16 += std::string("\x1F\x04\x35\x04\n\0u\0\n\0", 10);
  ChannelList wide = Tagged(utf16);
  ASSERT_EQ(wide.ChannelCount(), 1);
  EXPECT_EQ(wide.titles[1], "Пе");
  EXPECT_EQ(wide.mrls[1], "u");
}

TEST(TaggedList, PlainReaderStillPairsLinesOfAListWithOptions) {
  // The same bytes: the plain reader keeps pairing lines (the scheduler's
  // channel numbers depend on it), the tag-aware one finds both channels.
  const char bytes[] =
      "#EXTM3U\n#EXTINF:-1,One\n#EXTVLCOPT:http-user-agent=UA\nudp://@239.1.1.1:1234\n#EXTINF:-1,Two\nudp://two\n";
  ChannelList plain = ParsePlaylist(bytes, kPseudo, Cp1251ToUtf8);
  ASSERT_EQ(plain.ChannelCount(), 3);
  EXPECT_EQ(plain.titles[1], "One");
  EXPECT_EQ(plain.mrls[1], "#EXTVLCOPT:http-user-agent=UA");
  EXPECT_EQ(plain.titles[2], "udp://@239.1.1.1:1234");
  EXPECT_EQ(plain.mrls[2], "#EXTINF:-1,Two");
  EXPECT_TRUE(plain.tags.empty());
  ChannelList tagged = Tagged(bytes);
  ASSERT_EQ(tagged.ChannelCount(), 2);
  EXPECT_EQ(tagged.mrls[1], "udp://@239.1.1.1:1234");
  EXPECT_EQ(tagged.mrls[2], "udp://two");
}

TEST(TaggedList, ChannelNumbersThatPointElsewhereAfterTheSwitch) {
  const char bytes[] =
      "#EXTM3U\n#EXTINF:-1,One\nudp://one\n#EXTINF:-1,Two\n#EXTVLCOPT:network-caching=1\nudp://two\n"
      "#EXTINF:-1,Three\nudp://three\n";
  ChannelList plain = ParsePlaylist(bytes, kPseudo, Cp1251ToUtf8);
  ChannelList tagged = Tagged(bytes);
  ASSERT_EQ(plain.ChannelCount(), 4);
  ASSERT_EQ(tagged.ChannelCount(), 3);
  // One keeps its number; from the option line on, every number moves.
  EXPECT_EQ(ChannelsThatMove(plain, tagged), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(ChannelsThatMove(tagged, plain), (std::vector<int>{2, 3}));
  EXPECT_TRUE(ChannelsThatMove(tagged, tagged).empty());
}

TEST(TextFolding, CaseOfLatinAndCyrillic) {
  EXPECT_EQ(FoldCase("ПЕРВЫЙ Канал ЁЖ News"), "первый канал ёж news");
  EXPECT_EQ(FoldCase("ÀÉÖ×"), "àéö×");
  EXPECT_EQ(FoldCase("a\xFF" "B"), "a\xFF" "b");
  EXPECT_EQ(ClassifyUtf8("abc"), Utf8Kind::Ascii);
  EXPECT_EQ(ClassifyUtf8("\xC0\x80"), Utf8Kind::Invalid);        // overlong
  EXPECT_EQ(ClassifyUtf8("\xED\xA0\x80"), Utf8Kind::Invalid);    // surrogate
  EXPECT_EQ(ClassifyUtf8("\xF0\x9F\x98\x80"), Utf8Kind::NonAscii);
}

}  // namespace
}  // namespace strevo
