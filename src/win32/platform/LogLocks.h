#pragma once

// The named objects a log is known by to every Worktally process of the session: its guard,
// held while one process changes the log, and its recording mark, held while an instance
// records into it. Both are named after the log's full path, whatever way it was spelled.

#include <windows.h>

#include <memory>
#include <string>

#include "core/log/LogFile.h"
#include "win32/platform/UniqueHandle.h"

// How long a change waits for another process's change of the same log.
inline constexpr DWORD kLogGuardWaitMs = 5000;

// `prefix` and a hash of the log's full, upper-cased path.
std::wstring LogObjectName(const wchar_t* prefix, const std::string& logPath);

// Waits for the log's guard and holds it; throws IoError when it stays held for `waitMs`.
std::unique_ptr<LogGuard> GuardLog(const std::string& logPath, DWORD waitMs = kLogGuardWaitMs);

// Says to the other processes whether this one records into a log.
class RecordingMark {
  public:
    // Marks `logPath` as recorded into while `recording`; an empty path marks nothing.
    void Follow(const std::string& logPath, bool recording);

  private:
    std::string path_;
    UniqueKernelObject mark_;
};

// Another instance (or this one) records into the log now.
bool IsBeingRecorded(const std::string& logPath);
