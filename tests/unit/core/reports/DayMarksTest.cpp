#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/reports/DayMarks.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Op = MemoryFileSystem::Op;

const char kMarks[] = "C:\\Worktally\\worktaly.dat.days";

DateTime Day(int month, int day) {
    return EncodeDate(month == 1 ? 2027 : 2026, month, day);
}

std::string Text(const std::optional<MemoryFileSystem::Bytes>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(no file)";
}

}  // namespace

TEST(DayMarks, MarksChangeOnlyTheirLinesAndOtherLinesStay) {
    // A hand-edited file: a byte order mark, a line end of another editor, a day marked twice
    // (the first line decides), lines that are no marks.
    DayMarks marks = DayMarks::Parse(
        "\xEF\xBB\xBF# off\r\n2026-12-25 Holiday\r\n2026-12-24 holiday \r\n\r\n"
        "2026-12-28\tVacation\n2026-12-29 Sick leave\r\n2026-02-30 Sick\r\n2026-12-25 Sick");
    EXPECT_EQ(marks.Marked(), (std::vector<MarkedDay>{{Day(12, 24), DayMark::Holiday},
                                                      {Day(12, 25), DayMark::Holiday},
                                                      {Day(12, 28), DayMark::Vacation}}));
    EXPECT_EQ(marks.MarkOn(Day(12, 24) + 0.75), DayMark::Holiday);
    EXPECT_EQ(marks.MarkOn(Day(12, 29)), DayMark::None);
    const std::string head = "\xEF\xBB\xBF# off\r\n";
    const std::string tail = "\r\n2026-12-29 Sick leave\r\n2026-02-30 Sick\r\n";
    const struct {
        DateTime day;
        DayMark mark;
        std::string text;
    } steps[] = {
        {Day(12, 1), DayMark::None,  // nothing to clear: only the line ends change
         head + "2026-12-25 Holiday\r\n2026-12-24 holiday \r\n\r\n2026-12-28\tVacation" + tail +
             "2026-12-25 Sick\r\n"},
        {Day(12, 25) + 0.5, DayMark::Vacation,
         head + "2026-12-25 Vacation\r\n2026-12-24 holiday \r\n\r\n2026-12-28\tVacation" + tail},
        {Day(12, 24), DayMark::None,
         head + "2026-12-25 Vacation\r\n\r\n2026-12-28\tVacation" + tail},
        {Day(12, 26), DayMark::Sick,
         head + "2026-12-25 Vacation\r\n\r\n2026-12-26 Sick\r\n2026-12-28\tVacation" + tail},
        {Day(1, 1), DayMark::Holiday,
         head +
             "2026-12-25 Vacation\r\n\r\n2026-12-26 Sick\r\n2026-12-28\tVacation\r\n"
             "2027-01-01 Holiday" +
             tail},
    };
    for (const auto& step : steps) {
        marks.Set(step.day, step.mark);
        EXPECT_EQ(marks.Text(), step.text) << step.day;
        EXPECT_EQ(marks.MarkOn(step.day), step.mark) << step.day;
    }
    EXPECT_EQ(marks.Marked().size(), 4u);
}

TEST(DayMarksFile, RoundTripsAndEveryFailingOperationLeavesTheOldFile) {
    EXPECT_EQ(DayMarksPath("C:\\Worktally\\worktaly.dat"), kMarks);
    MemoryFileSystem files;
    EXPECT_TRUE(ReadDayMarks(files, kMarks).Marked().empty());
    EXPECT_FALSE(files.File(kMarks).has_value()) << "reading creates nothing";

    DayMarks marks;
    marks.Set(Day(12, 24), DayMark::Holiday);
    WriteDayMarks(files, kMarks, marks);
    const std::string old = "2026-12-24 Holiday\r\n";
    EXPECT_EQ(Text(files.File(kMarks)), old);
    EXPECT_EQ(ReadDayMarks(files, kMarks).Marked(), marks.Marked());

    marks.Set(Day(12, 31), DayMark::Sick);
    for (const Op op : {Op::Create, Op::Write, Op::Flush, Op::Close, Op::Replace}) {
        files.ClearFaults();
        files.SetTornWriteBytes(5);
        files.FailAt(op);
        EXPECT_THROW(WriteDayMarks(files, kMarks, marks), IoError) << static_cast<int>(op);
        EXPECT_EQ(Text(files.File(kMarks)), old) << static_cast<int>(op);
        EXPECT_EQ(files.Paths(), std::vector<std::string>{kMarks}) << "no temporary left";
    }
    for (const Op op : {Op::OpenExisting, Op::Size, Op::Read, Op::Close}) {
        files.ClearFaults();
        files.FailAt(op);
        EXPECT_THROW(ReadDayMarks(files, kMarks), IoError) << static_cast<int>(op);
    }
    EXPECT_EQ(files.OpenFiles(), 0);
    files.ClearFaults();
    files.SetFile(kMarks, MemoryFileSystem::Bytes(16 * 1024 * 1024 + 1, '\n'));
    EXPECT_THROW(ReadDayMarks(files, kMarks), IoError) << "far too large for marks";
}
