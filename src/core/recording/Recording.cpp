#include "core/recording/Recording.h"

#include <exception>

#include "core/reports/Timesheet.h"
#include "core/reports/TrayTipText.h"
#include "core/reports/Weeks.h"

namespace {

constexpr char kStartedTip[] = "Worktally - Started ";
constexpr char kAwayTip[] = "Worktally - Away since ";
constexpr char kIdleTip[] = "Worktally";

}  // namespace

Recording::Recording(FileSystem& files, const Clock& clock, const InputSource* input)
    : files_(files), recorder_(files, clock, input) {}

template <typename Step>
std::string Recording::Guarded(Step&& step) {
    try {
        // A correction from the command line rewrites the log between two ticks, never during one.
        const auto guard = files_.Guard(log_.Path);
        step();
        failing_ = false;
        return {};
    } catch (const std::exception& error) {
        if (failing_) return {};
        failing_ = true;
        return WithReason("Error writting " + log_.Path, FailureReason(error));
    }
}

std::string Recording::Start() {
    return Guarded([&] { recorder_.AppendSession(log_); });
}

std::string Recording::Tick(bool final) {
    wentAway_ = false;
    return Guarded(
        [&] { wentAway_ = recorder_.Tick(log_, final) == SessionRecorder::TickResult::WentAway; });
}

std::string Recording::Suspend() {
    return Guarded([&] { recorder_.Suspend(log_); });
}

std::string Recording::Resume() {
    return Guarded([&] { recorder_.Resume(log_); });
}

std::string Recording::SetAwayRules(const AwayRules& rules) {
    return Guarded([&] { recorder_.SetAwayRules(rules, log_); });
}

std::string Recording::Lock() {
    return Guarded([&] { recorder_.Lock(log_); });
}

std::string Recording::Unlock() {
    return Guarded([&] { recorder_.Unlock(log_); });
}

std::string Recording::CheckForInput() {
    return Guarded([&] { recorder_.CheckForInput(log_); });
}

const LogTotals& Recording::Read(bool withTree, DateTime now, int firstDayOfWeek) {
    // Both are rewritten by the read: neither is shown half-made if it throws.
    haveTotals_ = false;
    haveTree_ = false;
    SessionSink* const sink = withTree ? &builder_ : nullptr;
    const LogTotals& totals =
        folder_.empty()
            ? reader_.Read(files_, log_, sink)
            : reader_.Read(folderReader_.Read(files_, folder_, log_.Password).Spans, sink);
    haveTotals_ = true;
    if (withTree) {
        builder_.Finish(totals, now);
        haveTree_ = true;
    } else {
        builder_.Release();
    }
    // A log that cannot be read keeps the tip's last totals.
    if (totals.Failed() != LogTotals::Failure::ReadError || totals.NotYetCreated()) {
        totalsLine_ = TotalsLine(CurrentTotalsAt(totals.Days(), now, firstDayOfWeek));
        // Only the tip's working-time line and an open timesheet show marks: a tick of anyone
        // else leaves the marks file alone.
        if (marksWanted_ || HasWeeklyTarget(workTime_)) {
            try {
                marks_ = ReadDayMarks(files_, MarksPath());
            } catch (const IoError&) {
                // Marks that cannot be read now keep the ones read before.
            }
        }
        if (HasWeeklyTarget(workTime_)) today_ = WorkTimeAt(totals.Days(), workTime_, marks_, now);
    }
    return totals;
}

void Recording::DropTree() {
    if (!haveTree_) return;
    builder_.Release();
    haveTree_ = false;
}

std::string Recording::Tip(const LocaleFormats& formats, std::size_t capacity) const {
    std::string first = kIdleTip;
    if (recorder_.Away()) {
        first = kAwayTip + DateTimeText(recorder_.AwaySince(), formats);
    } else if (recorder_.SessionStart() != 0) {
        first = kStartedTip + DateTimeText(recorder_.SessionStart(), formats);
    }
    const std::string workLine = HasWeeklyTarget(workTime_) && !totalsLine_.empty()
                                     ? WorkTimeTipLine(today_, workTime_, formats)
                                     : std::string();
    return TrayTipText(first, totalsLine_, workLine, capacity);
}

std::string Recording::MarksPath() const {
    return DayMarksPath(log_.Path, folder_);
}

void Recording::MarkDay(DateTime day, DayMark mark) {
    DayMarks marks = ReadDayMarks(files_, MarksPath());
    marks.Set(day, mark);
    WriteDayMarks(files_, MarksPath(), marks);
    marks_ = std::move(marks);
}
