#include "core/log/Rewrite.h"

#include <algorithm>
#include <vector>

#include "core/log/SessionPieces.h"

namespace {

constexpr std::size_t kRecordBytes = kRecordSize;

using Bytes = std::vector<unsigned char>;

// The whole log as stored; a start without its end or trailing bytes make it unreadable.
Bytes ReadWholeLog(FileSystem& files, const std::string& path) {
    auto file = files.OpenExisting(path);
    const std::int64_t size = file->Size();
    if (size % (2 * kRecordSize) != 0)
        throw IoError("Incomplete record pair at the end of " + path);
    Bytes bytes(static_cast<std::size_t>(size));
    if (!bytes.empty()) file->Read(bytes.data(), bytes.size());
    file->Close();
    return bytes;
}

// The log gets its new contents in one atomic step, or keeps its old ones.
void ReplaceLog(FileSystem& files, const std::string& path, const Bytes& bytes) {
    ReplaceFileContents(files, path, RewriteTemporaryPath(path), bytes.data(), bytes.size());
}

std::uint64_t RecordAt(const Bytes& bytes, std::size_t record) {
    return LoadRecordBytes(bytes.data() + record * kRecordBytes);
}

void SetRecordAt(Bytes& bytes, std::size_t record, std::uint64_t value) {
    StoreRecordBytes(value, bytes.data() + record * kRecordBytes);
}

bool InBranch(PeriodKind kind, DateTime selected, const CivilDate& selectedDate,
              DateTime pairStart) {
    if (kind == PeriodKind::Total) return true;
    if (kind == PeriodKind::Session) return pairStart == selected;
    const CivilDate date = DecodeDate(pairStart);
    switch (kind) {
        case PeriodKind::Year:
            return date.Year == selectedDate.Year;
        case PeriodKind::Month:
            return date.Year == selectedDate.Year && date.Month == selectedDate.Month;
        case PeriodKind::Day:
            return date.Year == selectedDate.Year && date.Month == selectedDate.Month &&
                   date.Day == selectedDate.Day;
        default:
            return false;
    }
}

}  // namespace

std::string RewriteTemporaryPath(const std::string& logPath) {
    return logPath + ".tmp";
}

namespace {

// Drops the pairs whose start `inBranch` takes; see DeleteLogBranch.
template <typename InBranch>
std::optional<DateTime> DropPairs(FileSystem& files, const LogTarget& log, InBranch&& inBranch,
                                  DateTime sessionStart, bool logging, const Clock& clock,
                                  std::vector<Span>* removedPairs) {
    // From the read to the replace: a tick of another process in between would be lost.
    const auto guard = files.Guard(log.Path);
    Bytes bytes = ReadWholeLog(files, log.Path);
    if (removedPairs) removedPairs->clear();
    const RecordKeys keys(log.Password);
    const std::size_t pairs = bytes.size() / (2 * kRecordBytes);

    // Kept pairs move down in place. A record moves by trading its old key for its new one, so
    // its bits keep their exact meaning even when they hold no sensible value.
    std::size_t kept = 0;
    bool foundSession = false;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const std::size_t from = 2 * pair;
        const std::uint64_t storedStart = RecordAt(bytes, from);
        const DateTime pairStart = keys.Unscramble(static_cast<std::int64_t>(from), storedStart);
        if (inBranch(pairStart)) {
            if (removedPairs) {
                const DateTime pairEnd =
                    keys.Unscramble(static_cast<std::int64_t>(from + 1), RecordAt(bytes, from + 1));
                if (IsAcceptedPair(pairStart, pairEnd))
                    removedPairs->push_back({pairStart, pairEnd});
            }
            continue;
        }
        if (pairStart == sessionStart) foundSession = true;
        const std::size_t to = 2 * kept;
        if (to != from) {
            const std::uint64_t storedEnd = RecordAt(bytes, from + 1);
            const auto oldNumber = static_cast<std::int64_t>(from);
            const auto newNumber = static_cast<std::int64_t>(to);
            SetRecordAt(bytes, to, storedStart ^ keys.Key(oldNumber) ^ keys.Key(newNumber));
            SetRecordAt(bytes, to + 1,
                        storedEnd ^ keys.Key(oldNumber + 1) ^ keys.Key(newNumber + 1));
        }
        ++kept;
    }
    bytes.resize(2 * kept * kRecordBytes);

