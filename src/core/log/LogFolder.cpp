#include "core/log/LogFolder.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iterator>
#include <new>
#include <optional>

#include "core/log/LogTarget.h"

namespace {

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// Case-insensitive order, as a folder window shows the names; exact bytes break ties.
bool NameBefore(const std::string& a, const std::string& b) {
    const auto lower = [](char x, char y) { return AsciiLower(x) < AsciiLower(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower)) return false;
    return a < b;
}

bool ByStart(const TimeSpan& a, const TimeSpan& b) {
    return a.Start < b.Start;
}

// Whether a session has a piece, cut at midnights, starting in [from, to), both midnights: its
// first piece starts at its start, the others at each midnight before its end.
bool HasPieceIn(const TimeSpan& session, DateTime from, DateTime to) {
    return session.Start < to && (session.Start >= from || session.End > from);
}

// The midnights around a year, month or day holding `start`.
void CalendarBounds(PeriodKind kind, DateTime start, DateTime& from, DateTime& to) {
    const CivilDate date = DecodeDate(start);
    switch (kind) {
        case PeriodKind::Year:
            from = EncodeDate(date.Year, 1, 1);
            to = EncodeDate(date.Year + 1, 1, 1);
            break;
        case PeriodKind::Month:
            from = EncodeDate(date.Year, date.Month, 1);
            to = date.Month == 12 ? EncodeDate(date.Year + 1, 1, 1)
                                  : EncodeDate(date.Year, date.Month + 1, 1);
            break;
        default:
            from = std::trunc(start);
            to = from + 1;
            break;
    }
}

// The union's span around `start`; every session touching it lies within it.
std::optional<TimeSpan> UnionSpanAt(const FolderUnion& logs, DateTime start) {
    const auto after =
        std::upper_bound(logs.Spans.begin(), logs.Spans.end(), TimeSpan{start, start}, ByStart);
    if (after == logs.Spans.begin() || std::prev(after)->End < start) return std::nullopt;
    return *std::prev(after);
}

// A session in the piece of the union's `span` within the day of `start`.
bool InUnionPiece(const TimeSpan& session, const TimeSpan& span, DateTime start) {
    const DateTime day = std::trunc(start);
    return session.Start <= span.End && session.End >= span.Start &&
           HasPieceIn(session, day, day + 1);
}

template <typename Holds>
std::vector<std::string> OtherLogsWhere(const FolderUnion& logs, const std::string& ownName,
                                        Holds&& holds) {
    std::vector<std::string> names;
    for (const FolderLog& log : logs.Logs) {
        if (log.State != FolderLogState::Counted || SameName(log.Name, ownName)) continue;
        const auto first = logs.Sessions.begin() + static_cast<std::ptrdiff_t>(log.FirstSession);
        if (std::any_of(first, first + static_cast<std::ptrdiff_t>(log.SessionCount), holds))
            names.push_back(log.Name);
    }
    return names;
}

}  // namespace

std::size_t FolderUnion::CountedLogs() const {
    return static_cast<std::size_t>(
        std::count_if(Logs.begin(), Logs.end(),
                      [](const FolderLog& log) { return log.State == FolderLogState::Counted; }));
}

std::vector<std::string> FolderUnion::LeftOutNames() const {
    std::vector<std::string> names;
    for (const FolderLog& log : Logs)
        if (log.State != FolderLogState::Counted) names.push_back(log.Name);
    return names;
}

bool IsLogFileName(const std::string& name) {
    static constexpr char kExtension[] = ".dat";
    constexpr std::size_t length = sizeof kExtension - 1;
    return name.size() > length && SameName(name.substr(name.size() - length), kExtension);
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (EndsWithSeparator(folder)) return folder + name;
    // A folder written with slashes only is a POSIX one (the native build's).
    const bool slashes =
        folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
    return folder + (slashes ? '/' : '\\') + name;
}

const FolderUnion& LogFolderReader::Read(FileSystem& files, const std::string& folder,
                                         const std::string& password) {
    FolderUnion& result = union_;
    result.Folder = folder;
    result.Listed = false;
    result.ListFailure.clear();
    result.Logs.clear();
    result.Sessions.clear();
    result.Spans.clear();

    std::vector<std::string> names;
    try {
        names = files.ListFiles(folder);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        if (const auto* io = dynamic_cast<const IoError*>(&error))
            result.ListFailure = io->Reason();
        return result;
    }
    result.Listed = true;
    std::erase_if(names, [](const std::string& name) { return !IsLogFileName(name); });
    std::sort(names.begin(), names.end(), NameBefore);

    for (std::string& name : names) {
        FolderLog log;
        log.Name = std::move(name);
        ReadLog(files, password, log);
        if (log.State == FolderLogState::Counted || files.Exists(PathInFolder(folder, log.Name)))
            result.Logs.push_back(std::move(log));
    }
    Unite();
    return result;
}

