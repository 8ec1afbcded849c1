#pragma once

// The log both benchmarks read: realistic working days, scrambled with one password.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"

namespace bench {

inline constexpr char kPassword[] = "bench password";

// A few sessions per working day, now and then one past midnight, rarely one at a weekend;
// `count` sessions from the Monday 2000-01-03 on, as start and end records.
inline std::vector<DateTime> MakeSessions(std::size_t count) {
    std::mt19937_64 rng(12345);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto integer = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const double hour = 1.0 / 24;
    std::vector<DateTime> records;
    records.reserve(2 * count);
    DateTime day = EncodeDate(2000, 1, 3);
    for (int weekday = 0; records.size() < 2 * count; day += 1, weekday = (weekday + 1) % 7) {
        const bool working = weekday < 5;
        if (!working && uniform(0, 1) > 0.1) continue;
        const int sessions = working ? integer(2, 5) : 1;
        DateTime time = day + uniform(7.5, 9.5) * hour;
        for (int s = 0; s < sessions && records.size() < 2 * count; ++s) {
            const DateTime start = time;
            DateTime end = start + uniform(0.5, 2) * hour;
            if (s == sessions - 1 && uniform(0, 1) < 0.05) end = day + 1 + uniform(0.1, 2) * hour;
            records.push_back(start);
            records.push_back(end);
            time = end + uniform(5, 30) / (24 * 60);
        }
    }
    return records;
}

// The same log moved by whole weeks so that its last session starts in the week up to the day
// before yesterday: a program logging now then records its own session last.
inline std::vector<DateTime> MakeSessionsBefore(std::size_t count, DateTime now) {
    std::vector<DateTime> records = MakeSessions(count);
    const double lastDay = std::trunc(now) - 2;
    const double weeks = std::floor((lastDay - std::trunc(records[records.size() - 2])) / 7);
    for (DateTime& record : records) record += 7 * weeks;
    return records;
}

// Writes the records scrambled with the password.
inline void WriteLog(const std::string& path, const std::vector<DateTime>& records,
                     const std::string& password = kPassword) {
    constexpr auto size = static_cast<std::size_t>(kRecordSize);
    const RecordKeys keys(password);
    std::vector<unsigned char> bytes(records.size() * size);
    for (std::size_t r = 0; r < records.size(); ++r)
        StoreRecordBytes(keys.Scramble(static_cast<std::int64_t>(r), records[r]), &bytes[size * r]);
    auto file = NativeFileSystem().Create(path);
    file->Write(bytes.data(), bytes.size());
    file->Close();
}

// A folder shared by five computers, each with a log of 20,000 sessions: the same working days,
// each computer's 40 minutes later than the one before, so that most sessions overlap one of
// another computer in part.
inline constexpr int kFolderLogs = 5;
inline constexpr std::size_t kFolderSessions = 20000;
inline constexpr double kFolderShiftDays = 40.0 / (24 * 60);

// Writes the folder's logs into `folder` (ending in its separator), named as computers name
// their own, the first holding `records`.
inline void WriteFolderLogs(const std::string& folder, std::vector<DateTime> records,
                            const std::string& password = kPassword) {
    for (int log = 0; log < kFolderLogs; ++log) {
        WriteLog(
            folder + "PC" + std::to_string(log + 1) + "-0000000" + std::to_string(log) + ".dat",
            records, password);
        for (DateTime& record : records) record += kFolderShiftDays;
    }
}

// A folder ending in its backslash as one quoted command-line word: the C runtime reads a
// backslash right before the closing quote as an escaped quote, so that one is doubled.
inline std::string QuotedFolder(const std::string& folder) {
    return "\"" + folder + "\\\"";
}

}  // namespace bench
