// The program's date-time value: days since 30 December 0000 in the proleptic
// Gregorian calendar as a double, so that 1 January 0001 00:00 is 1.0; the
// fraction is the time of day. Local wall-clock time everywhere.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace strevo {

using DateTime = double;

struct DateTimeParts {
  int year = 1, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// Whole day number of a calendar date (0001-01-01 = 1).
int64_t DayNumber(int year, int month, int day);
DateTime EncodeDateTime(const DateTimeParts& p);
DateTime EncodeDate(int year, int month, int day);
// Rounds to the millisecond; 23:59:59.9996 becomes 00:00 of the next day.
DateTimeParts DecodeDateTime(DateTime value);
// 1 = Monday ... 7 = Sunday.
int DayOfWeek(DateTime value);
// FILETIME ticks (100 ns since 1601-01-01) taken as they are, without any
// time-zone shift.
DateTime FileTimeToDateTime(uint64_t ticks);

// Names for the "ddd"/"dddd"/"MMM"/"MMMM" pictures; index 0 is Monday / January.
// Some languages name a month differently after a day number ("8 декабря"
// but "декабрь"): "MMMM" takes `genitiveMonths` when the picture also holds a
// day number ("d" or "dd"), as Windows does; empty entries fall back to
// `longMonths`.
struct LocaleNames {
  std::array<std::string, 7> shortDays, longDays;
  std::array<std::string, 12> shortMonths, longMonths;
  std::array<std::string, 12> genitiveMonths;
  static const LocaleNames& English();
};

// Formats with a picture string: d dd ddd dddd, M MM MMM MMMM, yy yyyy,
// H HH h hh, m mm, s ss, t tt; text in single quotes and every other
// character is copied as it is.
std::string FormatDateTime(std::string_view picture, DateTime value,
                           const LocaleNames& names = LocaleNames::English());

}  // namespace strevo
