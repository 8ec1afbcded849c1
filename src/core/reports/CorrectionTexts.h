#pragma once

// What the Add Time and Remove Time dialogs show: From and To to start with, and the line that
// says what OK will do, in the user's words.

#include <string>

#include "core/log/Corrections.h"
#include "core/log/PeriodKind.h"
#include "core/log/Span.h"
#include "core/time/DateTimeFormat.h"

// From and To for the selected period: a session piece's start and end (rounded out to whole
// minutes), else the first and the last minute of its day, month or year (for the whole log,
// of its first and last day). To is never after now, rounded down to the minute.
Span PrefillRange(PeriodKind kind, DateTime start, DateTime end, DateTime now);

// The line for a planned change of `kind` (AddTime or RemoveTime):
//   "Adds 1:30 to Wednesday, December 9, 2026"
//   "Adds 26:00 between Monday, December 7, 2026 and Tuesday, December 8, 2026"
//   "Adds nothing: all of this time is recorded already"
//   "Removes 0:45 from 2 sessions"
//   "Removes 9:15 from 6 sessions between Monday, December 7, 2026 and Wednesday, ..."
//   "Removes nothing: no recorded time lies between From and To"
// and a refusal's own text. Days are those of the time added or removed, in the long date format.
std::string CorrectionLine(ChangeKind kind, const CorrectionResult& result,
                           const LocaleFormats& formats);
