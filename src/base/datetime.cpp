#include "base/datetime.h"

#include <cmath>

namespace strevo {

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12) return 0;
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 of a proleptic Gregorian date (valid for any year).
static constexpr int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

static void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Constant, so that dates encoded while other files' statics are set up are right.
static constexpr int64_t kDay1 = DaysFromCivil(1, 1, 1);  // day number 1

int64_t DayNumber(int year, int month, int day) { return DaysFromCivil(year, month, day) - kDay1 + 1; }

DateTime EncodeDate(int year, int month, int day) { return static_cast<double>(DayNumber(year, month, day)); }

DateTime EncodeDateTime(const DateTimeParts& p) {
  double ms = ((p.hour * 60.0 + p.minute) * 60.0 + p.second) * 1000.0 + p.millisecond;
  return EncodeDate(p.year, p.month, p.day) + ms / 86400000.0;
}

DateTimeParts DecodeDateTime(DateTime value) {
  double dayPart = std::floor(value);
  int64_t day = static_cast<int64_t>(dayPart);
  int64_t ms = std::llround((value - dayPart) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++day;
  }
  DateTimeParts p;
  CivilFromDays(day - 1 + kDay1, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

int DayOfWeek(DateTime value) {
  int64_t d = static_cast<int64_t>(std::trunc(value));
  int64_t r = (d + 6) % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

DateTime FileTimeToDateTime(uint64_t ticks) {
  static const double kEpoch = EncodeDate(1601, 1, 1);
  // Whole days and the remainder apart, so the day count loses no precision.
  const uint64_t perDay = 864000000000ULL;
  return kEpoch + static_cast<double>(ticks / perDay) + static_cast<double>(ticks % perDay) / perDay;
}

const LocaleNames& LocaleNames::English() {
  static const LocaleNames names{
      {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"},
      {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
      {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
      {"January", "February", "March", "April", "May", "June", "July", "August", "September",
       "October", "November", "December"}};
  return names;
}

static void Pad(std::string& out, int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) out.append(width - s.size(), '0');
  out += s;
}

// Whether the picture holds a day number ("d" or "dd") outside quoted text.
static bool HasDayNumber(std::string_view pic) {
  for (size_t i = 0; i < pic.size();) {
    if (pic[i] == '\'') {
      const size_t e = pic.find('\'', i + 1);
      if (e == std::string_view::npos) return false;
      i = e + 1;
      continue;
    }
    size_t n = 1;
    while (i + n < pic.size() && pic[i + n] == pic[i]) ++n;
    if (pic[i] == 'd' && n <= 2) return true;
    i += n;
  }
  return false;
}

std::string FormatDateTime(std::string_view pic, DateTime value, const LocaleNames& names) {
  const DateTimeParts p = DecodeDateTime(value);
  const int dow = DayOfWeek(value) - 1;
  const bool genitive = HasDayNumber(pic);
  std::string out;
  size_t i = 0;
  while (i < pic.size()) {
    char c = pic[i];
    if (c == '\'') {
      size_t e = pic.find('\'', i + 1);
      if (e == std::string_view::npos) e = pic.size();
      out.append(pic.substr(i + 1, e - i - 1));
      i = e + 1;
      continue;
    }
    size_t n = 1;
    while (i + n < pic.size() && pic[i + n] == c) ++n;
    switch (c) {
      case 'd':
        if (n == 1) Pad(out, p.day, 1);
        else if (n == 2) Pad(out, p.day, 2);
        else if (n == 3) out += names.shortDays[dow];
        else out += names.longDays[dow];
        break;
      case 'M':
        if (n <= 2) Pad(out, p.month, static_cast<int>(n));
        else if (n == 3) out += names.shortMonths[p.month - 1];
        else if (genitive && !names.genitiveMonths[p.month - 1].empty()) out += names.genitiveMonths[p.month - 1];
        else out += names.longMonths[p.month - 1];
        break;
      case 'y':
        if (n <= 2) Pad(out, p.year % 100, static_cast<int>(n));
        else Pad(out, p.year, 4);
        break;
      case 'H': Pad(out, p.hour, n >= 2 ? 2 : 1); break;
      case 'h': Pad(out, p.hour % 12 == 0 ? 12 : p.hour % 12, n >= 2 ? 2 : 1); break;
      case 'm': Pad(out, p.minute, n >= 2 ? 2 : 1); break;
      case 's': Pad(out, p.second, n >= 2 ? 2 : 1); break;
      case 't': out += n >= 2 ? (p.hour < 12 ? "AM" : "PM") : (p.hour < 12 ? "A" : "P"); break;
      default: out.append(n, c); break;
    }
    i += n;
  }
  return out;
}

}  // namespace strevo
