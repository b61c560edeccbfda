#include "guide/guide_display.h"

#include <gtest/gtest.h>

#include <random>

#include "base/codepage.h"
#include "jtv_fakes.h"

namespace strevo {
namespace {

using testing::MakeJtv;
using testing::MemoryGuideFiles;
using testing::Ticks;

const std::string kUpdate = "Обновить телепрограмму";

DateTime At(int h, int m, int day = 6) { return EncodeDateTime({2026, 12, day, h, m, 0, 0}); }

ProgrammeList List(std::vector<std::pair<DateTime, std::string>> programmes) {
  ProgrammeList l;
  l.items.push_back({"base", 0});
  for (auto& [start, text] : programmes) {
    if (l.items.size() > 1 && start < l.items.back().start) l.ascending = false;
    l.items.push_back({text, start});
  }
  return l;
}

std::string Bar(int marks, int dots) { return std::string(marks, '!') + std::string(dots, '.'); }

TEST(GuideNowText, HalfWayThroughAProgramme) {
  const ProgrammeList l = List({{At(18, 0), "News"}, {At(19, 0), "Film\\nPart one"}, {At(20, 0), "Late"}});
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 30), 0, GuideTextMode::Osd, 40, kUpdate),
            "(50%)\r  Film\rPart one\r  19:00 " + Bar(35, 35) + " 20:00");
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 30), 0, GuideTextMode::Summary, 40, kUpdate),
            "{19:00-20:00, 50% \"Film Part one\"}");
  // A programme that starts exactly now is on air from its first minute.
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 0), 0, GuideTextMode::Summary, 40, kUpdate),
            "{19:00-20:00, 0% \"Film Part one\"}");
}

TEST(GuideNowText, LongTextsAreCutByCharactersNotBytes) {
  const std::string text41 = "Очень длинное название передачи на вечер!";  // 41 characters
  ASSERT_EQ(Utf8ToCodePage(text41, 1251).size(), 41u);
  const ProgrammeList l = List({{At(19, 0), text41}, {At(20, 0), "x"}});
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 30), 0, GuideTextMode::Summary, 40, kUpdate),
            "{19:00-20:00, 50% \"Очень длинное название передачи на вечер...\"}");
  const ProgrammeList l40 = List({{At(19, 0), text41.substr(0, text41.size() - 1)}, {At(20, 0), "x"}});
  EXPECT_EQ(GuideNowTextOf(&l40, At(19, 30), 0, GuideTextMode::Summary, 40, kUpdate),
            "{19:00-20:00, 50% \"Очень длинное название передачи на вечер\"}");
}

TEST(GuideNowText, ShiftMovesTimesAndDecidesWhatIsOnAir) {
  const ProgrammeList l = List({{At(15, 0), "Before"}, {At(16, 0), "Shifted"}, {At(17, 0), "After"}});
  // 19:30 against starts three hours later: the 16:00 programme, shown 19:00-20:00.
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 30), 3, GuideTextMode::Osd, 40, kUpdate),
            "(50%)\r  Shifted\r  19:00 " + Bar(35, 35) + " 20:00");
  EXPECT_EQ(GuideNowTextOf(&l, At(15, 30), -1, GuideTextMode::Summary, 40, kUpdate),
            "{15:00-16:00, 50% \"Shifted\"}");
}

TEST(GuideNowText, RunOutNotStartedAndEmptyGuides) {
  const ProgrammeList l = List({{At(19, 0), "Film"}, {At(20, 0), "Late"}});
  // Past the last start: the guide has run out.
  EXPECT_EQ(GuideNowTextOf(&l, At(20, 30), 0, GuideTextMode::Osd, 40, kUpdate), "\r Обновить телепрограмму!");
  EXPECT_EQ(GuideNowTextOf(&l, At(20, 30), 0, GuideTextMode::Summary, 40, kUpdate), "");
  // Before the first start the previous programme is "nothing since day 0".
  EXPECT_EQ(GuideNowTextOf(&l, At(18, 0), 0, GuideTextMode::Osd, 40, kUpdate),
            "(100%)\r  \r  00:00 " + Bar(70, 0) + " 19:00");
  // No guide, or a guide without programmes: nothing at all.
  EXPECT_EQ(GuideNowTextOf(nullptr, At(19, 30), 0, GuideTextMode::Osd, 40, kUpdate), "");
  const ProgrammeList empty = List({});
  EXPECT_EQ(GuideNowTextOf(&empty, At(19, 30), 0, GuideTextMode::Osd, 40, kUpdate), "");
}

TEST(GuideNowText, EqualLastStartsShowNoBar) {
  const ProgrammeList l = List({{At(18, 0), "News"}, {At(19, 0), "Film"}, {At(19, 0), "Film again"}});
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 30), 0, GuideTextMode::Osd, 40, kUpdate), "\r Обновить телепрограмму!");
  EXPECT_EQ(GuideNowTextOf(&l, At(19, 0), 0, GuideTextMode::Summary, 40, kUpdate), "");
  // The bar stays for the programme before them.
  EXPECT_EQ(GuideNowTextOf(&l, At(18, 30), 0, GuideTextMode::Summary, 40, kUpdate), "{18:00-19:00, 50% \"News\"}");
}

