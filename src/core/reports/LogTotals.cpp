#include "core/reports/LogTotals.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <utility>

#include "core/reports/DurationText.h"

namespace {

bool ByDay(const DayTotal& a, const DayTotal& b) {
    return a.day < b.day;
}

// The first start: no log file yet, but the folder it will be created in exists.
bool IsNotYetCreated(FileSystem& files, const std::string& path) {
    if (files.Exists(path)) return false;
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return true;  // the current folder
    const std::string folder = path.substr(0, slash);
    // "C:\" keeps its backslash: "C:" alone would mean the drive's current folder.
    if (folder.size() == 2 && folder[1] == ':') return files.Exists(folder + path[slash]);
    return folder.empty() || files.Exists(folder);
}

}  // namespace

double LogTotals::DayTotalOn(DateTime date) const {
    const DayTotal key{std::trunc(date), 0};
    const auto it = std::lower_bound(days_.begin(), days_.end(), key, ByDay);
    return it != days_.end() && it->day == key.day ? it->duration : 0;
}

double LogTotals::Total() const {
    double total = 0;
    for (const DayTotal& day : days_) total += day.duration;
    return total;
}

const LogTotals& LogTotalsReader::Read(FileSystem& files, const LogTarget& log, SessionSink* also,
                                       bool keepSessions) {
    LogTotals& totals = totals_;
    totals.failed_ = LogTotals::Failure::None;
    totals.failureReason_.clear();
    totals.notYetCreated_ = false;
    totals.validPairs_ = 0;
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
            files, log,
            [&](std::size_t pairs) {
                if (keepSessions) totals.sessions_.reserve(pairs);
                if (also != nullptr) also->Begin(pairs);
            },
            [&](DateTime start, DateTime end) {
                if (totals.validPairs_++ == 0) {
                    totals.firstStart_ = start;
                    totals.latestEnd_ = end;
                }
                if (start < totals.firstStart_) totals.firstStart_ = start;
                if (end > totals.latestEnd_) totals.latestEnd_ = end;
                if (keepSessions) totals.sessions_.push_back(Session{start, end});
                SplitAtMidnights(start, end, addPiece);
                if (also != nullptr) also->Add(start, end);
            });
    } catch (const std::bad_alloc&) {
        throw;  // no fault of the file
    } catch (const std::exception& error) {
        totals.failed_ = LogTotals::Failure::ReadError;
        totals.failureReason_ = ::FailureReason(error);
        const auto* io = dynamic_cast<const IoError*>(&error);
        totals.notYetCreated_ = io != nullptr && io->NotFound() && IsNotYetCreated(files, log.Path);
        // Nothing of a log that could not be read all through is shown.
        if (also != nullptr) also->Begin(0);
    }
    // A log that could not be read all through counts nothing.
    if (totals.failed_ == LogTotals::Failure::ReadError) {
        totals.validPairs_ = 0;
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

LogTotals ReadLogTotals(FileSystem& files, const LogTarget& log) {
    LogTotalsReader reader;
    reader.Read(files, log, nullptr, true);
    return reader.Totals();
}

std::optional<std::string> StatusText(const LogTotals& totals, const LocaleFormats& formats) {
    if (totals.Failed() == LogTotals::Failure::ReadError && !totals.NotYetCreated())
        return std::nullopt;
    if (totals.HasSessions()) {
        return "From " + DateText(totals.FirstStart(), formats) + " to " +
               DateText(totals.LatestEnd(), formats) + " -> " + DurationText(totals.Total());
    }
    return totals.Failed() == LogTotals::Failure::IncorrectRecord ? std::string()
                                                                  : "No sessions recorded yet";
}
