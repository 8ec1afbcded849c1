#pragma once

#include "core/reports/WeekTable.h"

// The user's first day of the week as LOCALE_IFIRSTDAYOFWEEK gives it (0 = Monday .. 6 =
// Sunday), Monday when the locale says nothing; read afresh on each call.
int UserFirstDayOfWeek();

// The user's weekday names, Monday first; English where the locale gives none.
DayNames UserDayNames();