// The walk as it reads: from the first programme, stop at the first that
// starts after now.
OnAir Walk(const ProgrammeList& l, DateTime now, int shift) {
  OnAir r, cur;
  for (size_t k = 1; k < l.items.size(); ++k) {
    r = cur;
    cur = {l.items[k].text, l.items[k].start + shift / 24.0, 0};
    if (now < cur.start) break;
  }
  return {r.text, r.start, cur.start};
}

TEST(GuideNowText, FindsWhatTheWalkFindsInOrderedAndUnorderedFiles) {
  std::mt19937 rng(18);
  for (int round = 0; round < 400; ++round) {
    const bool ordered = round % 2 == 0;
    std::vector<std::pair<DateTime, std::string>> ps;
    DateTime t = At(6, 0);
    const int n = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
      // Equal starts now and then; unordered lists jump back as well.
      const int step = static_cast<int>(rng() % 4) - (ordered ? 0 : 2);
      t += step * 0.5 / 24;
      ps.push_back({t, "p" + std::to_string(i)});
    }
    const ProgrammeList l = List(ps);
    const DateTime now = At(5, 0) + (rng() % 2000) / 1440.0;
    const int shift = static_cast<int>(rng() % 5) - 2;
    const OnAir want = Walk(l, now, shift), got = FindOnAir(l, now, shift);
    SCOPED_TRACE(round);
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(got.start, want.start);
    EXPECT_EQ(got.nextStart, want.nextStart);
  }
  // One unordered file by hand: 11:30 finds 10:00 even though 11:00 comes later.
  const ProgrammeList l = List({{At(10, 0), "A"}, {At(12, 0), "B"}, {At(11, 0), "C"}, {At(13, 0), "D"}});
  ASSERT_FALSE(l.ascending);
  EXPECT_EQ(GuideNowTextOf(&l, At(11, 30), 0, GuideTextMode::Summary, 40, kUpdate), "{10:00-12:00, 75% \"A\"}");
}

TEST(GuideNowText, ChannelsFindTheirGuideByTheirOwnRecord) {
  const std::vector<std::string> titles{"Файл или поток", "One", "Two", "Three"};
  const std::vector<std::string> mrls{"?", "udp://@239.0.0.1:1234", "http://x/2", "http://x/3"};
  ConfigList config{"?Globals|", "?|||||||||||||||Default|5|",
                    "udp://@239.0.0.1:1234|0|0|0|0|0|0|0|0|0|0|0|0|0|0|First|+3x|0|0|",
                    "http://x/2|0|0|0|0|0|0|0|0|0|0|0|0|0|0||2|0|0|"};
  const std::string folder = "C:\\Strevo\\TVGuide\\";
  ChannelGuide g = ChannelGuideOf(titles, mrls, config, "One", folder);
  EXPECT_EQ(g.basePath, folder + "First");
  EXPECT_EQ(g.shiftHours, 3);
  g = ChannelGuideOf(titles, mrls, config, "Two", folder);  // empty name: no guide
  EXPECT_EQ(g.basePath, "");
  EXPECT_EQ(g.shiftHours, 2);
  g = ChannelGuideOf(titles, mrls, config, "Three", folder);  // the default record does not count
  EXPECT_EQ(g.basePath, "");
  EXPECT_EQ(g.shiftHours, 0);
  EXPECT_EQ(ChannelGuideOf(titles, mrls, config, "Nowhere", folder).basePath, "");

  MemoryGuideFiles fs;
  fs.AddPair(folder + "First", MakeJtv({{Ticks(2026, 12, 6, 16, 0), "Shifted"}, {Ticks(2026, 12, 6, 17, 0), "x"}}));
  fs.files[folder + ".ndx"] = "\0\0";
  fs.files[folder + ".pdt"] = "";
  GuideCache cache;
  GuideContext ctx{titles, mrls, 1, config, folder, cache, fs, 1251, At(19, 30), kUpdate};
  EXPECT_EQ(GuideNowText(ctx, "$cur", GuideTextMode::Summary), "{19:00-20:00, 50% \"Shifted\"}");
  EXPECT_EQ(GuideNowText(ctx, "One", GuideTextMode::Summary), "{19:00-20:00, 50% \"Shifted\"}");
  EXPECT_EQ(GuideNowText(ctx, "Two", GuideTextMode::Summary), "");
  EXPECT_EQ(cache.size(), 1u);  // the empty name read nothing
  ctx.currentIndex = 7;
  EXPECT_EQ(GuideNowText(ctx, "$cur", GuideTextMode::Summary), "");

  // An XMLTV guide's list comes first; the record's correction still counts.
  auto xml = std::make_shared<ProgrammeList>(List({{At(17, 0), "From XMLTV"}, {At(19, 0), ""}}));
  const std::vector<GuideAnswer> lists{nullptr, nullptr, xml, nullptr};
  ctx.listGuides = &lists;
  ctx.currentIndex = 1;
  EXPECT_EQ(GuideNowText(ctx, "Two", GuideTextMode::Summary), "{19:00-21:00, 25% \"From XMLTV\"}");
  EXPECT_EQ(GuideNowText(ctx, "One", GuideTextMode::Summary), "{19:00-20:00, 50% \"Shifted\"}");  // JTV still
  const std::vector<GuideAnswer> shorter{nullptr};
  ctx.listGuides = &shorter;
  EXPECT_EQ(GuideNowText(ctx, "Two", GuideTextMode::Summary), "");
}

