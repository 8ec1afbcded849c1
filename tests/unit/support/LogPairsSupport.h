#pragma once

// Pairs of a log for the tests of the corrections, written by the clock (hour, minute, second of
// a day in December 2026) and compared by their exact bits.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "core/log/LogPairs.h"

// Wednesday 2026-12-09 at the given time, `days` later.
inline DateTime At(int hour, int minute, int second = 0, int days = 0) {
    return EncodeDateTime(2026, 12, 9, hour, minute, second) + days;
}

inline std::vector<LogPair> PairsOf(std::initializer_list<std::pair<DateTime, DateTime>> spans) {
    std::vector<LogPair> pairs;
    for (const auto& [start, end] : spans) pairs.push_back(LogPair::Of(start, end));
    return pairs;
}

// No session: a NaN start with a payload that no arithmetic would produce.
inline LogPair NanPair() {
    return LogPair{0x7FF80000DEADBEEFull, 0x40E5F4C000000123ull};
}
// No session either, though both halves are dates: its end is before its start.
inline LogPair BackwardPair() {
    return LogPair::Of(At(10, 30), At(10, 0));
}

using PairBits = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

inline PairBits BitsOf(const std::vector<LogPair>& pairs) {
    PairBits bits;
    for (const LogPair& pair : pairs) bits.emplace_back(pair.StartBits, pair.EndBits);
    return bits;
}

// "09:00:00-10:00:00 +1d-..." for a failure message.
inline std::string Describe(const std::vector<LogPair>& pairs) {
    std::string text;
    for (const LogPair& pair : pairs) {
        char piece[64];
        if (pair.Accepted()) {
            const DateTime base = At(0, 0);
            auto put = [&](DateTime value, char* out, std::size_t size) {
                const long seconds = std::lround((value - base) * 86400);
                std::snprintf(out, size, "%s%02ld:%02ld:%02ld", seconds < 0 ? "-" : "",
                              std::labs(seconds) / 3600, std::labs(seconds) / 60 % 60,
                              std::labs(seconds) % 60);
            };
            char start[24], end[24];
            put(pair.Start(), start, sizeof start);
            put(pair.End(), end, sizeof end);
            std::snprintf(piece, sizeof piece, "[%s, %s) ", start, end);
        } else {
            std::snprintf(piece, sizeof piece, "garbage ");
        }
        text += piece;
    }
    return text;
}
