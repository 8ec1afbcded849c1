#pragma once

#include "core/time/DateTimeFormat.h"

// The user's short date, long time, AM/PM markers and month names, read afresh on each call.
LocaleFormats UserLocaleFormats();