TEST(GuideSummaries, EveryChannelByItsOwnPositionAsTheTitleLookUpFindsIt) {
  // Two channels share the title "News" but not their records and guides.
  const std::vector<std::string> titles{"Файл или поток", "News", "Plain", "News", "Listed"};
  const std::vector<std::string> mrls{"?", "udp://@239.0.0.1:1234", "http://x/2", "udp://@239.0.0.3:1234",
                                      "http://x/4"};
  ConfigList config{"?Globals|", "?|||||||||||||||Default|5|",
                    "udp://@239.0.0.1:1234|0|0|0|0|0|0|0|0|0|0|0|0|0|0|First|1|0|0|",
                    "udp://@239.0.0.3:1234|0|0|0|0|0|0|0|0|0|0|0|0|0|0|Third|0|0|0|",
                    // A later record under the same key is not the channel's.
                    "udp://@239.0.0.1:1234|0|0|0|0|0|0|0|0|0|0|0|0|0|0|Third|0|0|0|"};
  const std::string folder = "C:\\Strevo\\TVGuide\\";
  MemoryGuideFiles fs;
  fs.AddPair(folder + "First", MakeJtv({{Ticks(2026, 12, 6, 18, 0), "First news"}, {Ticks(2026, 12, 6, 19, 0), "x"}}));
  fs.AddPair(folder + "Third", MakeJtv({{Ticks(2026, 12, 6, 19, 0), "Third news"}, {Ticks(2026, 12, 6, 21, 0), "y"}}));
  auto xml = std::make_shared<ProgrammeList>(List({{At(19, 0), "From XMLTV"}, {At(20, 0), ""}}));
  const std::vector<GuideAnswer> lists{nullptr, nullptr, nullptr, nullptr, xml};
  GuideCache cache;
  GuideContext ctx{titles, mrls, 1, config, folder, cache, fs, 1251, At(19, 30), kUpdate, &lists};

  const std::vector<std::string> all = GuideSummaries(ctx);
  EXPECT_EQ(all, (std::vector<std::string>{"", "{19:00-20:00, 50% \"First news\"}", "",
                                           "{19:00-21:00, 25% \"Third news\"}", "{19:00-20:00, 50% \"From XMLTV\"}"}));
  // The title look-up finds the first "News", as the summaries do for it.
  EXPECT_EQ(GuideNowText(ctx, "News", GuideTextMode::Summary), all[1]);
  EXPECT_EQ(GuideNowText(ctx, "Listed", GuideTextMode::Summary), all[4]);
  // Texts are cut as elsewhere.
  EXPECT_EQ(GuideSummaries(ctx, 5)[3], "{19:00-21:00, 25% \"Third...\"}");
}

TEST(OsdText, MessagesAdjustmentsAndChannels) {
  EXPECT_TRUE(IsOsdMessage("#Обновить телепрограмму : Error!"));
  EXPECT_FALSE(IsOsdMessage("$vol"));
  EXPECT_FALSE(IsOsdMessage(""));
  EXPECT_EQ(OsdMessageText("#Обновить телепрограмму : 312 Kb"), "\r  Обновить телепрограмму : 312 Kb");

  EXPECT_EQ(OsdAdjustmentText("Громкость", 100, 100), "\r  Громкость -  " + Bar(67, 0) + "  100%");
  EXPECT_EQ(OsdAdjustmentText("Громкость", 0, 100), "\r  Громкость -  " + Bar(0, 66) + "  0%");
  EXPECT_EQ(OsdAdjustmentText("Контраст", 100, 200), "\r  Контраст -  " + Bar(33, 33) + "  50%");
  EXPECT_EQ(OsdAdjustmentText("Масштаб", 5, 0), "\r  Масштаб -  " + Bar(0, 66) + "  0%");
  EXPECT_EQ(AdjustmentLabel(1), "Контраст");
  EXPECT_EQ(AdjustmentLabel(4), "Насыщенность");
  EXPECT_EQ(AdjustmentLabel(6), "Масштаб");
  EXPECT_EQ(AdjustmentLabel(0), "Громкость");
  EXPECT_EQ(AdjustmentLabel(7), "Громкость");

  EXPECT_EQ(OsdChannelText(3, "Спорт", At(19, 30) + 5.0 / 86400, ""), "  №3 - Спорт. 19:30:05 ");
}

}  // namespace
}  // namespace strevo
