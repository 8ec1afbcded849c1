#pragma once

// Records the session being logged: appends a pair at its start and moves its end to "now".

#include <cstdint>
#include <optional>
#include <string>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/log/LogTarget.h"

// The user's last keyboard or mouse input, as the machine reports it.
struct InputState {
    double IdleDays = 0;      // time since the last input
    std::uint32_t Stamp = 0;  // changes with every new input
};
class InputSource {
  public:
    virtual ~InputSource() = default;
    virtual InputState LastInput() const = 0;
};

// When the user counts as away: time away is not recorded. Both off by default.
struct AwayRules {
    bool WhenLocked = false;
    int IdleMinutes = 0;  // 0: input does not matter
};

class SessionRecorder {
  public:
    SessionRecorder(FileSystem& files, const Clock& clock, const InputSource* input = nullptr);

    // Appends the pair (now, now) at the end of the log, creating the file only when it does
    // not exist. Throws IoError, leaving the file as it was: the session's start
    // is then still to be written, and the next tick tries again.
    void AppendSession(const LogTarget& log);

    enum class TickResult { Extended, Appended, Skipped, WentAway };
    // One tick while logging. `final` is the last tick at exit, which never appends. A tick only
    // extends the last pair when it is this recorder's session; otherwise (its start was never
    // written, or the pair is another's) it starts a new session. A tick that finds no input for
    // longer than the idle rule allows ends the session at the last input (WentAway). Throws
    // IoError.
    TickResult Tick(const LogTarget& log, bool final);

    // The machine is going to sleep: end the session now and extend it no further.
    void Suspend(const LogTarget& log);
    // The machine woke up: the first resume after a suspend starts a new session (true); any
    // other resume changes nothing (false).
    bool Resume(const LogTarget& log);

    // New rules take effect at once: switching off a reason the user is away for starts a new
    // session when nothing else keeps the user away (true).
    bool SetAwayRules(const AwayRules& rules, const LogTarget& log);
    // The workstation was locked (or its console disconnected): with the lock rule on, the
    // session ends now. Repeated locks change nothing.
    void Lock(const LogTarget& log);
    // Unlocked (or reconnected): a new session starts when the user was away for the lock (true).
    bool Unlock(const LogTarget& log);
    // While away for lack of input: the first new input starts a new session (true).
    bool CheckForInput(const LogTarget& log);

    // Not recording because the user is away (locked or idle); sleep is not away.
    bool Away() const { return locked_ || idle_; }
    // Away for lack of input: the caller looks for input every few seconds.
    bool WaitingForInput() const { return idle_; }
    // The end written when the user went away.
    DateTime AwaySince() const { return awaySince_; }

    // A rewrite of the log appended a fresh pair (now, now) for the recorded session.
    void SessionReplaced(DateTime start);
    // A correction moved the start of the recorded session; its end is still the one written last.
    void SessionStartMoved(DateTime start) { sessionStart_ = start; }

    // Start of the session this instance records; 0 when none was written.
    DateTime SessionStart() const { return sessionStart_; }

  private:
    bool Recording() const { return !suspended_ && !locked_ && !idle_; }
    // The start of the log's last whole pair when that pair is the session this recorder wrote:
    // its start, or else its end, is exactly what was written (a correction may have moved the
    // start, which is then taken over). Nothing when the pair is another's or there is none.
    std::optional<DateTime> OwnLastPairStart(LogFile& file, const RecordKeys& keys,
                                             std::int64_t pairs);
    // Ends the session at `end` (never before its start nor after now) and records no more.
    void EndForAway(const LogTarget& log, DateTime end);
    bool StartIfRecording(const LogTarget& log);

    FileSystem& files_;
    const Clock& clock_;
    const InputSource* input_;
    AwayRules rules_;
    bool locked_ = false;
    bool idle_ = false;
    std::uint32_t idleStamp_ = 0;
    DateTime awaySince_ = 0;
    // The session's pair is in the log: sessionStart_ and lastEnd_ are what was written.
    bool started_ = false;
    DateTime sessionStart_ = 0;
    DateTime lastEnd_ = 0;
    bool suspended_ = false;
};
