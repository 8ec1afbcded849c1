#include "core/reports/LogTotals.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <new>
#include <utility>

#include "core/log/SessionPieces.h"

namespace {

// 1899-12-30, day 0, was a Saturday: day 5 of a week that starts on Monday.
constexpr std::int64_t kWeekdayOfDayZero = 5;

bool ByDay(const DayTotal& a, const DayTotal& b) {
    return a.day < b.day;
}

}  // namespace

double LogTotals::DayTotalOn(DateTime date) const {
    const DayTotal key{std::trunc(date), 0};
    const auto it = std::lower_bound(days_.begin(), days_.end(), key, ByDay);
    return it != days_.end() && it->day == key.day ? it->duration : 0;
}

const LogTotals& LogTotalsReader::Read(FileSystem& files, const std::string& path,
                                       const std::string& encodedPassword) {
    LogTotals& totals = totals_;
    totals.failed_ = LogTotals::Failure::None;
    totals.failureReason_.clear();
    totals.sessions_.clear();
    totals.days_.clear();
    slotOfDay_.clear();

    std::vector<DayTotal>& days = totals.days_;
    std::int32_t currentDay = -1;
    std::size_t currentSlot = 0;
    // Days in log order are appended as they come; the index of days is built only once a day
    // comes back out of order (a clock set back), since its nodes cost an allocation each.
    bool indexed = false;
    // Each day sums its pieces in log order, as the tree's day node does.
    auto addPiece = [&](DateTime pieceStart, DateTime pieceEnd) {
        // Accepted pairs start on day 0 or later, so the cast truncates to the piece's day.
        const auto day = static_cast<std::int32_t>(pieceStart);
        if (day != currentDay) {
            if (!indexed && (days.empty() || day > days.back().day)) {
                days.push_back(DayTotal{static_cast<DateTime>(day), 0, pieceStart, pieceEnd});
                currentSlot = days.size() - 1;
            } else {
                if (!indexed) {
                    for (std::size_t slot = 0; slot < days.size(); ++slot)
                        slotOfDay_.emplace(static_cast<std::int32_t>(days[slot].day), slot);
                    indexed = true;
                }
                const auto [slot, added] = slotOfDay_.try_emplace(day, days.size());
                if (added)
                    days.push_back(DayTotal{static_cast<DateTime>(day), 0, pieceStart, pieceEnd});
                currentSlot = slot->second;
            }
            currentDay = day;
        }
        DayTotal& total = days[currentSlot];
        total.duration += pieceEnd - pieceStart;
        if (pieceStart < total.firstStart) total.firstStart = pieceStart;
        if (pieceEnd > total.lastEnd) total.lastEnd = pieceEnd;
    };

    try {
        totals.failed_ = reader_.Read(
            files, path, encodedPassword,
            [&](std::size_t pairs) { totals.sessions_.reserve(pairs); },
            [&](DateTime start, DateTime end) {
                totals.sessions_.push_back(Session{start, end});
                SplitAtMidnights(start, end, addPiece);
            });
    } catch (const std::bad_alloc&) {
        throw;  // no fault of the file
    } catch (const std::exception& error) {
        totals.failed_ = LogTotals::Failure::ReadError;
        totals.failureReason_ = ::FailureReason(error);
    }
    // A log that could not be read all through counts nothing.
    if (totals.failed_ == LogTotals::Failure::ReadError) {
        totals.sessions_.clear();
        days.clear();
        return totals;
    }
    std::erase_if(days, [](const DayTotal& total) { return !(total.duration > 0); });
    // Only a clock set back leaves the days out of order.
    if (!std::is_sorted(days.begin(), days.end(), ByDay))
        std::sort(days.begin(), days.end(), ByDay);
    return totals;
}

LogTotals LogTotalsReader::Release() {
    LogTotals totals = std::move(totals_);
    totals_ = LogTotals();
    return totals;
}

LogTotals ReadLogTotals(FileSystem& files, const std::string& path,
                        const std::string& encodedPassword) {
    LogTotalsReader reader;
    reader.Read(files, path, encodedPassword);
    return reader.Release();
}

DateTime WeekStart(DateTime date, int firstDayOfWeek) {
    if (firstDayOfWeek < kMonday || firstDayOfWeek > kSunday) firstDayOfWeek = kMonday;
    // Far beyond any calendar (or NaN) there is no week to speak of.
    if (!(std::fabs(date) < 1e15)) return date;
    const auto day = static_cast<std::int64_t>(std::trunc(date));
    const std::int64_t weekday = ((day + kWeekdayOfDayZero) % 7 + 7) % 7;  // 0 = Monday
    const std::int64_t daysIntoWeek = (weekday - firstDayOfWeek + 7) % 7;
    return static_cast<DateTime>(day - daysIntoWeek);
}

IsoWeek IsoWeekOf(DateTime date) {
    // The Thursday of the week decides its year, and counts its weeks from the year's start.
    const DateTime thursday = WeekStart(date, kMonday) + 3;
    IsoWeek week;
    week.year = DecodeDate(thursday).Year;
    if (week.year == 0) return IsoWeek{};  // outside the years 1..9999
    const auto dayOfYear = static_cast<int>(thursday - EncodeDate(week.year, 1, 1));
    week.week = dayOfYear / 7 + 1;
    return week;
}

std::vector<WeekTotal> WeekTotals(const LogTotals& totals, int firstDayOfWeek) {
    return WeekTotals(totals.Days(), firstDayOfWeek);
}

std::vector<WeekTotal> WeekTotals(const std::vector<DayTotal>& days, int firstDayOfWeek) {
    std::vector<WeekTotal> weeks;
    for (const DayTotal& day : days) {
        const DateTime firstDay = WeekStart(day.day, firstDayOfWeek);
        if (weeks.empty() || weeks.back().firstDay != firstDay) {
            WeekTotal& week = weeks.emplace_back();
            week.firstDay = firstDay;
        }
        WeekTotal& week = weeks.back();
        week.days[static_cast<std::size_t>(day.day - firstDay)] = day.duration;
        week.total += day.duration;
    }
    return weeks;
}

CurrentTotals CurrentTotalsAt(const LogTotals& totals, DateTime now, int firstDayOfWeek) {
    CurrentTotals current;
    current.today = totals.DayTotalOn(now);
    const DateTime firstDay = WeekStart(now, firstDayOfWeek);
    const auto& days = totals.Days();
    auto it = std::lower_bound(days.begin(), days.end(), DayTotal{firstDay, 0}, ByDay);
    for (; it != days.end() && it->day < firstDay + 7; ++it) current.thisWeek += it->duration;
    return current;
}
