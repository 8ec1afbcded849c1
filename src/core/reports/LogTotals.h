#pragma once

// Logged time per calendar day, per week and per session, read from the whole log: the figures
// behind the report window, the tray tip and the CSV export. The log is read by the same rules
// as the tree (log/SessionPieces.h), so a day here always matches the tree's day.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/log/SessionPieces.h"

// One recorded pair as logged, not split at midnight.
struct Session {
    DateTime start = 0;
    DateTime end = 0;
};

// A calendar day with logged time.
struct DayTotal {
    DateTime day = 0;     // the day's midnight
    double duration = 0;  // in days: the sum of the day's session pieces, in log order
    // The earliest start and the latest end of the day's pieces, whatever their order in the
    // log; a piece that runs to midnight ends at the next day's midnight.
    DateTime firstStart = 0;
    DateTime lastEnd = 0;
};

class LogTotals {
  public:
    // What ended the read early: a pair that is no plausible session (the pairs before it are
    // counted), or the file itself (nothing is counted).
    using Failure = LogReadFailure;

    Failure Failed() const { return failed_; }
    // Why the file could not be read, in the system's words; empty when unknown.
    const std::string& FailureReason() const { return failureReason_; }
    // The pairs counted: every pair, or those before the incorrect record; 0 after a read error.
    std::size_t ValidPairs() const { return sessions_.size(); }
    // The counted pairs in log order.
    const std::vector<Session>& Sessions() const { return sessions_; }
    // Days whose pieces sum to more than zero, oldest first. A day holding only sessions of
    // zero length has no logged time and is left out.
    const std::vector<DayTotal>& Days() const { return days_; }
    // The logged time of the day holding `date`, in days; 0 for a day without.
    double DayTotalOn(DateTime date) const;

  private:
    friend class LogTotalsReader;

    Failure failed_ = Failure::None;
    std::string failureReason_;
    std::vector<Session> sessions_;
    std::vector<DayTotal> days_;
};

// Reads the whole log and counts it. Keeps its memory between reads, since the tray tip counts
// a long log again every minute.
class LogTotalsReader {
  public:
    const LogTotals& Read(FileSystem& files, const std::string& path,
                          const std::string& encodedPassword);
    const LogTotals& Totals() const { return totals_; }
    // Hands the last totals over; the next read starts without reusable memory.
    LogTotals Release();

  private:
    LogTotals totals_;
    LogSessionReader reader_;
    std::unordered_map<std::int32_t, std::size_t> slotOfDay_;
};

LogTotals ReadLogTotals(FileSystem& files, const std::string& path,
                        const std::string& encodedPassword);

// Weeks start on `firstDayOfWeek`, numbered as Windows' LOCALE_IFIRSTDAYOFWEEK gives it:
// 0 = Monday .. 6 = Sunday; other numbers count as Monday.
inline constexpr int kMonday = 0;
inline constexpr int kSunday = 6;

// Midnight of the first day of the week holding `date`.
DateTime WeekStart(DateTime date, int firstDayOfWeek);

// ISO 8601 week: weeks start on Monday, and week 1 holds the year's first Thursday, so the
// days around New Year may belong to the week-numbering year before or after.
struct IsoWeek {
    int year = 0;
    int week = 0;  // 1..53
};
IsoWeek IsoWeekOf(DateTime date);

struct WeekTotal {
    DateTime firstDay = 0;         // midnight of the week's first day
    std::array<double, 7> days{};  // logged time of each day from the first day on, in days
    double total = 0;              // the sum of the seven days
};

// Weeks with logged time, oldest first (a list shown newest first walks it backwards). With
// kMonday these are the ISO 8601 weeks.
std::vector<WeekTotal> WeekTotals(const LogTotals& totals, int firstDayOfWeek);
// The same of days with logged time, oldest first.
std::vector<WeekTotal> WeekTotals(const std::vector<DayTotal>& days, int firstDayOfWeek);

// The logged time of the day and of the week holding `now`, in days.
struct CurrentTotals {
    double today = 0;
    double thisWeek = 0;
};
CurrentTotals CurrentTotalsAt(const LogTotals& totals, DateTime now, int firstDayOfWeek);
