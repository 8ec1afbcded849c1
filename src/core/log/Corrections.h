#pragma once

// The corrections of the log: add time, remove time, and the undo of every change (Delete Branch
// too). Each change is one rewrite of the whole log and says exactly which time it added and
// which it removed, so that its undo takes back that time and nothing the recorder wrote since.
//
// `recording` says that the program extends this log's last pair every minute (logging and not
// away): that pair stays last, keeps the end the recorder wrote, and cannot be cut at its end.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/LogPairs.h"
#include "core/log/LogTarget.h"
#include "core/log/Span.h"

enum class ChangeKind : std::uint8_t { AddTime, RemoveTime, DeleteBranch };

// What one change did to the log's time.
struct LogChange {
    ChangeKind Kind = ChangeKind::AddTime;
    std::vector<Span> Added;  // joined spans
    // Joined spans (a pair of no length as a span of no length); for a Delete Branch, the pairs
    // it removed as they were, in log order, which its undo brings back one by one.
    std::vector<Span> Removed;
    bool Empty() const { return Added.empty() && Removed.empty(); }
};

// The change of a Delete Branch, from the pairs DeleteLogBranch says it removed.
LogChange DeletedBranchChange(std::vector<Span> removedPairs);

enum class CorrectionRefusal : std::uint8_t {
    None,
    EmptyRange,         // To not later than From
    AfterNow,           // To later than now
    BeforeFirstDate,    // From before the first date a log can hold
    TooLong,            // a session longer than a log may hold would result
    ReachesRunningEnd,  // a removal would cut the running session at its end
};

// The text of the box (and of the dialog's line) for a refusal; empty for None.
std::string RefusalText(CorrectionRefusal refusal);

struct CorrectionResult {
    CorrectionRefusal Refusal = CorrectionRefusal::None;
    // The change alters the log (which the functions that take a file rewrote).
    bool Changed = false;
    LogChange Change;  // empty when refused or when nothing needs to change
    // Sessions the change joins, shortens, splits or removes.
    std::size_t TouchedSessions = 0;
    // The running session's new start, when the change moved it (the recorder is told).
    std::optional<DateTime> RunningStart;
};

// A change worked out on pairs in memory: what the dialogs show before OK, and what the
// rewrite writes.
struct CorrectionPlan {
    CorrectionResult Result;
    std::vector<LogPair> Pairs;  // the log after the change; as given when nothing changes
};

CorrectionPlan PlanAddTime(const std::vector<LogPair>& pairs, Span range, DateTime now,
                           bool recording);
CorrectionPlan PlanRemoveTime(const std::vector<LogPair>& pairs, Span range, DateTime now,
                              bool recording);
// Removes the time the change added, then restores the time it removed (Delete Branch: the
// pairs, each on its own where it overlaps nothing).
CorrectionPlan PlanUndo(const std::vector<LogPair>& pairs, const LogChange& change, bool recording);

// Read the log, plan, and rewrite it once when the plan changes anything; nothing is written on
// a refusal. Throw IoError, leaving the log as it was and no temporary file.
CorrectionResult AddTime(FileSystem& files, const LogTarget& target, Span range, DateTime now,
                         bool recording);
CorrectionResult RemoveTime(FileSystem& files, const LogTarget& target, Span range, DateTime now,
                            bool recording);
CorrectionResult UndoChange(FileSystem& files, const LogTarget& target, const LogChange& change,
                            bool recording);
