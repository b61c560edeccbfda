#include "guide/jtv.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "jtv_fakes.h"

namespace strevo {
namespace {

using testing::JtvEntry;
using testing::MakeJtv;
using testing::MemoryGuideFiles;
using testing::Ticks;

const std::string kBase = "C:\\Strevo\\TVGuide\\First";

std::string Cp1251(std::string_view utf8) { return Utf8ToCodePage(utf8, 1251); }

TEST(JtvReader, ReadsBothPairsAfterOneHeaderFolder99First) {
  MemoryGuideFiles fs;
  fs.AddPair(kBase, MakeJtv({{Ticks(2026, 12, 6, 20, 0), Cp1251("Время")},
                             {Ticks(2026, 12, 6, 21, 0), "Kino\\nPart 2"}}));
  fs.AddPair("C:\\Strevo\\TVGuide\\99\\First", MakeJtv({{Ticks(2026, 12, 6, 6, 0), "Morning"}}));
  GuideAnswer a;
  ASSERT_EQ(ReadGuide(kBase, fs, 1251, a), GuideStatus::Ok);
  ASSERT_TRUE(a);
  ASSERT_EQ(a->items.size(), 4u);
  EXPECT_EQ(a->items[0].text, kBase);
  EXPECT_EQ(a->items[0].start, 0);
  EXPECT_EQ(a->items[1].text, "Morning");
  EXPECT_EQ(a->items[2].text, "Время");  // 1251 bytes become UTF-8
  EXPECT_EQ(a->items[3].text, "Kino\\nPart 2");  // the line-break mark is kept as it is
  EXPECT_EQ(a->items[2].start, EncodeDateTime({2026, 12, 6, 20, 0, 0, 0}));
  EXPECT_TRUE(a->ascending);
}

TEST(JtvReader, FileTimeIsWallClockWithoutZoneShift) {
  EXPECT_EQ(Ticks(2026, 12, 6, 18, 30), 134410554000000000ULL);  // the fixture's own arithmetic
  MemoryGuideFiles fs;
  fs.AddPair(kBase, MakeJtv({{134410554000000000ULL, "News"}}));
  GuideAnswer a;
  ASSERT_EQ(ReadGuide(kBase, fs, 1251, a), GuideStatus::Ok);
  ASSERT_EQ(a->items.size(), 2u);
  EXPECT_EQ(FormatDateTime("yyyy-MM-dd HH:mm:ss", a->items[1].start), "2026-12-06 18:30:00");
  EXPECT_DOUBLE_EQ(a->items[1].start, EncodeDate(2026, 12, 6) + 18.5 / 24);
}

TEST(JtvReader, CountZeroIsAHeaderOnlyListAndAHalfPairIsNoGuide) {
  MemoryGuideFiles fs;
  fs.AddPair(kBase, MakeJtv({}));
  GuideAnswer a;
  ASSERT_EQ(ReadGuide(kBase, fs, 1251, a), GuideStatus::Ok);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->items.size(), 1u);

  // Only the index of the main pair, only the text file in 99: nothing is read.
  MemoryGuideFiles half;
  half.files[kBase + ".ndx"] = MakeJtv({{Ticks(2026, 1, 1, 0, 0), "x"}}).ndx;
  half.files["C:\\Strevo\\TVGuide\\99\\First.pdt"] = "JTV";
  ASSERT_EQ(ReadGuide(kBase, half, 1251, a), GuideStatus::Ok);
  EXPECT_FALSE(a);
  EXPECT_EQ(half.reads, 0);

  // A half pair in 99 does not stop the main pair from being read.
  half.AddPair(kBase, MakeJtv({{Ticks(2026, 1, 1, 0, 0), "x"}}));
  ASSERT_EQ(ReadGuide(kBase, half, 1251, a), GuideStatus::Ok);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->items.size(), 2u);
}

TEST(JtvReader, ShortTextsAreNamedByTheirLengthAndZeroBytesEndThem) {
  MemoryGuideFiles fs;
  testing::JtvPair p = MakeJtv({{Ticks(2026, 1, 1, 10, 0), std::string("Early\0junk", 10)},
                                {Ticks(2026, 1, 1, 11, 0), std::string(87, 'z')}});
  p.pdt.resize(p.pdt.size() - 1);  // the last record loses its last byte
  fs.AddPair(kBase, p);
  GuideAnswer a;
  ASSERT_EQ(ReadGuide(kBase, fs, 1251, a), GuideStatus::Ok);
  ASSERT_EQ(a->items.size(), 3u);
  EXPECT_EQ(a->items[1].text, "Early");
  EXPECT_EQ(a->items[2].text, "Нет информации (87)");
}

