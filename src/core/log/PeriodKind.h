#pragma once

// What a period of the log is: the whole log, a year, a month, a day or a piece of a session
// within one day. The tree shows periods; a rewrite deletes one.

#include <cstdint>

enum class PeriodKind : std::uint8_t { Total, Year, Month, Day, Session };
