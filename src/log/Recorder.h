#pragma once

// Records the session being logged: appends a pair at its start and moves its end to "now".

#include <string>

#include "app/DateTime.h"
#include "log/LogFile.h"

class SessionRecorder {
  public:
    SessionRecorder(FileSystem& files, const Clock& clock);

    // Appends the pair (now, now) at the end of the log, creating the file when it cannot be
    // opened. Throws IoError or ConvertError; SessionStart() is set once "now" was taken.
    void AppendSession(const std::string& path, const std::string& encodedPassword);

    enum class TickResult { Extended, Appended, Skipped };
    // One tick while logging. `final` is the last tick at exit, which never appends.
    // Throws IoError or ConvertError.
    TickResult Tick(const std::string& path, const std::string& encodedPassword, bool final);

    // The machine is going to sleep: end the session now and extend it no further.
    void Suspend(const std::string& path, const std::string& encodedPassword);
    // The machine woke up: the first resume after a suspend starts a new session (true); any
    // other resume changes nothing (false).
    bool Resume(const std::string& path, const std::string& encodedPassword);

    // A rewrite of the log appended a fresh pair (now, now) for the recorded session.
    void SessionReplaced(TDateTime start);

    // Start of the session this instance records; 0 when none was started.
    TDateTime SessionStart() const { return sessionStart_; }

  private:
    FileSystem& files_;
    const Clock& clock_;
    TDateTime sessionStart_ = 0;
    TDateTime lastEnd_ = 0;
    bool haveLastEnd_ = false;
    bool suspended_ = false;
};
