#pragma once

// The tray tip while logging: its first line says since when, the second how much today and
// this week.

#include <cstddef>
#include <string>

#include "core/reports/Weeks.h"

// "Today 3:05, this week 21:40"
std::string TotalsLine(const CurrentTotals& totals);

// The first line and the second below it when both fit in `capacity` characters; otherwise the
// first line alone, cut to the capacity.
std::string TrayTipText(const std::string& firstLine, const std::string& secondLine,
                        std::size_t capacity);
// The same with a third line below, left out when it does not fit or is empty.
std::string TrayTipText(const std::string& firstLine, const std::string& secondLine,
                        const std::string& thirdLine, std::size_t capacity);
