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

void LogTotalsReader::Begin(std::size_t pairs, SessionSink* also, bool keepSessions) {
    LogTotals& totals = totals_;
    totals.failed_ = LogTotals::Failure::None;
    totals.failureReason_.clear();
    totals.notYetCreated_ = false;
    totals.validPairs_ = 0;
    totals.sessions_.clear();
    totals.days_.clear();
    slotOfDay_.clear();
    also_ = also;
    keepSessions_ = keepSessions;
    currentDay_ = -1;
    currentSlot_ = 0;
    indexed_ = false;
    if (keepSessions) totals.sessions_.reserve(pairs);
    if (also != nullptr) also->Begin(pairs);
}

void LogTotalsReader::AddPiece(DateTime pieceStart, DateTime pieceEnd) {
    std::vector<DayTotal>& days = totals_.days_;
    // Accepted pairs start on day 0 or later, so the cast truncates to the piece's day.
    const auto day = static_cast<std::int32_t>(pieceStart);
    if (day != currentDay_) {
        if (!indexed_ && (days.empty() || day > days.back().day)) {
            days.push_back(DayTotal{static_cast<DateTime>(day), 0, pieceStart, pieceEnd});
            currentSlot_ = days.size() - 1;
        } else {
            if (!indexed_) {
                for (std::size_t slot = 0; slot < days.size(); ++slot)
                    slotOfDay_.emplace(static_cast<std::int32_t>(days[slot].day), slot);
                indexed_ = true;
            }
            const auto [slot, added] = slotOfDay_.try_emplace(day, days.size());
            if (added)
                days.push_back(DayTotal{static_cast<DateTime>(day), 0, pieceStart, pieceEnd});
            currentSlot_ = slot->second;
        }
        currentDay_ = day;
    }
    // Each day sums its pieces in log order, as the tree's day node does.
    DayTotal& total = days[currentSlot_];
    total.duration += pieceEnd - pieceStart;
    if (pieceStart < total.firstStart) total.firstStart = pieceStart;
    if (pieceEnd > total.lastEnd) total.lastEnd = pieceEnd;
}

void LogTotalsReader::Add(DateTime start, DateTime end) {
    LogTotals& totals = totals_;
    if (totals.validPairs_++ == 0) {
        totals.firstStart_ = start;
        totals.latestEnd_ = end;
    }
    if (start < totals.firstStart_) totals.firstStart_ = start;
    if (end > totals.latestEnd_) totals.latestEnd_ = end;
    if (keepSessions_) totals.sessions_.push_back(Session{start, end});
    SplitAtMidnights(start, end, [&](DateTime pieceStart, DateTime pieceEnd) {
        AddPiece(pieceStart, pieceEnd);
    });
    if (also_ != nullptr) also_->Add(start, end);
}

const LogTotals& LogTotalsReader::Finish() {
    LogTotals& totals = totals_;
    std::vector<DayTotal>& days = totals.days_;
    also_ = nullptr;
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

const LogTotals& LogTotalsReader::Read(FileSystem& files, const LogTarget& log, SessionSink* also,
                                       bool keepSessions) {
    Begin(0, nullptr, keepSessions);  // the sink begins once the log's size is known
    try {
        totals_.failed_ = reader_.Read(
            files, log, [&](std::size_t pairs) { Begin(pairs, also, keepSessions); },
            [&](DateTime start, DateTime end) { Add(start, end); });
    } catch (const std::bad_alloc&) {
        throw;  // no fault of the file
    } catch (const std::exception& error) {
        totals_.failed_ = LogTotals::Failure::ReadError;
        totals_.failureReason_ = ::FailureReason(error);
        const auto* io = dynamic_cast<const IoError*>(&error);
        totals_.notYetCreated_ =
            io != nullptr && io->NotFound() && IsNotYetCreated(files, log.Path);
        // Nothing of a log that could not be read all through is shown.
        if (also != nullptr) also->Begin(0);
    }
    return Finish();
}

const LogTotals& LogTotalsReader::Read(const std::vector<TimeSpan>& sessions, SessionSink* also,
                                       bool keepSessions) {
    Begin(sessions.size(), also, keepSessions);
    for (const TimeSpan& session : sessions) Add(session.Start, session.End);
    return Finish();
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
