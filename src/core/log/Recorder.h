#pragma once

// Records the session being logged: appends a pair at its start and moves its end to "now".

#include <cstdint>
#include <string>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"

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

    // Appends the pair (now, now) at the end of the log, creating the file when it cannot be
    // opened. Throws IoError or ConvertError; SessionStart() is set once "now" was taken.
    void AppendSession(const std::string& path, const std::string& encodedPassword);

    enum class TickResult { Extended, Appended, Skipped, WentAway };
    // One tick while logging. `final` is the last tick at exit, which never appends. A tick that
    // finds no input for longer than the idle rule allows ends the session at the last input
    // (WentAway). Throws IoError or ConvertError.
    TickResult Tick(const std::string& path, const std::string& encodedPassword, bool final);

    // The machine is going to sleep: end the session now and extend it no further.
    void Suspend(const std::string& path, const std::string& encodedPassword);
    // The machine woke up: the first resume after a suspend starts a new session (true); any
    // other resume changes nothing (false).
    bool Resume(const std::string& path, const std::string& encodedPassword);

    // New rules take effect at once: switching off a reason the user is away for starts a new
    // session when nothing else keeps the user away (true).
    bool SetAwayRules(const AwayRules& rules, const std::string& path,
                      const std::string& encodedPassword);
    // The workstation was locked (or its console disconnected): with the lock rule on, the
    // session ends now. Repeated locks change nothing.
    void Lock(const std::string& path, const std::string& encodedPassword);
    // Unlocked (or reconnected): a new session starts when the user was away for the lock (true).
    bool Unlock(const std::string& path, const std::string& encodedPassword);
    // While away for lack of input: the first new input starts a new session (true).
    bool CheckForInput(const std::string& path, const std::string& encodedPassword);

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

    // Start of the session this instance records; 0 when none was started.
    DateTime SessionStart() const { return sessionStart_; }

  private:
    bool Recording() const { return !suspended_ && !locked_ && !idle_; }
    // Ends the session at `end` (never before its start nor after now) and records no more.
    void EndForAway(const std::string& path, const std::string& encodedPassword, DateTime end);
    bool StartIfRecording(const std::string& path, const std::string& encodedPassword);

    FileSystem& files_;
    const Clock& clock_;
    const InputSource* input_;
    AwayRules rules_;
    bool locked_ = false;
    bool idle_ = false;
    std::uint32_t idleStamp_ = 0;
    DateTime awaySince_ = 0;
    DateTime sessionStart_ = 0;
    DateTime lastEnd_ = 0;
    bool haveLastEnd_ = false;
    bool suspended_ = false;
};
