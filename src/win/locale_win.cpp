#include "win/locale_win.h"

#include <windows.h>

#include "win/util_win.h"

namespace strevo {
namespace {

// One picture of a date through the user's default locale.
std::string DatePicture(WORD year, WORD month, WORD day, const wchar_t* picture) {
  SYSTEMTIME st{};
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  wchar_t buf[128] = L"";
  if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, picture, buf, 128) <= 0) return {};
  return Narrow(buf);
}

}  // namespace

LocaleNames UserLocaleNames() {
  LocaleNames names = LocaleNames::English();
  // 2001-01-01 was a Monday.
  for (WORD i = 0; i < 7; ++i) {
    if (std::string s = DatePicture(2001, 1, 1 + i, L"ddd"); !s.empty()) names.shortDays[i] = s;
    if (std::string s = DatePicture(2001, 1, 1 + i, L"dddd"); !s.empty()) names.longDays[i] = s;
  }
  for (WORD m = 0; m < 12; ++m) {
    if (std::string s = DatePicture(2001, m + 1, 1, L"MMM"); !s.empty()) names.shortMonths[m] = s;
    if (std::string s = DatePicture(2001, m + 1, 1, L"MMMM"); !s.empty()) names.longMonths[m] = s;
    // After a day number: the formatter declines the month there; the day and
    // the blank before it are cut off again.
    const std::string withDay = DatePicture(2001, m + 1, 1, L"d MMMM");
    if (withDay.size() > 2 && withDay.compare(0, 2, "1 ") == 0) names.genitiveMonths[m] = withDay.substr(2);
  }
  return names;
}

}  // namespace strevo
