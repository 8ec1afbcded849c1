#pragma once

// Several computers, one total: each computer writes only its own log into a folder that a sync
// service or a share keeps alike, and every *.dat file there is read and counted as the union
// of their sessions. A minute used on two computers at once, or held twice by a conflict copy
// of a log, counts once.

#include <cstddef>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/PeriodKind.h"
#include "core/log/SessionPieces.h"
#include "core/time/DateTime.h"

struct TimeSpan {
    DateTime Start = 0;
    DateTime End = 0;
};

enum class FolderLogState {
    Counted,
    NotOpened,   // the password does not open it: an incorrect record, as the tree decides
    Unreadable,  // the file could not be read
};

struct FolderLog {
    std::string Name;  // the file's name in the folder
    FolderLogState State = FolderLogState::Counted;
    std::string Reason;  // why it could not be read, in the system's words; may be empty
    // Its sessions in FolderUnion::Sessions, when counted.
    std::size_t FirstSession = 0;
    std::size_t SessionCount = 0;
};

struct FolderUnion {
    std::string Folder;
    // False when the folder itself could not be listed: then no log is counted.
    bool Listed = false;
    std::string ListFailure;  // the system's words; may be empty
    // Every *.dat file directly in the folder, in name order.
    std::vector<FolderLog> Logs;
    // The sessions of the counted logs, log after log, each log's by start.
    std::vector<TimeSpan> Sessions;
    // The union of all sessions by start: overlapping or touching sessions are joined, and a
    // session of zero length stays only where no other covers it. A single log holding these
    // spans gives the tree and the totals of the whole folder.
    std::vector<TimeSpan> Spans;

    std::size_t CountedLogs() const;
    std::vector<std::string> LeftOutNames() const;
};

// A *.dat name, in any case.
bool IsLogFileName(const std::string& name);

// The path ends with a backslash or a slash: it names a folder.
bool EndsWithSeparator(const std::string& path);

// The file's path in the folder, with the folder's own kind of separator.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Reads every log of the folder with one password. Keeps its memory between reads, since the
// minute's tick reads the whole folder again.
class LogFolderReader {
  public:
    // A log that the sync service is still writing is read up to its last whole pair; a log that
    // vanishes between the listing and its read is not there. Throws only std::bad_alloc.
    const FolderUnion& Read(FileSystem& files, const std::string& folder,
                            const std::string& password);
    const FolderUnion& Union() const { return union_; }

  private:
    struct Cursor {
        std::size_t Next = 0;
        std::size_t End = 0;
    };

    void ReadLog(FileSystem& files, const std::string& password, FolderLog& log);
    void Unite();

    FolderUnion union_;
    LogSessionReader reader_;
    std::vector<Cursor> cursors_;
};

// The counted logs other than `ownName` (case does not matter) that hold time in the period
// `kind` + `start`, as DeleteLogBranch takes it, in name order. A log holds time in a year,
// month or day when one of its session pieces starts in it; in a session piece of the union
// (the piece of the union's span around `start` within its day) when one of its pieces lies
// in that piece; in the total when it holds any session, and these are also the logs that a
// new password leaves out (a log without sessions opens with any).
std::vector<std::string> OtherLogsInPeriod(const FolderUnion& logs, const std::string& ownName,
                                           PeriodKind kind, DateTime start);

// The counted logs other than `ownName` holding time in [from, to): what removing that time from
// this computer's log leaves counted.
std::vector<std::string> OtherLogsInSpan(const FolderUnion& logs, const std::string& ownName,
                                         DateTime from, DateTime to);

// The starts of the log `ownName`'s sessions in the session piece of the union around `start`
// (as above), in order: what deleting that piece drops from this computer's log.
std::vector<DateTime> OwnSessionsInPiece(const FolderUnion& logs, const std::string& ownName,
                                         DateTime start);
