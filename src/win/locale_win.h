// The user's locale as the date pictures need it.
#pragma once
#include "base/datetime.h"

namespace strevo {

// Day and month names of the user's default locale, the month names after a
// day number included (where the language declines them), as the system's
// date formatting gives them.
LocaleNames UserLocaleNames();

}  // namespace strevo