void LogFolderReader::ReadLog(FileSystem& files, const std::string& password, FolderLog& log) {
    std::vector<TimeSpan>& sessions = union_.Sessions;
    log.FirstSession = sessions.size();
    const auto first = static_cast<std::ptrdiff_t>(log.FirstSession);
    LogReadFailure failure = LogReadFailure::None;
    try {
        failure = reader_.Read(
            files, LogTarget{PathInFolder(union_.Folder, log.Name), password},
            [&](std::size_t pairs) {
                // Grown by halves at least, so that many small logs cost no copy each.
                const std::size_t needed = sessions.size() + pairs;
                if (needed > sessions.capacity())
                    sessions.reserve(std::max(needed, sessions.capacity() * 3 / 2));
            },
            [&](DateTime start, DateTime end) {
                sessions.push_back(TimeSpan{start, end});
            });
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        sessions.resize(log.FirstSession);
        log.State = FolderLogState::Unreadable;
        if (const auto* io = dynamic_cast<const IoError*>(&error)) log.Reason = io->Reason();
        return;
    }
    if (failure == LogReadFailure::IncorrectRecord) {
        log.State = FolderLogState::NotOpened;
    } else if (failure == LogReadFailure::ReadError && !reader_.EndedInPartOfPair()) {
        log.State = FolderLogState::Unreadable;
    }
    if (log.State != FolderLogState::Counted) {
        sessions.resize(log.FirstSession);
        return;
    }
    log.SessionCount = sessions.size() - log.FirstSession;
    // Only a clock set back leaves a log out of order.
    if (!std::is_sorted(sessions.begin() + first, sessions.end(), ByStart))
        std::sort(sessions.begin() + first, sessions.end(), ByStart);
}

void LogFolderReader::Unite() {
    const std::vector<TimeSpan>& sessions = union_.Sessions;
    std::vector<TimeSpan>& spans = union_.Spans;
    spans.reserve(sessions.size());
    // The logs' sorted runs merge through a heap of their next sessions, earliest on top.
    cursors_.clear();
    for (const FolderLog& log : union_.Logs) {
        if (log.SessionCount > 0)
            cursors_.push_back(Cursor{log.FirstSession, log.FirstSession + log.SessionCount});
    }
    const auto later = [&](const Cursor& a, const Cursor& b) {
        return sessions[b.Next].Start < sessions[a.Next].Start;
    };
    std::make_heap(cursors_.begin(), cursors_.end(), later);
    while (!cursors_.empty()) {
        std::pop_heap(cursors_.begin(), cursors_.end(), later);
        Cursor& cursor = cursors_.back();
        const TimeSpan session = sessions[cursor.Next++];
        if (cursor.Next == cursor.End) {
            cursors_.pop_back();
        } else {
            std::push_heap(cursors_.begin(), cursors_.end(), later);
        }
        if (!spans.empty() && session.Start <= spans.back().End) {
            if (session.End > spans.back().End) spans.back().End = session.End;
        } else {
            spans.push_back(session);
        }
    }
}

std::vector<std::string> OtherLogsInPeriod(const FolderUnion& logs, const std::string& ownName,
                                           PeriodKind kind, DateTime start) {
    switch (kind) {
        case PeriodKind::Total:
            return OtherLogsWhere(logs, ownName, [](const TimeSpan&) { return true; });
        case PeriodKind::Session: {
            const std::optional<TimeSpan> span = UnionSpanAt(logs, start);
            if (!span) return {};
            return OtherLogsWhere(logs, ownName, [&](const TimeSpan& session) {
                return InUnionPiece(session, *span, start);
            });
        }
        default: {
            DateTime from = 0;
            DateTime to = 0;
            CalendarBounds(kind, start, from, to);
            return OtherLogsWhere(logs, ownName, [&](const TimeSpan& session) {
                return HasPieceIn(session, from, to);
            });
        }
    }
}

std::vector<std::string> OtherLogsInSpan(const FolderUnion& logs, const std::string& ownName,
                                         DateTime from, DateTime to) {
    return OtherLogsWhere(logs, ownName, [&](const TimeSpan& session) {
        return session.Start < to && session.End > from;
    });
}

std::vector<DateTime> OwnSessionsInPiece(const FolderUnion& logs, const std::string& ownName,
                                         DateTime start) {
    std::vector<DateTime> starts;
    const std::optional<TimeSpan> span = UnionSpanAt(logs, start);
    if (!span) return starts;
    for (const FolderLog& log : logs.Logs) {
        if (log.State != FolderLogState::Counted || !SameName(log.Name, ownName)) continue;
        for (std::size_t i = 0; i < log.SessionCount; ++i) {
            const TimeSpan& session = logs.Sessions[log.FirstSession + i];
            if (InUnionPiece(session, *span, start)) starts.push_back(session.Start);
        }
    }
    return starts;
}
