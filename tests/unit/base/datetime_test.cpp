#include "base/datetime.h"

#include <gtest/gtest.h>

namespace strevo {
namespace {

TEST(DateTime, DayNumbersAtCalendarEdges) {
  EXPECT_EQ(DayNumber(1, 1, 1), 1);
  EXPECT_EQ(DayNumber(1, 12, 31), 365);
  EXPECT_EQ(DayNumber(4, 12, 31), 4 * 365 + 1);  // year 4 is a leap year
  // 1600 is a leap year, 1700 and 1900 are not, 2000 is.
  EXPECT_EQ(DayNumber(1601, 1, 1) - DayNumber(1600, 12, 31), 1);
  EXPECT_EQ(DayNumber(1601, 1, 1) - DayNumber(1600, 1, 1), 366);
  EXPECT_EQ(DayNumber(1900, 3, 1) - DayNumber(1900, 2, 28), 1);
  EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2);
  EXPECT_EQ(DayNumber(2024, 3, 1) - DayNumber(2024, 2, 29), 1);
  // 1899-12-30 is the day count origin of OLE dates: 693594 days after 0001-01-01.
  EXPECT_EQ(DayNumber(1899, 12, 30), 693594);
  EXPECT_EQ(DayNumber(1970, 1, 1), 719163);
}

TEST(DateTime, RoundTripAndWeekDays) {
  for (auto [y, m, d] : {std::tuple{1600, 12, 31}, {1900, 2, 28}, {1900, 3, 1}, {2024, 2, 29}, {9999, 12, 31}}) {
    DateTimeParts p{y, m, d, 13, 45, 30, 0};
    DateTimeParts back = DecodeDateTime(EncodeDateTime(p));
    EXPECT_EQ(back.year, y);
    EXPECT_EQ(back.month, m);
    EXPECT_EQ(back.day, d);
    EXPECT_EQ(back.hour, 13);
    EXPECT_EQ(back.minute, 45);
    EXPECT_EQ(back.second, 30);
  }
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 1);        // a Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 1);    // a Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 4);    // a Thursday
  EXPECT_EQ(DayOfWeek(EncodeDate(1900, 3, 1) + 0.99), 4);
}

TEST(DateTime, MillisecondRoundingCarriesIntoTheNextDay) {
  DateTime almost = EncodeDate(2024, 2, 29) + (86400000.0 - 0.3) / 86400000.0;
  DateTimeParts p = DecodeDateTime(almost);
  EXPECT_EQ(p.month, 3);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.hour, 0);
}

TEST(DateTime, FileTimeWithoutTimeZoneShift) {
  EXPECT_EQ(FileTimeToDateTime(0), EncodeDate(1601, 1, 1));
  // 2024-01-02 03:04:06 UTC as FILETIME ticks.
  const uint64_t ticks = 133486382460000000ULL;
  DateTimeParts p = DecodeDateTime(FileTimeToDateTime(ticks));
  EXPECT_EQ(FormatDateTime("yyyy-MM-dd HH:mm:ss", FileTimeToDateTime(ticks)), "2024-01-02 03:04:06");
  EXPECT_EQ(p.second, 6);
}

TEST(DateTime, Pictures) {
  DateTime t = EncodeDateTime({2026, 12, 6, 7, 5, 9, 0});
  EXPECT_EQ(FormatDateTime("dd.MM.yyyy", t), "06.12.2026");
  EXPECT_EQ(FormatDateTime("HH:mm", t), "07:05");
  EXPECT_EQ(FormatDateTime("yyyyMMdd", t), "20261206");
  EXPECT_EQ(FormatDateTime("HHmmss", t), "070509");
  EXPECT_EQ(FormatDateTime("dd:MM:yyyy", t), "06:12:2026");
  EXPECT_EQ(FormatDateTime("HH:mm:ss", t), "07:05:09");
  EXPECT_EQ(FormatDateTime("dddd, d MMMM", t), "Sunday, 6 December");
  EXPECT_EQ(FormatDateTime("'at' H'h'", t), "at 7h");
  LocaleNames ru = LocaleNames::English();
  ru.longDays[6] = "воскресенье";
  EXPECT_EQ(FormatDateTime("dddd", t, ru), "воскресенье");
}

}  // namespace
}  // namespace strevo
