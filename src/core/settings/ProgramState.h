#pragma once

// What the program is doing and with which log: filled from the command line and the settings,
// read by everything above.

#include <functional>
#include <optional>
#include <string>

#include "core/settings/WorkTimeSettings.h"

struct ProgramState {
    std::string LogFileName;
    bool LogFileNamed = false;  // given with /F rather than the default
    // The folder shared with the user's other computers, as set in the options (empty: off).
    std::string SharedFolder;
    // The folder whose logs this run counts, LogFileName being this computer's own log in it;
    // empty for a single log.
    std::string LogFolder;
    bool Logging = false;
    bool ShowLogAtStart = true;
    bool StopAtStart = false;
    bool AlreadyRunning = false;
    std::string EncodedPassword;  // hex text; empty means no password
    bool OneUser = false;
    std::string AutoRunUserName;
    // Time away is not counted: while the workstation is locked, and after this many minutes
    // without input (0: never).
    bool AwayWhenLocked = false;
    int AwayIdleMinutes = 0;
    WorkTimeSettings WorkTime;
};

// What the parser needs of the machine.
struct ParseEnvironment {
    std::string DefaultLog;  // the log used without /F (see DefaultLog.h)
    // Log-on name of the current user; nullopt when it cannot be obtained.
    std::function<std::optional<std::string>()> UserName;
    // Whether a path names an existing folder; null: none does.
    std::function<bool(const std::string&)> IsFolder;
    // The name of this computer's own log in a shared folder (NAME-ID.dat).
    std::function<std::string()> ComputerLogFile;
};

inline constexpr char kDefaultLogName[] = "worktaly.dat";
