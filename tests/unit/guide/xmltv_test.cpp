#include "guide/xmltv.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/xml_reader.h"
#include "unzip/gzip.h"

namespace strevo {
namespace {

// A guide document in two gzip members (a file may hold several); the
// first member carries a file name in its header.
const std::string kMember1("\x1F\x8B\x08\x08\x00\x00\x00\x00\x02\xFF\x67\x75\x69\x64\x65\x2E\x78\x6D\x6C\x00\xB3\x29\x29\xB3\xB3\x49\xCE\x48\xCC\xCB\x4B\xCD\x51\xC8\x4C\xB1\x55\x4A\x54\xB2\xB3\x49\xC9\x2C\x2E\xC8\x49\xAC\xD4\xCD\x4B\xCC\x4D\xB5\x73\xB4\xD1\x47\xE1\xDB\xE8\x43\x95\xDB\x01\x00\xC9\x42\x91\x67\x3C\x00\x00\x00", 74);
const std::string kMember2("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\xFF\xB3\x29\x28\xCA\x4F\x2F\x4A\xCC\xCD\x4D\x55\x28\x2E\x49\x2C\x2A\xB1\x55\x32\x32\x30\x32\x33\x34\x32\xB0\x30\xB4\x30\x00\x02\x05\x6D\x10\xA9\x04\x94\xCC\x2F\x40\x92\xB3\x44\x96\x4B\xCE\x48\xCC\xCB\x4B\xCD\xB1\x55\x4A\x54\xB2\xB3\x29\xC9\x2C\xC9\x49\xB5\x73\xAF\x52\x50\x4B\xCC\x2D\xB0\x56\xC8\x4B\x2D\x2F\xB6\xD1\x87\x08\xDA\xE8\xC3\x2D\x03\xB2\x4B\xCA\xEC\x00\xD2\x05\xDF\x5F\x7D\x00\x00\x00", 108);


DateTime At(int y, int mo, int d, int h, int mi, int s = 0) { return EncodeDateTime({y, mo, d, h, mi, s, 0}); }

constexpr double kSecond = 1.0 / 86400.0;

// A zone three hours east of UTC all year.
const LocalOffsetAt kMoscow = [](DateTime) { return 180; };

std::vector<std::string> Names(XmlReader& xml) {
  std::vector<std::string> seen;
  for (XmlNode n = xml.Next(); n != XmlNode::End && n != XmlNode::Error; n = xml.Next()) {
    if (n == XmlNode::StartElement) seen.push_back("<" + std::string(xml.Name()));
    if (n == XmlNode::EndElement) seen.push_back("/" + std::string(xml.Name()));
    if (n == XmlNode::Text) seen.push_back("'" + xml.Text());
  }
  return seen;
}

TEST(XmlReading, ElementsAttributesEntitiesAndCdata) {
  XmlReader xml(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\" [<!ENTITY x \">\">]>\n"
      "<!-- made by a feed -->\n<tv a='1 &amp; 2' b=\"&#1055;&#x440;\">\n <t>Rock &amp; Roll &lt;live&gt; &#x41;&#66;"
      "&nbsp;&bogus</t><e/><c><![CDATA[<b>Bold</b> & raw]]> tail</c>\n</tv>\n<!-- after -->");
  ASSERT_EQ(xml.Next(), XmlNode::StartElement);
  EXPECT_EQ(xml.Name(), "tv");
  ASSERT_NE(xml.Attribute("a"), nullptr);
  EXPECT_EQ(*xml.Attribute("a"), "1 & 2");
  EXPECT_EQ(*xml.Attribute("b"), "Пр");
  EXPECT_EQ(xml.Attribute("c"), nullptr);
  EXPECT_EQ(Names(xml), (std::vector<std::string>{"<t", "'Rock & Roll <live> AB&nbsp;&bogus", "/t", "<e", "/e", "<c",
                                                 "'<b>Bold</b> & raw tail", "/c", "/tv"}));
  EXPECT_EQ(xml.Next(), XmlNode::End);
  EXPECT_EQ(XmlDeclaredEncoding("<?xml version=\"1.0\" encoding='Windows-1251'?><tv/>"), "windows-1251");
  EXPECT_EQ(XmlDeclaredEncoding("<tv/>"), "");
}

// The nodes of a document given a byte at a time are those of the whole.
TEST(XmlReading, InPiecesAsWhole) {
  for (const char* doc : {"\xEF\xBB\xBF<?xml version=\"1.0\"?><!DOCTYPE tv [<!ENTITY x \">\">]><tv a='>' b=\"'\">"
                          "<t>R &amp; R</t><e/><c><![CDATA[<b>]]> tail</c></tv> <!-- after -->",
                          "<tv><a></b></tv>", "<tv><![CDATA[x", "<tv a=\"1></tv>", "<tv><!-- open"}) {
    XmlReader whole(doc);
    const std::vector<std::string> expected = Names(whole);
    const XmlNode last = whole.Next();
    XmlReader xml;
    std::vector<std::string> seen;
    XmlNode n = XmlNode::NeedMore;
    for (const char* p = doc;; ++p) {
      if (*p) xml.Append(std::string_view(p, 1));
      else xml.EndOfInput();
      while ((n = xml.Next()) != XmlNode::NeedMore && n != XmlNode::End && n != XmlNode::Error) {
        if (n == XmlNode::StartElement) seen.push_back("<" + std::string(xml.Name()));
        if (n == XmlNode::EndElement) seen.push_back("/" + std::string(xml.Name()));
        if (n == XmlNode::Text) seen.push_back("'" + xml.Text());
      }
      if (n != XmlNode::NeedMore || !*p) break;
    }
    EXPECT_EQ(seen, expected) << doc;
    EXPECT_EQ(n, last) << doc;
  }
}

TEST(XmlReading, BrokenDocumentsEndInError) {
  for (const char* doc : {"<tv><a></b></tv>", "<tv><a>", "<tv", "<tv><!-- open", "<tv><![CDATA[x", "text<tv/>",
                          "<tv a=1/>", "<tv a=\"1></tv>", "", "<tv></tv x>"}) {
    XmlReader xml(doc);
    XmlNode n;
    int guard = 0;
    while ((n = xml.Next()) != XmlNode::End && n != XmlNode::Error && ++guard < 100) {
    }
    EXPECT_EQ(n, XmlNode::Error) << doc;
    EXPECT_EQ(xml.Next(), XmlNode::Error) << doc;  // and stays so
  }
  std::string deep;
  for (size_t i = 0; i <= XmlReader::kMaxDepth; ++i) deep += "<a>";
  XmlReader xml(deep);
  XmlNode n;
  while ((n = xml.Next()) == XmlNode::StartElement) {
  }
  EXPECT_EQ(n, XmlNode::Error);
}

TEST(GzipMembers, EveryMemberCheckedAndCeilingKept) {
  std::string out;
  ASSERT_EQ(Gunzip(kMember1 + kMember2, 1 << 20, out), GunzipStatus::Ok);
  EXPECT_EQ(out.size(), 185u);
  EXPECT_TRUE(out.starts_with("<tv><channel id=\"a\">"));
  EXPECT_TRUE(out.ends_with("</programme></tv>"));
  EXPECT_EQ(Gunzip(kMember1 + kMember2 + std::string(16, '\0'), 1 << 20, out), GunzipStatus::Ok);
  EXPECT_EQ(Gunzip(kMember1 + kMember2, 100, out), GunzipStatus::TooLarge);
  EXPECT_EQ(Gunzip("<tv/>", 1 << 20, out), GunzipStatus::NotGzip);
  std::string damaged = kMember2;
  damaged[damaged.size() - 6] ^= 1;  // the CRC
  EXPECT_EQ(Gunzip(damaged, 1 << 20, out), GunzipStatus::Corrupt);
  EXPECT_EQ(Gunzip(kMember2.substr(0, kMember2.size() - 3), 1 << 20, out), GunzipStatus::Corrupt);
  EXPECT_EQ(Gunzip(kMember1 + "\x1F\x8B", 1 << 20, out), GunzipStatus::Corrupt);
  EXPECT_EQ(Gunzip(kMember1 + "junk", 1 << 20, out), GunzipStatus::Corrupt);

  XmltvGuide guide;
  ASSERT_EQ(Gunzip(kMember1 + kMember2, 1 << 20, out), GunzipStatus::Ok);
  ASSERT_EQ(ParseXmltv(out, kMoscow, guide), XmltvStatus::Ok);
  ASSERT_EQ(guide.channels.size(), 1u);
  ASSERT_EQ(guide.channels[0].programmes.size(), 2u);
  EXPECT_EQ(guide.channels[0].programmes[0].text, "Gz & news");
  EXPECT_NEAR(guide.channels[0].programmes[0].start, At(2026, 12, 8, 21, 0), kSecond);
}

TEST(XmltvTimes, ZoneOffsetsToLocalTime) {
  DateTime t = 0;
  ASSERT_TRUE(ParseXmltvTime("20261208183000 +0300", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 8, 18, 30), kSecond);
  ASSERT_TRUE(ParseXmltvTime("20261208183000 -0500", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 9, 2, 30), kSecond);  // across midnight into the next day
  ASSERT_TRUE(ParseXmltvTime("20261208183000", kMoscow, t));  // no zone: UTC
  EXPECT_NEAR(t, At(2026, 12, 8, 21, 30), kSecond);
  ASSERT_TRUE(ParseXmltvTime("202612081830+03:00", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 8, 18, 30), kSecond);
  ASSERT_TRUE(ParseXmltvTime("20261231230000 Z", kMoscow, t));
  EXPECT_NEAR(t, At(2027, 1, 1, 2, 0), kSecond);  // and into the next year
  ASSERT_TRUE(ParseXmltvTime("20261208183015 +0545", nullptr, t));
  EXPECT_NEAR(t, At(2026, 12, 8, 12, 45, 15), kSecond);
  // The local offset is the one in force at that moment.
  const LocalOffsetAt summer = [](DateTime utc) { return utc >= EncodeDate(2026, 3, 29) ? 60 : 0; };
  ASSERT_TRUE(ParseXmltvTime("20260328120000 +0000", summer, t));
  EXPECT_NEAR(t, At(2026, 3, 28, 12, 0), kSecond);
  ASSERT_TRUE(ParseXmltvTime("20260330120000 +0000", summer, t));
  EXPECT_NEAR(t, At(2026, 3, 30, 13, 0), kSecond);
  // The zone names guides write, and times cut short as the format allows.
  ASSERT_TRUE(ParseXmltvTime("200007281733 BST", kMoscow, t));
  EXPECT_NEAR(t, At(2000, 7, 28, 19, 33), kSecond);
  ASSERT_TRUE(ParseXmltvTime("20261208183000 est", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 9, 2, 30), kSecond);
  ASSERT_TRUE(ParseXmltvTime("20261208183000 CEST", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 8, 19, 30), kSecond);
  ASSERT_TRUE(ParseXmltvTime("2026120818 MSK", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 8, 18, 0), kSecond);
  ASSERT_TRUE(ParseXmltvTime("20261208", kMoscow, t));
  EXPECT_NEAR(t, At(2026, 12, 8, 3, 0), kSecond);
  for (const char* bad : {"", "202612081", "20261308183000", "20260230120000", "20261208246000", "20261208183000 +3",
                          "20261208183000 XST", "2026-12-08 18:30", "202612081830001"})
    EXPECT_FALSE(ParseXmltvTime(bad, kMoscow, t)) << bad;
}

const char kGuide[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE tv SYSTEM "xmltv.dtd">
<tv generator-info-name="feed">
  <channel id="perviy.ru"><display-name lang="ru">Первый канал</display-name><display-name>Channel One</display-name>
    <icon src="http://h/1.png"/></channel>
  <channel id="Sport.ID"><display-name>СПОРТ</display-name></channel>
  <channel id="news"><display-name>News 24</display-name></channel>
  <programme start="20261208230000 +0300" stop="20261209010000 +0300" channel="perviy.ru">
    <title lang="ru">Вечерний
      фильм</title><title lang="en">Evening film</title><desc>Long text</desc></programme>
  <programme start="20261208210000 +0300" stop="20261208230000 +0300" channel="perviy.ru"><title><![CDATA[Время & <новости>]]></title></programme>
  <programme start="20261209020000 +0300" stop="20261209030000 +0300" channel="perviy.ru"><title>После паузы</title></programme>
  <programme start="20261208120000 +0000" stop="20261208130000 +0000" channel="news"><title>Noon &amp; more</title></programme>
  <programme start="garbage" channel="news"><title>Dropped</title></programme>
  <programme start="20261208120000 +0000" channel="undeclared"><title>Kept</title></programme>
</tv>
)";

TEST(XmltvGuides, ProgrammesSortedWithStopMarkers) {
  XmltvGuide guide;
  ASSERT_EQ(ParseXmltv(kGuide, kMoscow, guide), XmltvStatus::Ok);
  EXPECT_EQ(guide.programmeCount, 5u);
  ASSERT_EQ(guide.channels.size(), 4u);
  const XmltvChannel& one = guide.channels[0];
  EXPECT_EQ(one.id, "perviy.ru");
  EXPECT_EQ(one.names, (std::vector<std::string>{"Первый канал", "Channel One"}));
  // Sorted by start; a marker at the gap 01:00-02:00 and after the last stop.
  ASSERT_EQ(one.programmes.size(), 5u);
  EXPECT_EQ(one.programmes[0].text, "Время & <новости>");
  EXPECT_NEAR(one.programmes[0].start, At(2026, 12, 8, 21, 0), kSecond);
  EXPECT_EQ(one.programmes[1].text, "Вечерний фильм");  // the first title, on one line
  EXPECT_NEAR(one.programmes[1].start, At(2026, 12, 8, 23, 0), kSecond);
  EXPECT_EQ(one.programmes[2].text, "");
  EXPECT_NEAR(one.programmes[2].start, At(2026, 12, 9, 1, 0), kSecond);  // across midnight
  EXPECT_EQ(one.programmes[3].text, "После паузы");
  EXPECT_EQ(one.programmes[4].text, "");
  EXPECT_NEAR(one.programmes[4].start, At(2026, 12, 9, 3, 0), kSecond);
  EXPECT_EQ(guide.channels[2].programmes[0].text, "Noon & more");
  EXPECT_NEAR(guide.channels[2].programmes[0].start, At(2026, 12, 8, 15, 0), kSecond);
  EXPECT_EQ(guide.channels[3].id, "undeclared");
  ASSERT_EQ(guide.channels[3].programmes.size(), 1u);  // no stop, no marker

  GuideAnswer list = XmltvProgrammeList(one, "perviy.ru", -90);
  ASSERT_EQ(list->items.size(), 6u);
  EXPECT_EQ(list->items[0].text, "perviy.ru");
  EXPECT_EQ(list->items[0].start, 0);
  EXPECT_NEAR(list->items[1].start, At(2026, 12, 8, 19, 30), kSecond);
  EXPECT_TRUE(list->ascending);
}

// The zone's rules are asked once per minute, yet every time gets the
// offset in force at its own moment, a change of rules within the guide too.
TEST(XmltvGuides, TheZoneIsAskedOncePerMinute) {
  const DateTime change = At(2026, 3, 29, 1, 0);
  std::vector<DateTime> asked;
  const LocalOffsetAt summer = [&](DateTime utc) {
    asked.push_back(utc);
    return utc >= change - kSecond / 2 ? 60 : 0;
  };
  std::string doc = "<tv>";
  for (const char* start : {"20260329005900", "20260329005930", "20260329010000", "20260329010030", "20260329005915",
                            "20260329010000"})
    doc += std::string("<programme channel=\"c\" start=\"") + start + " +0000\"><title>" + start + "</title></programme>";
  doc += "</tv>";
  XmltvGuide guide;
  ASSERT_EQ(ParseXmltv(doc, summer, guide), XmltvStatus::Ok);
  ASSERT_EQ(asked.size(), 2u);  // 00:59 and 01:00
  std::vector<std::pair<std::string, DateTime>> local;
  for (const GuideProgramme& p : guide.channels.at(0).programmes)
    if (!p.text.empty()) local.emplace_back(p.text, p.start);
  ASSERT_EQ(local.size(), 6u);
  for (const auto& [text, at] : local) {
    DateTime utc = 0;
    ASSERT_TRUE(ParseXmltvTime(text + " +0000", nullptr, utc));
    EXPECT_NEAR(at, utc + (utc >= change - kSecond / 2 ? 1.0 / 24 : 0), kSecond) << text;
  }
}

std::string Summary(const XmltvGuide& guide) {
  std::string out = std::to_string(guide.programmeCount) + "/" + std::to_string(guide.unreadableTimes) + "/" +
                    std::to_string(guide.notInList) + "\n";
  for (const XmltvChannel& c : guide.channels) {
    out += c.id + ":";
    for (const std::string& name : c.names) out += name + ";";
    for (const GuideProgramme& p : c.programmes) out += std::to_string(std::llround(p.start * 86400)) + " " + p.text + ";";
    out += "\n";
  }
  return out;
}

// Read in pieces cut anywhere, a document gives what it gives read whole:
// the same guide, or the same fault.
TEST(XmltvGuides, ReadInPiecesCutAtEveryByte) {
  std::string wide = "\xFF\xFE";
  for (char32_t c : std::u32string(U"<tv><channel id=\"w\"><display-name>Ж\U0001F4FA</display-name></channel></tv>")) {
    const std::u16string units = c > 0xFFFF ? std::u16string{char16_t(0xD800 + ((c - 0x10000) >> 10)),
                                                             char16_t(0xDC00 + ((c - 0x10000) & 0x3FF))}
                                            : std::u16string{char16_t(c)};
    for (char16_t u : units) wide += {char(u & 0xFF), char(u >> 8)};
  }
  const std::string cut = std::string(kGuide).substr(0, std::string(kGuide).find("<programme start=\"20261209"));
  for (const std::string& doc :
       {std::string(kGuide), wide, cut, std::string("\xEF\xBB\xBF<tv><!-- a -- b --><c><![CDATA[]]>]]></c></tv>"),
        std::string("<?xml version=\"1.0\" encoding=\"windows-1251\"?><tv><channel id=\"c\"><display-name>\xCF\xE5"
                    "</display-name></channel></tv>"),
        std::string("<html>no</html>")}) {
    XmltvGuide whole;
    const XmltvStatus expected = ParseXmltv(doc, kMoscow, whole);
    // Two pieces cut at each byte, then a byte at a time.
    for (size_t at = 0; at <= doc.size() + 1; ++at) {
      XmltvStream stream(kMoscow);
      if (at <= doc.size()) {
        stream.Feed(doc.substr(0, at));
        stream.Feed(doc.substr(at));
      } else {
        for (char c : doc) stream.Feed(std::string_view(&c, 1));
      }
      XmltvGuide guide;
      ASSERT_EQ(stream.Finish(guide), expected) << "cut at " << at << " of " << doc;
      ASSERT_EQ(Summary(guide), Summary(whole)) << "cut at " << at << " of " << doc;
    }
  }
  XmltvGuide guide;
  ASSERT_EQ(ParseXmltv(wide, kMoscow, guide), XmltvStatus::Ok);
  EXPECT_EQ(guide.channels.at(0).names.at(0), "Ж\U0001F4FA");
}

// Given the list, the programmes of its channels are kept, the others only counted.
TEST(XmltvGuides, OnlyTheListsChannelsKeepTheirProgrammes) {
  const std::vector<XmltvListChannel> list = {{"Channel One", "", "", ""}, {"Nothing", "absent", "", ""}};
  XmltvStream stream(kMoscow, &list);
  ASSERT_TRUE(stream.Feed(kGuide));
  XmltvGuide guide;
  ASSERT_EQ(stream.Finish(guide), XmltvStatus::Ok);
  ASSERT_EQ(guide.channels.size(), 4u);  // every channel, for the matching
  EXPECT_EQ(guide.channels[0].programmes.size(), 5u);
  EXPECT_TRUE(guide.channels[2].programmes.empty());
  EXPECT_EQ(guide.programmeCount, 3u);
  EXPECT_EQ(guide.notInList, 3u);  // news's two (its "garbage" time not read) and the undeclared one
  EXPECT_EQ(guide.unreadableTimes, 0u);
  EXPECT_EQ(MatchXmltvChannels(guide, list), (std::vector<int>{0, -1}));
}

TEST(XmltvGuides, WhatIsNotAGuide) {
  XmltvGuide guide;
  EXPECT_EQ(ParseXmltv("<html><body>Not found</body></html>", kMoscow, guide), XmltvStatus::NotXmltv);
  EXPECT_EQ(ParseXmltv("PK\x03\x04", kMoscow, guide), XmltvStatus::NotXmltv);
  EXPECT_EQ(ParseXmltv("", kMoscow, guide), XmltvStatus::NotXmltv);
  // Cut short in its download: nothing of it counts.
  const std::string cut = std::string(kGuide).substr(0, std::string(kGuide).find("<programme start=\"20261209"));
  EXPECT_EQ(ParseXmltv(cut, kMoscow, guide), XmltvStatus::Malformed);
  EXPECT_TRUE(guide.channels.empty());
  EXPECT_TRUE(LooksLikeXmltv("\xEF\xBB\xBF  <tv>"));
  EXPECT_FALSE(LooksLikeXmltv("\x1F\x8B\x08"));
}

TEST(XmltvGuides, DeclaredAndMarkedEncodings) {
  XmltvGuide guide;
  ASSERT_EQ(ParseXmltv("<?xml version=\"1.0\" encoding=\"windows-1251\"?><tv><channel id=\"c\"><display-name>"
                       "\xCF\xE5\xF0\xE2\xFB\xE9</display-name></channel></tv>",
                       kMoscow, guide),
            XmltvStatus::Ok);
  EXPECT_EQ(guide.channels[0].names[0], "Первый");
  std::string wide = "\xFF\xFE";
  for (char c : std::string("<tv><channel id=\"w\"/></tv>")) wide += {c, '\0'};
  ASSERT_EQ(ParseXmltv(wide, kMoscow, guide), XmltvStatus::Ok);
  EXPECT_EQ(guide.channels[0].id, "w");
}

TEST(XmltvGuides, ChannelsMatchedByEachRuleInOrder) {
  XmltvGuide guide;
  ASSERT_EQ(ParseXmltv(kGuide, kMoscow, guide), XmltvStatus::Ok);
  const std::vector<XmltvListChannel> list = {
      {"Something", "PERVIY.RU", "", ""},          // tvg-id, whatever the case
      {"Something", "", "спорт", ""},              // tvg-name against display names
      {"channel one", "", "", ""},                 // the title
      {"Первый КАНАЛ", "missing", "missing", ""},  // rules that find nothing fall through
      {"News 24", "perviy.ru", "", "sport.id"},    // the settings' guide name first: an id
      {"Other", "", "", "News 24"},                // or a display name
      {"Other", "", "", "absent"},                 // an override that names nothing: the rules go on
      {"Nothing", "", "", ""},
  };
  EXPECT_EQ(MatchXmltvChannels(guide, list), (std::vector<int>{0, 1, 0, 0, 1, 2, -1, -1}));
}

}  // namespace
}  // namespace strevo
