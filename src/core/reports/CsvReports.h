#pragma once

// The CSV export of the logged time: RFC 4180 text in ASCII, comma separated, every line ended
// by CRLF, a header line first. Built from counted totals rather than the file, so that an
// export can still write the pairs before an incorrect record.

#include <string>

#include "core/log/LogFile.h"
#include "core/reports/LogTotals.h"

enum class CsvKind {
    Days,      // Date,Duration,Hours: one row per day with logged time, oldest first
    Weeks,     // Week,Monday,..,Sunday,Total: one row per ISO 8601 week with logged time
    Sessions,  // Start,End,Duration,Hours: one row per counted pair, in log order
    // Date,Start,End,Breaks,Worked,Target,Difference,Note: one row per calendar day; needs the
    // working-time settings, the marks and "now" besides the log (TimesheetCsv)
    Timesheet,
};

// The exact bytes of the file of a kind made of the log alone; throws std::invalid_argument
// for a timesheet.
std::string CsvText(const LogTotals& totals, CsvKind kind);

// The temporary file an export writes beside its target before putting it in place.
std::string CsvTemporaryPath(const std::string& path);

// Writes `text` to `path` in one step: a failure leaves the old file, or none, and no
// temporary file behind. Throws IoError.
void WriteCsvFile(FileSystem& files, const std::string& path, const std::string& text);
