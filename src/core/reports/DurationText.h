#pragma once

// Durations as the user reads them, in the tree, the reports, the tray tip and the CSV files.

#include <cstddef>
#include <string>

// "%d:%.2d" of whole hours and rounded minutes (ties to even); minutes that round to 60 carry
// into the hours. Hours are never folded into days.
std::string DurationText(double days);

// A duration in days as decimal hours with two decimals and a point, whatever the locale:
// "8.92". Ties round half to even, as the minutes of DurationText do.
std::string DecimalHoursText(double days);

// "1 session", "12 sessions".
std::string SessionCountText(std::size_t count);
