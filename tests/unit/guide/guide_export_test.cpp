#include "guide/guide_export.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "base/codepage.h"
#include "jtv_fakes.h"

namespace strevo {
namespace {

using testing::MakeJtv;
using testing::MemoryGuideFiles;
using testing::Ticks;

const std::string kCaption = "Телепрограмма";
const std::string kExe = "C:\\Strevo\\Strevo.exe";
const std::string kFolder = "C:\\Strevo\\TVGuide\\";

// The names a Russian user's locale gives.
LocaleNames Russian() {
  LocaleNames n = LocaleNames::English();
  n.longDays = {"понедельник", "вторник", "среда", "четверг", "пятница", "суббота", "воскресенье"};
  n.longMonths = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                  "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
  n.genitiveMonths = {"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                      "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
  return n;
}

GuidePageLooks Looks(bool maximised = false) {
  GuidePageLooks l;
  l.caption = kCaption;
  l.exePath = kExe;
  l.maximised = maximised;
  l.names = Russian();
  return l;
}

DateTime At(int day, int h, int m) { return EncodeDateTime({2026, 12, day, h, m, 0, 0}); }

// The channel page's fixed pieces, written out as the page format gives them.
std::string PageHead(const std::string& ch, const std::string& fs = "8") {
  return "<html><head><title>" + kCaption + " \"" + ch + "\"</title>\r\n" +
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\r\n" +
         "<META http-equiv=\"MSThemeCompatible\" Content=\"Yes\">\r\n" +
         "<HTA:APPLICATION id=\"jtvHTA\" applicationName=\"" + kCaption + " " + ch + "\" icon=\"" + kExe +
         "\" border=\"solid\" borderStyle=\"normal\" caption=\"yes\" maximizeButton=\"no\" minimizeButton=\"no\"\r\n" +
         " showInTaskbar=\"no\" windowState=\"normal\" innerBorder=\"no\" navigable=\"yes\" scroll=\"none\" "
         "scrollFlat=\"no\" singleInstance=\"yes\" sysMenu=\"yes\" contextMenu=\"no\" selection=\"yes\" "
         "version=\"1.0\"></head>\r\n" +
         "<style>td {font-family:tahoma;font-size:" + fs +
         "pt;} a {text-decoration:none;color:WindowText} .dt {text-align:right;width:40px;} .cnt {text-align:left;"
         "width:100%;}</style>\r\n" +
         "<body style=\"color:WindowText;background:Window;margin:3px;border:none;background:ButtonFace;"
         "cursor:default;\">\r\n" +
         "<table border=0 cellspacing=0 cellpadding=2 style=\"width:100%;\">\r\n" +
         "<tr><td colspan=2 style=\"font-size:14pt;\"><b>" + ch + "</b></td></tr>\r\n";
}
std::string Heading(const std::string& text) {
  return "<tr><td colspan=2 style=\"font-size:12pt;\"><br><b>" + text + "</b></td></tr>\r\n";
}
const std::string kMark = " style=\"color:HighlightText;background:Highlight;\" id=\"curtr\" ";
std::string Row(const std::string& hl, const std::string& clock, const std::string& text) {
  return "<tr" + hl + "><td class=dt valign=top><b>" + clock + "&nbsp;</b></td><td class=cnt>" + text +
         "</td></tr>\r\n";
}
const std::string kPageEnd =
    "</table><script language=\"JavaScript\">try{document.body.scrollTop=curtr.offsetTop;}catch(ignore){}"
    "</script></body></html>";

std::string IndexHead() {
  return "<html><head><title>" + kCaption + "</title>\r\n" + "<LINK rel=\"shortcut icon\" href=\"tvg.ico\">\r\n" +
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\r\n" +
         "<META http-equiv=\"MSThemeCompatible\" Content=\"Yes\">\r\n" +
         "<HTA:APPLICATION id=\"jtvHTA\" applicationName=\"" + kCaption + "\" icon=\"" + kExe +
         "\" border=\"solid\" borderStyle=\"normal\" caption=\"yes\"\r\n" +
         " maximizeButton=\"yes\" minimizeButton=\"yes\" showInTaskbar=\"yes\" \r\n" +
         " windowState=\"normal\" innerBorder=\"no\" navigable=\"yes\" scroll=\"none\" scrollFlat=\"no\" "
         "singleInstance=\"yes\" sysMenu=\"yes\" contextMenu=\"no\" selection=\"yes\" version=\"1.0\"></head>\r\n" +
         "<style>td {font-family:tahoma;font-size:8pt;} a {text-decoration:none;color:WindowText}</style>\r\n" +
         "<body style=\"color:WindowText;background:Window;margin:0px;padding:0px;border:none;"
         "background:ButtonFace;cursor:default;\" scroll=\"no\">\r\n" +
         "<table border=0 cellspacing=0 cellpadding=0 style=\"width:100%;height:100%;\">\r\n" +
         "<tr><td style=\"font-size:14pt;width:170px;\">&nbsp;<b>" + kCaption +
         "<br>&nbsp;<span style=\"font-size:10pt;\" id=\"cnm\"></span></b></td>\r\n" +
         "<td rowspan=2><iframe src=\"empty.htm\" frameborder=0 name=ifr style=\"width:100%;height:100%;"
         "border-left:1px solid ButtonShadow;\"></iframe></td></tr>\r\n" +
         "<tr><td style=\"padding-left:20px;height:100%;\" valign=\"top\"><div style=\"height:100%;overflow:auto;\">";
}
std::string Link(int n, const std::string& title) {
  return "<a target=\"ifr\" onclick=\"cnm.innerHTML=this.innerHTML;\" href=\"" + std::to_string(n) + ".htm\">&raquo " +
         title + "</a><br>";
}
const std::string kIndexEnd = "</div></td></tr>\r\n</table></body></html>";

ProgrammeList List(std::vector<std::pair<DateTime, std::string>> programmes) {
  ProgrammeList l;
  l.items.push_back({"base", 0});
  for (auto& [start, text] : programmes) l.items.push_back({text, start});
  return l;
}

TEST(GuideFormat, MonthsAfterADayNumberTakeTheirGenitiveName) {
  const LocaleNames ru = Russian();
  const DateTime t = At(8, 0, 30);
  EXPECT_EQ(FormatDateTime("dd MMMM yyyy г.", t, ru), "08 декабря 2026 г.");
  EXPECT_EQ(FormatDateTime("d MMMM", t, ru), "8 декабря");
  EXPECT_EQ(FormatDateTime("MMMM yyyy", t, ru), "Декабрь 2026");
  EXPECT_EQ(FormatDateTime("dddd MMMM", t, ru), "вторник Декабрь");  // a weekday is no day number
  EXPECT_EQ(FormatDateTime("'d' MMMM", t, ru), "d Декабрь");         // nor is quoted text
  // A locale without genitive names keeps its one name.
  EXPECT_EQ(FormatDateTime("dd MMMM yyyy", t), "08 December 2026");
}

// A programme at 00:30 with a correction of -1 hour is shown at 23:30 under
// the day before; the programme on air is marked and selected in the list.
TEST(ChannelPage, ShiftedDaysMarkAndLines) {
  const ProgrammeList l = List({{At(7, 22, 0), "Вечерние новости"},
                                {At(8, 0, 30), "Ночной фильм\\nЧасть 1"},
                                {At(8, 2, 0), "Утро"}});
  int calls = 0;
  const ChannelPage page = BuildChannelPage(l, "Первый канал", -1, At(7, 23, 45), Looks(), [&] { ++calls; });
  EXPECT_EQ(page.html, PageHead("Первый канал") + Heading("понедельник 07 декабря 2026 г.") +
                           Row("", "21:00", "Вечерние новости") + Row(kMark, "23:30", "Ночной фильм<br>Часть 1") +
                           Heading("вторник 08 декабря 2026 г.") + Row(" ", "01:00", "Утро") + kPageEnd);
  EXPECT_EQ(page.lines, (std::vector<std::string>{"", " понедельник 07 декабря 2026 г.", "",
                                                  "   21:00  Вечерние новости", "   23:30  Ночной фильм Часть 1", "",
                                                  " вторник 08 декабря 2026 г.", "", "   01:00  Утро"}));
  EXPECT_EQ(page.selectedLine, 4);
  EXPECT_EQ(calls, 3);

  // Without the correction the 00:30 programme has a day of its own.
  const ChannelPage plain = BuildChannelPage(l, "Первый канал", 0, At(7, 23, 45), Looks(true));
  EXPECT_EQ(plain.html, PageHead("Первый канал", "14") + Heading("понедельник 07 декабря 2026 г.") +
                            Row(kMark, "22:00", "Вечерние новости") + Heading("вторник 08 декабря 2026 г.") +
                            Row(" ", "00:30", "Ночной фильм<br>Часть 1") + Row(" ", "02:00", "Утро") + kPageEnd);
  EXPECT_EQ(plain.selectedLine, 3);
}

TEST(ChannelPage, NothingMarkedOnceEveryFollowerHasStarted) {
  const ProgrammeList l = List({{At(7, 10, 0), "A"}, {At(7, 11, 0), "B"}});
  // Past the last start: the last programme has no follower and is never marked.
  ChannelPage page = BuildChannelPage(l, "X", 0, At(7, 12, 0), Looks());
  EXPECT_EQ(page.html, PageHead("X") + Heading("понедельник 07 декабря 2026 г.") + Row("", "10:00", "A") +
                           Row("", "11:00", "B") + kPageEnd);
  EXPECT_EQ(page.selectedLine, -1);
  // A follower starting exactly now has started.
  page = BuildChannelPage(l, "X", 0, At(7, 11, 0), Looks());
  EXPECT_EQ(page.selectedLine, -1);
  page = BuildChannelPage(l, "X", 0, At(7, 10, 59), Looks());
  EXPECT_EQ(page.selectedLine, 3);
  // A list with its header only: the fixed pieces, nothing between them.
  EXPECT_EQ(BuildChannelPage(List({}), "X", 0, At(7, 10, 0), Looks()).html, PageHead("X") + kPageEnd);
}

TEST(ChannelPage, TitlesAndTextsAreNeverTakenForMarkup) {
  EXPECT_EQ(HtmlText("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
  const ProgrammeList l = List({{At(7, 10, 0), "<script>alert(1)</script> Tom & Jerry\\n2"}, {At(7, 11, 0), "B"}});
  GuidePageLooks looks = Looks();
  looks.exePath = "C:\\A&B\\Strevo.exe";
  const ChannelPage page = BuildChannelPage(l, "Кино \"<HD>\"", 0, At(7, 12, 0), looks);
  EXPECT_EQ(page.html.find("<script>alert"), std::string::npos);
  EXPECT_NE(page.html.find("&lt;script&gt;alert(1)&lt;/script&gt; Tom &amp; Jerry<br>2"), std::string::npos);
  EXPECT_NE(page.html.find("<title>" + kCaption + " \"Кино &quot;&lt;HD&gt;&quot;\"</title>"), std::string::npos);
  EXPECT_NE(page.html.find("icon=\"C:\\A&amp;B\\Strevo.exe\""), std::string::npos);
  // The list box shows the text itself.
  EXPECT_EQ(page.lines[3], "   10:00  <script>alert(1)</script> Tom & Jerry 2");
}

class MemoryExportFiles : public ExportFiles {
 public:
  std::map<std::string, std::string> files;
  std::string refused;  // a path whose writes fail
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  bool WriteWhole(const std::string& path, std::string_view bytes) override {
    if (path == refused) return false;
    files[path] = std::string(bytes);
    return true;
  }
};

class ExportAll : public ::testing::Test {
 protected:
  const std::vector<std::string> titles{"Файл или поток", "Первый", "Второй", "Без записи", "Третий", "Первый"};
  const std::vector<std::string> mrls{"?", "udp://@239.0.0.1:1234", "http://x/2", "http://x/3", "http://x/4",
                                      "http://x/5"};
  ConfigList config{"?Globals|", "?|||||||||||||||One|0|",
                    "udp://@239.0.0.1:1234|0|0|0|0|0|0|0|0|0|0|0|0|0|0|One|0|0|0|",
                    "http://x/2|0|0|0|0|0|0|0|0|0|0|0|0|0|0|Two|-1|0|0|",
                    "http://x/4|0|0|0|0|0|0|0|0|0|0|0|0|0|0|Gone|0|0|0|",
                    "http://x/5|0|0|0|0|0|0|0|0|0|0|0|0|0|0|Five|0|0|0|"};
  MemoryGuideFiles guide;
  GuideCache cache;
  MemoryExportFiles out;
  const std::string dest = "C:\\Temp\\Strevo.Tmp";

  void SetUp() override {
    guide.AddPair(kFolder + "One", MakeJtv({{Ticks(2026, 12, 7, 20, 0), "Fun"}, {Ticks(2026, 12, 7, 21, 0), "End"}}));
    guide.AddPair(kFolder + "Two", MakeJtv({{Ticks(2026, 12, 8, 0, 30), Utf8ToCodePage("Ночь", 1251)},
                                            {Ticks(2026, 12, 8, 1, 0), "Day"}}));
    guide.AddPair(kFolder + "Five", MakeJtv({{Ticks(2026, 12, 7, 20, 0), "Own"}, {Ticks(2026, 12, 7, 21, 0), "x"}}));
  }
  GuideContext Context(int current) {
    return GuideContext{titles, mrls, current, config, kFolder, cache, guide, 1251, At(7, 20, 30), ""};
  }
  std::string Page(size_t n) { return out.files.at(dest + "\\" + std::to_string(n) + ".htm"); }
};

TEST_F(ExportAll, PagesIndexAndBlankFrame) {
  ExportAllChannels(Context(2), Looks(), out, dest, true);
  // Nothing was there before, so the frame opens blank.
  EXPECT_EQ(out.files.at(dest + "\\index.htm"),
            IndexHead() + Link(1, "Первый") + Link(2, "Второй") + Link(5, "Первый") + kIndexEnd);
  EXPECT_EQ(out.files.at(dest + "\\empty.htm"), "<html><body style=\"background:ButtonFace;\"></body></html>");
  EXPECT_EQ(Page(1), PageHead("Первый") + Heading("понедельник 07 декабря 2026 г.") + Row(kMark, "20:00", "Fun") +
                         Row(" ", "21:00", "End") + kPageEnd);
  // The correction of the second channel moves its 00:30 under the day before.
  EXPECT_EQ(Page(2), PageHead("Второй") + Heading("понедельник 07 декабря 2026 г.") + Row(kMark, "23:30", "Ночь") +
                         Heading("вторник 08 декабря 2026 г.") + Row(" ", "00:00", "Day") + kPageEnd);
  // A second channel of the same title shows its own guide.
  EXPECT_NE(Page(5).find("Own"), std::string::npos);
  EXPECT_EQ(out.files.size(), 5u);  // no page for the channels without a guide
}

TEST_F(ExportAll, ASecondExportOpensTheCurrentPageAndKeepsOldPages) {
  ExportAllChannels(Context(2), Looks(), out, dest, true);
  // The guide of channel 1 disappears; channel 4 (never exported) stays without a page.
  guide.files.erase(kFolder + "One.ndx");
  cache.Clear();
  out.refused = dest + "\\5.htm";
  out.files.erase(dest + "\\5.htm");
  const std::string oldFirst = Page(1);
  ExportAllChannels(Context(2), Looks(), out, dest, true);
  EXPECT_EQ(Page(1), oldFirst);
  EXPECT_EQ(out.files.at(dest + "\\index.htm"),
            IndexHead() + "<script>try{ifr.document.location.href='2.htm';}catch(ignore){};</script>\r\n" +
                Link(1, "Первый") + Link(2, "Второй") + kIndexEnd);
  // A folder given by the user never opens a page by itself.
  ExportAllChannels(Context(2), Looks(), out, dest, false);
  EXPECT_EQ(out.files.at(dest + "\\index.htm"), IndexHead() + Link(1, "Первый") + Link(2, "Второй") + kIndexEnd);
  // The current channel without a page opens nothing.
  ExportAllChannels(Context(3), Looks(), out, dest, true);
  EXPECT_EQ(out.files.at(dest + "\\index.htm").find("<script>try{ifr"), std::string::npos);
}

TEST_F(ExportAll, UnreadableGuideFilesGiveNoPage) {
  guide.unreadable.insert(kFolder + "Two.pdt");
  ExportAllChannels(Context(1), Looks(), out, dest, false);
  EXPECT_EQ(out.files.count(dest + "\\2.htm"), 0u);
  EXPECT_EQ(out.files.at(dest + "\\index.htm"), IndexHead() + Link(1, "Первый") + Link(5, "Первый") + kIndexEnd);
  // The error was not cached: once readable, the page comes.
  guide.unreadable.clear();
  ExportAllChannels(Context(1), Looks(), out, dest, false);
  EXPECT_EQ(out.files.count(dest + "\\2.htm"), 1u);
}

// An XMLTV guide's lists come before the guide files, for channels with a
// record and without one, and keep the record's correction.
TEST_F(ExportAll, XmltvListsComeBeforeGuideFiles) {
  auto xml = [](std::vector<std::pair<DateTime, std::string>> programmes) {
    auto l = std::make_shared<ProgrammeList>(List(std::move(programmes)));
    l->endMarkers = true;
    return l;
  };
  std::vector<GuideAnswer> lists(titles.size());
  // Empty texts mark stop times: the end of a programme before a gap, and of the last one.
  lists[1] = xml({{At(7, 20, 0), "Xml news"}, {At(7, 20, 20), ""}, {At(8, 0, 30), "Xml night"}, {At(8, 1, 0), ""}});
  lists[3] = xml({{At(7, 19, 0), "Film & more"}, {At(7, 21, 0), "Late"}, {At(7, 22, 0), ""}});
  GuideContext ctx = Context(2);
  ctx.listGuides = &lists;
  // A list replaced while the windows run changes nothing of this export.
  bool replaced = false;
  ExportAllChannels(ctx, Looks(), out, dest, false, [&] {
    if (!replaced) lists.assign(titles.size(), nullptr);
    replaced = true;
  });
  EXPECT_EQ(Page(1), PageHead("Первый") + Heading("понедельник 07 декабря 2026 г.") + Row("", "20:00", "Xml news") +
                         Heading("вторник 08 декабря 2026 г.") + Row(" ", "00:30", "Xml night") + kPageEnd);
  // Channel 2 has no list: its files, shifted by its record, as before.
  EXPECT_NE(Page(2).find(Row(kMark, "23:30", "Ночь")), std::string::npos);
  EXPECT_EQ(Page(3), PageHead("Без записи") + Heading("понедельник 07 декабря 2026 г.") +
                         Row(kMark, "19:00", "Film &amp; more") + Row(" ", "21:00", "Late") + kPageEnd);
  EXPECT_EQ(out.files.at(dest + "\\index.htm"), IndexHead() + Link(1, "Первый") + Link(2, "Второй") +
                                                     Link(3, "Без записи") + Link(5, "Первый") + kIndexEnd);

  // One channel's page and list lines, by position, take the same list.
  lists[2] = xml({{At(8, 0, 30), "Xml two"}, {At(8, 2, 0), "x"}, {At(8, 3, 0), ""}});
  const auto page = ChannelPageOf(ctx, 2, "Второй", Looks());
  ASSERT_TRUE(page);
  EXPECT_EQ(page->lines, (std::vector<std::string>{"", " понедельник 07 декабря 2026 г.", "", "   23:30  Xml two",
                                                   "", " вторник 08 декабря 2026 г.", "", "   01:00  x"}));
  EXPECT_EQ(page->selectedLine, 3);
  // The last programme is on air until its stop, and nothing after it.
  ctx.now = At(8, 1, 30);
  EXPECT_EQ(ChannelPageOf(ctx, 2, "Второй", Looks())->selectedLine, 7);
  ctx.now = At(8, 2, 30);
  EXPECT_EQ(ChannelPageOf(ctx, 2, "Второй", Looks())->selectedLine, -1);
  EXPECT_FALSE(ChannelPageOf(ctx, 4, "Третий", Looks()));  // neither a list nor files
}

}  // namespace
}  // namespace strevo