TEST(JtvReader, RecordsOverTheLimitAreCutNotDropped) {
  MemoryGuideFiles fs;
  std::string longText(6000, 'a');
  longText[4999] = 'b';
  longText[5000] = 'c';
  fs.AddPair(kBase, MakeJtv({{Ticks(2026, 1, 1, 10, 0), longText}, {Ticks(2026, 1, 1, 11, 0), "After"}}));
  GuideAnswer a;
  ASSERT_EQ(ReadGuide(kBase, fs, 1251, a), GuideStatus::Ok);
  ASSERT_EQ(a->items.size(), 3u);
  EXPECT_EQ(a->items[1].text.size(), kGuideTextMax);
  EXPECT_EQ(a->items[1].text.back(), 'b');
  EXPECT_EQ(a->items[2].text, "After");
}

TEST(JtvReader, BrokenFilesAreIoErrorsThatAreNotCached) {
  const testing::JtvPair good = MakeJtv({{Ticks(2026, 1, 1, 10, 0), "One"}, {Ticks(2026, 1, 1, 11, 0), "Two"}});
  struct Case {
    const char* what;
    void (*spoil)(MemoryGuideFiles&);
  } cases[] = {
      {"index shorter than its count", [](MemoryGuideFiles& f) { f.files[kBase + ".ndx"].pop_back(); }},
      {"index without a count", [](MemoryGuideFiles& f) { f.files[kBase + ".ndx"] = "\x01"; }},
      {"offset past the end",
       [](MemoryGuideFiles& f) { f.files[kBase + ".pdt"].resize(f.files[kBase + ".pdt"].size() - 7); }},
      {"length field cut in half",
       [](MemoryGuideFiles& f) {
         std::string& ndx = f.files[kBase + ".ndx"];
         const size_t last = static_cast<size_t>(static_cast<uint8_t>(ndx[24]));
         f.files[kBase + ".pdt"].resize(last + 1);
       }},
      {"text file cannot be read", [](MemoryGuideFiles& f) { f.unreadable.insert(kBase + ".pdt"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryGuideFiles fs;
    fs.AddPair(kBase, good);
    c.spoil(fs);
    GuideCache cache;
    GuideAnswer a;
    EXPECT_EQ(cache.Get(kBase, fs, 1251, a), GuideStatus::IoError);
    EXPECT_FALSE(a);
    EXPECT_EQ(cache.size(), 0u);
    // Mended on disk, the next request reads the files again.
    fs.unreadable.clear();
    fs.AddPair(kBase, good);
    ASSERT_EQ(cache.Get(kBase, fs, 1251, a), GuideStatus::Ok);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->items.size(), 3u);
  }
}

TEST(JtvCache, AnswersIncludingNoGuideAreReadOnceUntilCleared) {
  MemoryGuideFiles fs;
  fs.AddPair(kBase, MakeJtv({{Ticks(2026, 1, 1, 10, 0), "One"}}));
  GuideCache cache;
  GuideAnswer a, b;
  ASSERT_EQ(cache.Get(kBase, fs, 1251, a), GuideStatus::Ok);
  const int readsAfterFirst = fs.reads;
  fs.files.clear();  // changes on disk are not noticed while cached
  ASSERT_EQ(cache.Get(kBase, fs, 1251, b), GuideStatus::Ok);
  EXPECT_EQ(a, b);
  EXPECT_EQ(fs.reads, readsAfterFirst);

  // "No guide" is an answer too; the key is the exact path.
  fs.files[kBase + "2.ndx"] = "\0\0";
  ASSERT_EQ(cache.Get(kBase + "2", fs, 1251, a), GuideStatus::Ok);
  EXPECT_FALSE(a);
  fs.AddPair(kBase + "2", MakeJtv({}));
  ASSERT_EQ(cache.Get(kBase + "2", fs, 1251, a), GuideStatus::Ok);
  EXPECT_FALSE(a);
  ASSERT_EQ(cache.Get("c:\\strevo\\tvguide\\first2", fs, 1251, a), GuideStatus::Ok);
  EXPECT_FALSE(a);
  EXPECT_EQ(cache.size(), 3u);

  cache.Clear();
  ASSERT_EQ(cache.Get(kBase + "2", fs, 1251, a), GuideStatus::Ok);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->items.size(), 1u);
}

TEST(JtvReader, DescendingStartsAreMarked) {
  MemoryGuideFiles fs;
  fs.AddPair(kBase, MakeJtv({{Ticks(2026, 1, 1, 10, 0), "A"}, {Ticks(2026, 1, 1, 9, 0), "B"}}));
  GuideAnswer a;
  ASSERT_EQ(ReadGuide(kBase, fs, 1251, a), GuideStatus::Ok);
  EXPECT_FALSE(a->ascending);
}

}  // namespace
}  // namespace strevo
