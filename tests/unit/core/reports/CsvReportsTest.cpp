#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/reports/CsvReports.h"
#include "core/reports/LogTotals.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;

const char kLog[] = "C:\\Worktally\\worktaly.dat";
const char kCsv[] = "C:\\Reports\\week.csv";

DateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return EncodeDateTime(year, month, day, hour, minute, second);
}

LogTotals Totals(const std::vector<Pair>& pairs) {
    MemoryFileSystem::Bytes bytes(pairs.size() * 16);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto number = static_cast<std::int32_t>(2 * k);
        StoreRecordBytes(ScrambleRecord("", number, pairs[k].first), &bytes[16 * k]);
        StoreRecordBytes(ScrambleRecord("", number + 1, pairs[k].second), &bytes[16 * k + 8]);
    }
    MemoryFileSystem files;
    files.SetFile(kLog, bytes);
    return ReadLogTotals(files, {kLog, ""});
}

// Two sessions on a Tuesday, one from Sunday night into Monday, twenty seconds on New Year's
// Day (an ISO week of the old year), then the clock set back to the Monday before.
const std::vector<Pair> kWeekOfWork = {
    {At(2026, 12, 8, 8, 0), At(2026, 12, 8, 12, 10)},
    {At(2026, 12, 8, 13, 0), At(2026, 12, 8, 17, 45)},
    {At(2026, 12, 13, 22, 0), At(2026, 12, 14, 1, 30)},
    {At(2027, 1, 1, 9, 0, 40), At(2027, 1, 1, 9, 1, 0)},
    {At(2026, 12, 7, 10, 0), At(2026, 12, 7, 10, 15)},
    {At(2026, 12, 9, 10, 0), At(2026, 12, 9, 9, 0)},  // invalid: neither it nor later pairs
    {At(2026, 12, 10, 8, 0), At(2026, 12, 10, 9, 0)},
};

}  // namespace

TEST(CsvText, WritesEachKindByteForByte) {
    struct Case {
        CsvKind kind;
        std::vector<Pair> pairs;
        std::string text;
    } const cases[] = {
        {CsvKind::Days, {}, "Date,Duration,Hours\r\n"},
        {CsvKind::Weeks,
         {},
         "Week,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,Total\r\n"},
        {CsvKind::Sessions, {}, "Start,End,Duration,Hours\r\n"},
        {CsvKind::Days, kWeekOfWork,
         "Date,Duration,Hours\r\n"
         "2026-12-07,0:15,0.25\r\n"
         "2026-12-08,8:55,8.92\r\n"
         "2026-12-13,2:00,2.00\r\n"
         "2026-12-14,1:30,1.50\r\n"
         "2027-01-01,0:00,0.01\r\n"},
        {CsvKind::Weeks, kWeekOfWork,
         "Week,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,Total\r\n"
         "2026-W50,0:15,8:55,0:00,0:00,0:00,0:00,2:00,11:10\r\n"
         "2026-W51,1:30,0:00,0:00,0:00,0:00,0:00,0:00,1:30\r\n"
         "2026-W53,0:00,0:00,0:00,0:00,0:00,0:00,0:00,0:00\r\n"},
        {CsvKind::Sessions, kWeekOfWork,
         "Start,End,Duration,Hours\r\n"
         "2026-12-08 08:00:00,2026-12-08 12:10:00,4:10,4.17\r\n"
         "2026-12-08 13:00:00,2026-12-08 17:45:00,4:45,4.75\r\n"
         "2026-12-13 22:00:00,2026-12-14 01:30:00,3:30,3.50\r\n"
         "2027-01-01 09:00:40,2027-01-01 09:01:00,0:00,0.01\r\n"
         "2026-12-07 10:00:00,2026-12-07 10:15:00,0:15,0.25\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CsvText(Totals(c.pairs), c.kind), c.text);
    }
}

TEST(WriteCsvFile, ReplacesTheFileInOneStepOrLeavesItAlone) {
    const std::string text = "Date,Duration,Hours\r\n2026-12-08,8:55,8.92\r\n";
    const MemoryFileSystem::Bytes old = {'o', 'l', 'd'};
    const MemoryFileSystem::Bytes written(text.begin(), text.end());
    struct Case {
        MemoryFileSystem::Op failing;
        bool existed;
    } const cases[] = {
        {MemoryFileSystem::Op::Count, false},  {MemoryFileSystem::Op::Count, true},
        {MemoryFileSystem::Op::Create, false}, {MemoryFileSystem::Op::Write, true},
        {MemoryFileSystem::Op::Flush, false},  {MemoryFileSystem::Op::Close, true},
        {MemoryFileSystem::Op::Replace, true}, {MemoryFileSystem::Op::Replace, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "failing op " << static_cast<int>(c.failing)
                                        << (c.existed ? ", file existed" : ""));
        MemoryFileSystem files;
        if (c.existed) files.SetFile(kCsv, old);
        if (c.failing != MemoryFileSystem::Op::Count) files.FailAt(c.failing);
        const bool fails = c.failing != MemoryFileSystem::Op::Count;
        if (fails) {
            EXPECT_THROW(WriteCsvFile(files, kCsv, text), IoError);
        } else {
            EXPECT_NO_THROW(WriteCsvFile(files, kCsv, text));
        }
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_FALSE(files.File(CsvTemporaryPath(kCsv)).has_value());
        if (fails && c.existed) {
            EXPECT_EQ(files.File(kCsv), old);
        } else if (fails) {
            EXPECT_FALSE(files.File(kCsv).has_value());
        } else {
            EXPECT_EQ(files.File(kCsv), written);
        }
    }
}
