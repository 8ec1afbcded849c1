#pragma once

// Logs for the tests of the corrections, written as text and compared by their exact bits:
//
//   Log("9-10 10:30-25:15 G N")   sessions 9:00-10:00 and 10:30-1:15 the next day on Wednesday
//                                 2026-12-09 (hours from 24 on are the next day), then a pair
//                                 whose end is before its start and one with a NaN start

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/log/LogPairs.h"
#include "core/log/Span.h"

// Wednesday 2026-12-09 at the given time, `days` later.
inline DateTime At(int hour, int minute, int second = 0, int days = 0) {
    return EncodeDateTime(2026, 12, 9, hour, minute, second) + days;
}

// "9", "9:30", "9:30:15" or "25:00" (1:00 the next day).
inline DateTime Time(const std::string& text) {
    int hour = 0, minute = 0, second = 0;
    std::sscanf(text.c_str(), "%d:%d:%d", &hour, &minute, &second);
    return At(hour % 24, minute, second, hour / 24);
}

// No session: a NaN start with a payload that no arithmetic would produce.
inline LogPair NanPair() {
    return LogPair{0x7FF80000DEADBEEFull, 0x40E5F4C000000123ull};
}
// No session either, though both halves are dates: its end is before its start.
inline LogPair BackwardPair() {
    return LogPair::Of(At(10, 30), At(10, 0));
}

inline std::vector<LogPair> Log(const std::string& text) {
    std::vector<LogPair> pairs;
    std::istringstream items(text);
    for (std::string item; items >> item;) {
        const std::size_t dash = item.find('-');
        if (item == "N") {
            pairs.push_back(NanPair());
        } else if (item == "G") {
            pairs.push_back(BackwardPair());
        } else {
            pairs.push_back(LogPair::Of(Time(item.substr(0, dash)), Time(item.substr(dash + 1))));
        }
    }
    return pairs;
}

inline std::vector<Span> Spans(const std::string& text) {
    std::vector<Span> spans;
    for (const LogPair& pair : Log(text)) spans.push_back({pair.Start(), pair.End()});
    return spans;
}

inline Span SpanOf(const std::string& text) {
    return Spans(text).at(0);
}

using PairBits = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

inline PairBits BitsOf(const std::vector<LogPair>& pairs) {
    PairBits bits;
    for (const LogPair& pair : pairs) bits.emplace_back(pair.StartBits, pair.EndBits);
    return bits;
}

// The pairs in the notation of Log, with seconds, for a failure message.
inline std::string Describe(const std::vector<LogPair>& pairs) {
    std::string text;
    for (const LogPair& pair : pairs) {
        if (!pair.Accepted()) {
            text += "garbage ";
            continue;
        }
        auto put = [&text](DateTime value, char after) {
            const long seconds = std::lround((value - At(0, 0)) * 86400);
            char time[32];
            std::snprintf(time, sizeof time, "%ld:%02ld:%02ld%c", seconds / 3600, seconds / 60 % 60,
                          seconds % 60, after);
            text += time;
        };
        put(pair.Start(), '-');
        put(pair.End(), ' ');
    }
    return text;
}

// The log's bytes, each record scrambled by itself with its record number.
inline std::vector<unsigned char> LogBytesOf(const std::vector<LogPair>& pairs,
                                             const std::string& password) {
    std::vector<unsigned char> bytes(16 * pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto number = static_cast<std::int32_t>(2 * k);
        StoreRecordBytes(ScrambleRecord(password, number, pairs[k].Start()), &bytes[16 * k]);
        StoreRecordBytes(ScrambleRecord(password, number + 1, pairs[k].End()), &bytes[16 * k + 8]);
    }
    return bytes;
}

// The pairs of the bytes, each record unscrambled by itself, as plain bits.
inline PairBits BitsIn(const std::vector<unsigned char>& bytes, const std::string& password) {
    PairBits bits;
    for (std::size_t at = 0; at + 16 <= bytes.size(); at += 16) {
        const auto number = static_cast<std::int32_t>(at / 8);
        bits.emplace_back(
            DateTimeBits(UnscrambleRecord(password, number, LoadRecordBytes(&bytes[at]))),
            DateTimeBits(UnscrambleRecord(password, number + 1, LoadRecordBytes(&bytes[at + 8]))));
    }
    return bits;
}
