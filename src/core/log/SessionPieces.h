#pragma once

// Which pairs of the log count as sessions, and how a session splits into pieces of one
// calendar day each. The tree and the reports both read the log by these rules, so that their
// days always agree.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "core/log/LogFile.h"
#include "core/log/LogTarget.h"
#include "core/time/DateTime.h"

// Spans longer than this, and dates outside 1899-12-30 .. 9999-12-31, count as invalid pairs.
inline constexpr double kMaxPairDays = 3660.0;

// Valid pairs only: the end not before the start, both within the dates a log may hold, and no
// longer than kMaxPairDays, so that garbage cannot split into millions of pieces.
inline bool IsAcceptedPair(DateTime start, DateTime end) {
    return IsValidPair(start, end) && start >= kFirstLogDate && end < kLastLogDateEnd &&
           end - start <= kMaxPairDays;
}

// Calls addPiece(pieceStart, pieceEnd) for each piece of an accepted pair cut at every
// midnight, in time order. A pair ending exactly at midnight gives no empty piece after it; a
// pair of zero length gives one piece of zero length.
template <typename AddPiece>
void SplitAtMidnights(DateTime start, DateTime end, AddPiece&& addPiece) {
    DateTime pieceStart = start;
    DateTime pieceEnd = std::trunc(pieceStart) + 1;
    for (;;) {
        if (pieceEnd > end) pieceEnd = end;
        addPiece(pieceStart, pieceEnd);
        if (pieceEnd >= end) return;
        pieceStart = std::trunc(pieceStart) + 1;
        pieceEnd = pieceStart + 1;
    }
}

// How a read of the whole log ended.
enum class LogReadFailure {
    None,
    IncorrectRecord,  // a pair that is no plausible session ended it: the pairs before it count
    ReadError,        // the file could not be read all through
};

// Reads the sessions of a log through one small buffer it keeps between reads: the tree and the
// totals read a long log again every minute, and a buffer the size of it costs more in fresh
// pages than the read itself.
class LogSessionReader {
  public:
    // Opens the log, tells onPairCount(n) how many whole pairs it holds, then calls
    // onSession(start, end) for each pair in log order, up to the first that is not accepted.
    // The rest of the file is read all the same. Opening and the reads throw,
    // whether or not sessions were handed out yet; a file read whole but ending in part of a
    // pair (with no incorrect record before it) or failing to close gives ReadError.
    template <typename OnPairCount, typename OnSession>
    LogReadFailure Read(FileSystem& files, const LogTarget& log, OnPairCount&& onPairCount,
                        OnSession&& onSession) {
        std::unique_ptr<LogFile> file = files.OpenExisting(log.Path);
        return ReadOpen(*file, log.Password, onPairCount, onSession);
    }
    // True when the last read's ReadError came only from its end in part of a pair, as a log
    // still being written or synced ends: every whole pair before it was handed out.
    bool EndedInPartOfPair() const noexcept { return endedInPartOfPair_; }

  private:
    template <typename OnPairCount, typename OnSession>
    LogReadFailure ReadOpen(LogFile& file, const std::string& password, OnPairCount& onPairCount,
                            OnSession& onSession) {
        endedInPartOfPair_ = false;
        const std::size_t size = LogSize(file);
        onPairCount(size / kPairBytes);
        const RecordKeys keys(password);
        if (!buffer_) buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kChunkSize);
        LogReadFailure failure = LogReadFailure::None;
        std::int64_t number = 0;
        for (std::size_t done = 0; done < size;) {
            const std::size_t count = size - done < kChunkSize ? size - done : kChunkSize;
            file.Read(buffer_.get(), count);
            done += count;
            const unsigned char* record = buffer_.get();
            for (std::size_t pair = 0; failure == LogReadFailure::None && pair < count / kPairBytes;
                 ++pair, number += 2, record += kPairBytes) {
                const DateTime start = keys.Unscramble(number, LoadRecordBytes(record));
                const DateTime end =
                    keys.Unscramble(number + 1, LoadRecordBytes(record + kRecordSize));
                if (IsAcceptedPair(start, end)) {
                    onSession(start, end);
                } else {
                    failure = LogReadFailure::IncorrectRecord;
                }
            }
        }
        bool closed = true;
        try {
            file.Close();
        } catch (const std::exception&) {
            closed = false;
        }
        const bool partialPair = size % kPairBytes != 0;
        endedInPartOfPair_ = closed && failure == LogReadFailure::None && partialPair;
        if (!closed || (failure == LogReadFailure::None && partialPair))
            return LogReadFailure::ReadError;
        return failure;
    }

    static constexpr auto kPairBytes = static_cast<std::size_t>(2 * kRecordSize);
    // Whole pairs, so that no pair is split between two pieces.
    static constexpr std::size_t kChunkSize = 4096 * kPairBytes;
    std::unique_ptr<unsigned char[]> buffer_;
    bool endedInPartOfPair_ = false;
};
