#pragma once

// The two commands that rewrite the whole log. Both write a temporary file beside the log,
// flush it and replace the log in one atomic step: when they throw, the log is unchanged.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/log/LogTarget.h"
#include "core/log/PeriodKind.h"
#include "core/log/Span.h"

// Temporary file used by the rewrites, in the log's own folder.
std::string RewriteTemporaryPath(const std::string& logPath);

// Drops the pairs of the branch (kind, start) and re-scrambles the rest with their new record
// numbers. When logging and the pair starting at sessionStart is gone, appends (now, now) and
// returns its start. Given removedPairs, fills it with the sessions it dropped (accepted pairs,
// in log order), for the undo. Throws IoError.
std::optional<DateTime> DeleteLogBranch(FileSystem& files, const LogTarget& log, PeriodKind kind,
                                        DateTime start, DateTime sessionStart, bool logging,
                                        const Clock& clock,
                                        std::vector<Span>* removedPairs = nullptr);

// The same for a session piece of a shared folder's union: drops the pairs starting at `starts`,
// the log's own sessions in that piece.
std::optional<DateTime> DeleteLogSessions(FileSystem& files, const LogTarget& log,
                                          const std::vector<DateTime>& starts,
                                          DateTime sessionStart, bool logging, const Clock& clock,
                                          std::vector<Span>* removedPairs = nullptr);

// How many pairs DeleteLogBranch would drop for the branch. Throws IoError.
std::size_t CountLogBranch(FileSystem& files, const LogTarget& log, PeriodKind kind,
                           DateTime start);

enum class RekeyResult { Rekeyed, NoLogFile };
// Re-scrambles every record from the log's password to newPassword. Throws IoError.
RekeyResult RekeyLog(FileSystem& files, const LogTarget& log, const std::string& newPassword);
