#pragma once

// The recording side of the program: the session recorder and the log it records into, the one
// read of that log after every step (the days always, the viewer's tree when it is shown), and
// what the tray tip says. The main window, the tray icon and the report window ask it; it knows
// no window, so each step tells the window what to show.

#include <cstddef>
#include <string>
#include <utility>

#include "core/log/LogFile.h"
#include "core/log/LogFolder.h"
#include "core/log/LogTarget.h"
#include "core/log/Recorder.h"
#include "core/reports/DayMarks.h"
#include "core/reports/LogTotals.h"
#include "core/reports/WorkTime.h"
#include "core/settings/WorkTimeSettings.h"
#include "core/time/DateTimeFormat.h"
#include "core/tree/LogTree.h"

class Recording {
  public:
    Recording(FileSystem& files, const Clock& clock, const InputSource* input);

    // The log recorded into and read, its password decoded once.
    const LogTarget& Log() const { return log_; }
    void SetLog(LogTarget log) { log_ = std::move(log); }
    // A folder shared with other computers (empty: none). The log recorded into is this
    // computer's own file in it; what is read and shown is the union of every log there.
    void SetFolder(std::string folder) { folder_ = std::move(folder); }
    const std::string& Folder() const { return folder_; }
    // The folder's logs as of the last read; nothing without a folder or before a read.
    const FolderUnion* FolderLogs() const {
        return folder_.empty() || !haveTotals_ ? nullptr : &folderReader_.Union();
    }

    // A step of the recorder: the box to show, if any. A failure is told once while failures
    // last ("Error writting PATH" and the system's reason); the next success ends the outage.
    std::string Start();
    std::string Tick(bool final);
    std::string Suspend();
    std::string Resume();
    std::string SetAwayRules(const AwayRules& rules);
    std::string Lock();
    std::string Unlock();
    std::string CheckForInput();
    // A rewrite of the log gave the recorded session a fresh pair starting at `start`.
    void SessionReplaced(DateTime start) { recorder_.SessionReplaced(start); }
    // A correction moved the recorded session's start.
    void SessionStartMoved(DateTime start) { recorder_.SessionStartMoved(start); }
    // The log's last pair is being extended every minute: a session runs, the user is here.
    bool RecordsNow() const { return recorder_.SessionStart() != 0 && !recorder_.Away(); }
    const SessionRecorder& Recorder() const { return recorder_; }
    // The last tick found the user gone: the window looks for input every few seconds.
    bool WentAway() const { return wentAway_; }
    // The last step failed: the log was not written (its box told once).
    bool Failing() const { return failing_; }

    // The one read of the log: the days, and the tree when asked (the viewer is shown); `now`
    // and the user's first day of the week give the tip its totals. Throws when the file
    // system does; nothing of the read is kept then, and the tip keeps its totals.
    const LogTotals& Read(bool withTree, DateTime now, int firstDayOfWeek);
    // The last read; nothing before the first.
    const LogTotals* Totals() const { return haveTotals_ ? &reader_.Totals() : nullptr; }
    // The tree of the last read, when it built one; it lives until the next read.
    const LogTree* Tree() const { return haveTree_ ? &builder_.Tree() : nullptr; }
    // Forgets the tree (the viewer is hidden): its memory goes.
    void DropTree();

    // The working-time settings; the marked days are read beside the log with every read.
    void SetWorkTime(const WorkTimeSettings& settings) { workTime_ = settings; }
    const WorkTimeSettings& WorkTime() const { return workTime_; }
    // Marks are read with the log only while something shows them without a weekly target (an
    // open timesheet).
    void SetMarksWanted(bool wanted) { marksWanted_ = wanted; }
    const DayMarks& Marks() const { return marks_; }
    // Where the marks of this log are kept.
    std::string MarksPath() const;
    // Marks the day holding `day` (None clears it) and writes the marks at once. Throws IoError;
    // the marks are then as they were.
    void MarkDay(DateTime day, DayMark mark);

    // The tray tip: since when the session runs (or the user is away), then today's and this
    // week's time from the last read that could be read, and with a weekly target the balance
    // and when today's target is reached, in `capacity` characters.
    std::string Tip(const LocaleFormats& formats, std::size_t capacity) const;

  private:
    // Runs a step of the recorder; the box for its failure, once for each outage.
    template <typename Step>
    std::string Guarded(Step&& step);

    FileSystem& files_;
    SessionRecorder recorder_;
    LogTarget log_;
    bool failing_ = false;
    bool wentAway_ = false;

    std::string folder_;
    LogFolderReader folderReader_;
    LogTotalsReader reader_;
    bool haveTotals_ = false;
    LogTreeBuilder builder_;
    bool haveTree_ = false;
    // Today's and this week's time as of the last read that could be read.
    std::string totalsLine_;
    WorkTimeSettings workTime_;
    DayMarks marks_;
    bool marksWanted_ = false;
    WorkTimeToday today_;  // as of the last read, with a weekly target
};
