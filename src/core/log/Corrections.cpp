#include "core/log/Corrections.h"

#include <algorithm>
#include <utility>

#include "core/log/SessionPieces.h"
#include "core/log/SpanEdit.h"

namespace {

std::size_t CountAccepted(const std::vector<LogPair>& pairs) {
    return static_cast<std::size_t>(std::count_if(
        pairs.begin(), pairs.end(), [](const LogPair& pair) { return pair.Accepted(); }));
}

// The start of the last pair when it is the running session.
std::optional<std::uint64_t> RunningStartBits(const std::vector<LogPair>& pairs, bool recording) {
    if (!recording || pairs.empty() || !pairs.back().Accepted()) return std::nullopt;
    return pairs.back().StartBits;
}

void NoteRunningStart(CorrectionPlan& plan, std::optional<std::uint64_t> before, bool recording) {
    const std::optional<std::uint64_t> after = RunningStartBits(plan.Pairs, recording);
    if (before && after && *before != *after) plan.Result.RunningStart = DateTimeOfBits(*after);
}

CorrectionRefusal CheckRange(Span range, DateTime now) {
    if (!(range.Start < range.End)) return CorrectionRefusal::EmptyRange;
    if (range.End > now) return CorrectionRefusal::AfterNow;
    return CorrectionRefusal::None;
}

CorrectionPlan Refused(const std::vector<LogPair>& pairs, CorrectionRefusal refusal) {
    CorrectionPlan plan;
    plan.Result.Refusal = refusal;
    plan.Pairs = pairs;
    return plan;
}

CorrectionResult Apply(FileSystem& files, const LogTarget& target, CorrectionPlan plan) {
    if (plan.Result.Refusal == CorrectionRefusal::None && plan.Result.Changed)
        WriteLogPairs(files, target, plan.Pairs);
    return std::move(plan.Result);
}

}  // namespace

LogChange DeletedBranchChange(std::vector<Span> removedPairs) {
    LogChange change;
    change.Kind = ChangeKind::DeleteBranch;
    change.Removed = std::move(removedPairs);
    return change;
}

std::string RefusalText(CorrectionRefusal refusal) {
    switch (refusal) {
        case CorrectionRefusal::None:
            return std::string();
        case CorrectionRefusal::EmptyRange:
            return "To must be later than From.";
        case CorrectionRefusal::AfterNow:
            return "To is later than now: only time that has passed can be corrected.";
        case CorrectionRefusal::BeforeFirstDate:
            return "From is before the first date a log can hold (December 30, 1899).";
        case CorrectionRefusal::TooLong:
            return "From and To are too far apart: a session can last ten years at most.";
        case CorrectionRefusal::ReachesRunningEnd:
            return "This would cut the end off the session being recorded now, and the next "
                   "minute would count that time again.\n\nTo stop counting now, use the away "
                   "options in Options: stop counting while the workstation is locked, or after "
                   "some minutes without keyboard or mouse input.";
    }
    return std::string();
}

CorrectionPlan PlanAddTime(const std::vector<LogPair>& pairs, Span range, DateTime now,
                           bool recording) {
    CorrectionRefusal refusal = CheckRange(range, now);
    if (refusal == CorrectionRefusal::None && range.Start < kFirstLogDate)
        refusal = CorrectionRefusal::BeforeFirstDate;
    if (refusal == CorrectionRefusal::None && range.End - range.Start > kMaxPairDays)
        refusal = CorrectionRefusal::TooLong;
    if (refusal != CorrectionRefusal::None) return Refused(pairs, refusal);

    CorrectionPlan plan;
    plan.Pairs = pairs;
    const SpanEditResult edit = AddSpan(plan.Pairs, range, recording);
    if (!edit.Changed) return plan;
    // The joined pair is one session again, or readers would stop at it.
    if (CountAccepted(plan.Pairs) + edit.TouchedSessions != CountAccepted(pairs) + 1)
        return Refused(pairs, CorrectionRefusal::TooLong);
    plan.Result.Changed = true;
    plan.Result.Change.Kind = ChangeKind::AddTime;
    plan.Result.Change.Added = edit.Spans;
    plan.Result.TouchedSessions = edit.TouchedSessions;
    NoteRunningStart(plan, RunningStartBits(pairs, recording), recording);
    return plan;
}

CorrectionPlan PlanRemoveTime(const std::vector<LogPair>& pairs, Span range, DateTime now,
                              bool recording) {
    CorrectionRefusal refusal = CheckRange(range, now);
    if (refusal == CorrectionRefusal::None && ReachesRunningEnd(pairs, range, recording))
        refusal = CorrectionRefusal::ReachesRunningEnd;
    if (refusal != CorrectionRefusal::None) return Refused(pairs, refusal);

    CorrectionPlan plan;
    plan.Pairs = pairs;
    const SpanEditResult edit = RemoveSpan(plan.Pairs, range, recording);
    plan.Result.Changed = edit.Changed;
    plan.Result.Change.Kind = ChangeKind::RemoveTime;
    plan.Result.Change.Removed = edit.Spans;
    plan.Result.TouchedSessions = edit.TouchedSessions;
    NoteRunningStart(plan, RunningStartBits(pairs, recording), recording);
    return plan;
}

CorrectionPlan PlanUndo(const std::vector<LogPair>& pairs, const LogChange& change,
                        bool recording) {
    CorrectionPlan plan;
    plan.Pairs = pairs;
    plan.Result.Change.Kind = change.Kind;
    // Removing a span only moves the running start later, so the log as it is decides.
    for (const Span& span : change.Added) {
        if (ReachesRunningEnd(pairs, span, recording))
            return Refused(pairs, CorrectionRefusal::ReachesRunningEnd);
    }
    const SpanEditResult cut = RemoveSpans(plan.Pairs, change.Added, recording);
    plan.Result.Changed = cut.Changed;
    plan.Result.TouchedSessions = cut.TouchedSessions;
    const SpanEditResult back = change.Kind == ChangeKind::DeleteBranch
                                    ? RestorePairs(plan.Pairs, change.Removed, recording)
                                    : AddSpans(plan.Pairs, change.Removed, recording);
    plan.Result.Changed = plan.Result.Changed || back.Changed;
    plan.Result.TouchedSessions += back.TouchedSessions;
    plan.Result.Change.Added = back.Spans;
    plan.Result.Change.Removed = cut.Spans;
    NoteRunningStart(plan, RunningStartBits(pairs, recording), recording);
    return plan;
}

CorrectionResult AddTime(FileSystem& files, const LogTarget& target, Span range, DateTime now,
                         bool recording) {
    const auto guard = files.Guard(target.Path);
    return Apply(files, target, PlanAddTime(ReadLogPairs(files, target), range, now, recording));
}

CorrectionResult RemoveTime(FileSystem& files, const LogTarget& target, Span range, DateTime now,
                            bool recording) {
    const auto guard = files.Guard(target.Path);
    return Apply(files, target, PlanRemoveTime(ReadLogPairs(files, target), range, now, recording));
}

CorrectionResult UndoChange(FileSystem& files, const LogTarget& target, const LogChange& change,
                            bool recording) {
    const auto guard = files.Guard(target.Path);
    return Apply(files, target, PlanUndo(ReadLogPairs(files, target), change, recording));
}
