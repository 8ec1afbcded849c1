#pragma once

// The one read of a log: its sessions go once through the rules of log/SessionPieces.h into the
// list of days with logged time, which every total is made from (the viewer's status bar, the
// tray tip, the weekly report, the CSV export), and on to whoever else wants them on the same
// pass (the viewer's tree). A day here is therefore always the tree's day.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/LogFolder.h"
#include "core/log/LogTarget.h"
#include "core/log/SessionPieces.h"
#include "core/time/DateTime.h"
#include "core/time/DateTimeFormat.h"

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

// Whoever else takes the sessions of a read as they come (the viewer's tree).
class SessionSink {
  public:
    virtual ~SessionSink() = default;
    // A read starts, or one that failed starts over empty: what came before is forgotten.
    virtual void Begin(std::size_t pairs) = 0;
    // A counted pair, in log order.
    virtual void Add(DateTime start, DateTime end) = 0;
};

class LogTotals {
  public:
    // What ended the read early: a pair that is no plausible session (the pairs before it are
    // counted), or the file itself (nothing is counted).
    using Failure = LogReadFailure;

    Failure Failed() const { return failed_; }
    // Why the file could not be read, in the system's words; empty when unknown.
    const std::string& FailureReason() const { return failureReason_; }
    // The log does not exist yet in a folder that does: a first start, not an error to show
    // (Failed() still says ReadError, since there is nothing to export).
    bool NotYetCreated() const { return notYetCreated_; }
    // The pairs counted: every pair, or those before the incorrect record; 0 after a read error.
    std::size_t ValidPairs() const { return validPairs_; }
    // The counted pairs in log order; only when the read was asked to keep them.
    const std::vector<Session>& Sessions() const { return sessions_; }
    // Days whose pieces sum to more than zero, oldest first. A day holding only sessions of
    // zero length has no logged time and is left out.
    const std::vector<DayTotal>& Days() const { return days_; }
    // The logged time of the day holding `date`, in days; 0 for a day without.
    double DayTotalOn(DateTime date) const;
    // The earliest start and the latest end of all counted pairs, zero-length ones included.
    bool HasSessions() const { return validPairs_ > 0; }
    DateTime FirstStart() const { return firstStart_; }
    DateTime LatestEnd() const { return latestEnd_; }
    // The logged time of every day, in days.
    double Total() const;

  private:
    friend class LogTotalsReader;

    Failure failed_ = Failure::None;
    std::string failureReason_;
    bool notYetCreated_ = false;
    std::size_t validPairs_ = 0;
    std::vector<Session> sessions_;
    std::vector<DayTotal> days_;
    DateTime firstStart_ = 0;
    DateTime latestEnd_ = 0;
};

// Reads the whole log and counts it. Keeps its memory between reads, since the tick counts a
// long log again every minute.
class LogTotalsReader {
  public:
    // `also` takes the same sessions on the same pass; the sessions themselves are kept only
    // when asked (the CSV of sessions), since a long log's first read pays for fresh memory.
    const LogTotals& Read(FileSystem& files, const LogTarget& log, SessionSink* also = nullptr,
                          bool keepSessions = false);
    // The same of sessions already read and sorted (the union of a folder's logs).
    const LogTotals& Read(const std::vector<TimeSpan>& sessions, SessionSink* also = nullptr,
                          bool keepSessions = false);
    const LogTotals& Totals() const { return totals_; }

  private:
    void Begin(std::size_t pairs, SessionSink* also, bool keepSessions);
    void Add(DateTime start, DateTime end);
    void AddPiece(DateTime pieceStart, DateTime pieceEnd);
    const LogTotals& Finish();

    LogTotals totals_;
    LogSessionReader reader_;
    std::unordered_map<std::int32_t, std::size_t> slotOfDay_;
    // The pass under way: who else takes the sessions, and the day the last piece went to.
    SessionSink* also_ = nullptr;
    bool keepSessions_ = false;
    std::int32_t currentDay_ = -1;
    std::size_t currentSlot_ = 0;
    // Days in log order are appended as they come; the index of days is built only once a day
    // comes back out of order (a clock set back), since its nodes cost an allocation each.
    bool indexed_ = false;
};

// A read with the sessions kept, for a one-off use (the export).
LogTotals ReadLogTotals(FileSystem& files, const LogTarget& log);

// The status bar's text: "From 12/1/2026 to 12/10/2026 -> 41:20", "No sessions recorded yet"
// for a log without any; nothing when the status bar keeps its previous text (a log that could
// not be read).
std::optional<std::string> StatusText(const LogTotals& totals, const LocaleFormats& formats);
