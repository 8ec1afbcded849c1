#pragma once

// A whole log in memory as its pairs, unscrambled to their plain bits, for the corrections that
// reshape it. A pair nobody changes goes back with exactly the bits it came with, garbage too.

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/LogTarget.h"
#include "core/log/SessionPieces.h"

inline std::uint64_t DateTimeBits(DateTime value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline DateTime DateTimeOfBits(std::uint64_t bits) {
    DateTime value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct LogPair {
    // Plain, unscrambled bits: a value read back is never rounded through a register.
    std::uint64_t StartBits = 0;
    std::uint64_t EndBits = 0;

    static LogPair Of(DateTime start, DateTime end) {
        return LogPair{DateTimeBits(start), DateTimeBits(end)};
    }
    DateTime Start() const { return DateTimeOfBits(StartBits); }
    DateTime End() const { return DateTimeOfBits(EndBits); }
    // A session, by the rule every reader of the log applies.
    bool Accepted() const { return IsAcceptedPair(Start(), End()); }
};

// The pairs of the log; a log that does not exist reads as none. Throws IoError, also for a
// log ending in part of a pair.
std::vector<LogPair> ReadLogPairs(FileSystem& files, const LogTarget& target);

// Gives the log these pairs in one rewrite: written beside it and put in its place in one step,
// so that a failure, or a kill at any moment, leaves the old log or the new one whole. Throws
// IoError.
void WriteLogPairs(FileSystem& files, const LogTarget& target, const std::vector<LogPair>& pairs);
