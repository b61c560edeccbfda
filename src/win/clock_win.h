// The program's one reading of the local wall clock (see base/clock.h for the
// test variable that shifts and speeds it up).
#pragma once
#include <windows.h>

#include "base/datetime.h"

namespace strevo {

DateTime ClockNow();
// A timer interval in real milliseconds for `ms` of the program's clock.
unsigned ClockInterval(unsigned ms);

// The program's date-time as the system's calendar record and back.
SYSTEMTIME ToSystemTime(DateTime value);
DateTime FromSystemTime(const SYSTEMTIME& st);
// How many times as fast as real time the program's clock runs at most (1
// normally).
double ClockSpeed();
// Milliseconds of the program's clock from an arbitrary start, for measuring
// lengths: unlike ClockNow(), it never jumps when the wall clock is set or
// summer time begins or ends.
int64_t ClockTicks();

}  // namespace strevo