    std::optional<DateTime> appended;
    if (logging && !foundSession) {
        // The recorded session is gone: the ticks go on in a fresh pair, not in an older session.
        const DateTime now = clock.Now();
        const std::size_t record = 2 * kept;
        bytes.resize(bytes.size() + 2 * kRecordBytes);
        SetRecordAt(bytes, record, keys.Scramble(static_cast<std::int64_t>(record), now));
        SetRecordAt(bytes, record + 1, keys.Scramble(static_cast<std::int64_t>(record + 1), now));
        appended = now;
    }

    if (kept == pairs && !appended) return std::nullopt;  // same pairs at the same places
    ReplaceLog(files, log.Path, bytes);
    return appended;
}

}  // namespace

std::optional<DateTime> DeleteLogBranch(FileSystem& files, const LogTarget& log, PeriodKind kind,
                                        DateTime start, DateTime sessionStart, bool logging,
                                        const Clock& clock, std::vector<Span>* removedPairs) {
    const CivilDate selectedDate = DecodeDate(start);
    return DropPairs(
        files, log,
        [&](DateTime pairStart) { return InBranch(kind, start, selectedDate, pairStart); },
        sessionStart, logging, clock, removedPairs);
}

std::optional<DateTime> DeleteLogSessions(FileSystem& files, const LogTarget& log,
                                          const std::vector<DateTime>& starts,
                                          DateTime sessionStart, bool logging, const Clock& clock,
                                          std::vector<Span>* removedPairs) {
    return DropPairs(
        files, log,
        [&](DateTime pairStart) {
            return std::find(starts.begin(), starts.end(), pairStart) != starts.end();
        },
        sessionStart, logging, clock, removedPairs);
}

std::size_t CountLogBranch(FileSystem& files, const LogTarget& log, PeriodKind kind,
                           DateTime start) {
    const Bytes bytes = ReadWholeLog(files, log.Path);
    const RecordKeys keys(log.Password);
    const CivilDate selectedDate = DecodeDate(start);
    const std::size_t pairs = bytes.size() / (2 * kRecordBytes);
    std::size_t count = 0;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const auto record = static_cast<std::int64_t>(2 * pair);
        if (InBranch(kind, start, selectedDate, keys.Unscramble(record, RecordAt(bytes, 2 * pair))))
            ++count;
    }
    return count;
}

RekeyResult RekeyLog(FileSystem& files, const LogTarget& log, const std::string& newPassword) {
    const auto guard = files.Guard(log.Path);
    Bytes bytes;
    try {
        bytes = ReadWholeLog(files, log.Path);
    } catch (const IoError& error) {
        // Only a log that is not there has nothing to rewrite; one that cannot be read keeps the
        // old password, or it could never be read again.
        if (error.NotFound()) return RekeyResult::NoLogFile;
        throw;
    }
    if (log.Password == newPassword) return RekeyResult::Rekeyed;

    const RecordKeys oldKeys(log.Password);
    const RecordKeys newKeys(newPassword);
    const std::size_t records = bytes.size() / kRecordBytes;
    for (std::size_t record = 0; record < records; ++record) {
        const auto number = static_cast<std::int64_t>(record);
        SetRecordAt(bytes, record,
                    RecordAt(bytes, record) ^ oldKeys.Key(number) ^ newKeys.Key(number));
    }
    if (!bytes.empty()) ReplaceLog(files, log.Path, bytes);
    return RekeyResult::Rekeyed;
}
