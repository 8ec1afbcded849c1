#pragma once

// Days marked off work (a holiday, vacation, sick leave), kept in a UTF-8 text file: one line
// "2026-12-24 Holiday" per marked day, CRLF, sorted by date. Lines it does not understand stay
// as they are, where they are, so a note written by hand survives a change of marks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/log/LogFile.h"
#include "core/time/DateTime.h"

enum class DayMark { None, Holiday, Vacation, Sick };

// "Holiday", "Vacation", "Sick"; empty for None.
std::string MarkName(DayMark mark);

struct MarkedDay {
    DateTime day = 0;  // midnight
    DayMark mark = DayMark::None;
    bool operator==(const MarkedDay&) const = default;
};

class DayMarks {
  public:
    // The file's text; every line is taken, understood or not.
    static DayMarks Parse(std::string_view text);
    // The file's text after the changes: every line ends in CRLF.
    std::string Text() const;

    DayMark MarkOn(DateTime day) const;
    // Marks the day holding `day`; None clears its mark.
    void Set(DateTime day, DayMark mark);
    // The marked days, oldest first.
    const std::vector<MarkedDay>& Marked() const { return marked_; }

  private:
    struct Line {
        std::string text;
        std::optional<std::int32_t> day;  // set on a mark's line
    };

    std::string bom_;  // a UTF-8 byte order mark the file began with, written back
    std::vector<Line> lines_;
    std::vector<MarkedDay> marked_;
};

// The marks of a shared folder's logs, in the folder.
inline constexpr char kFolderMarksName[] = "worktally.days";
// Beside the log: "worktaly.dat.days".
std::string DayMarksPath(const std::string& logPath);
// The marks of the log, or of a shared folder's logs when `folder` is not empty.
std::string DayMarksPath(const std::string& logPath, const std::string& folder);

// A missing file holds no marks. Throws IoError.
DayMarks ReadDayMarks(FileSystem& files, const std::string& path);
// Writes beside the file, then replaces it: a failure leaves the old file and no temporary
// behind. Throws IoError.
void WriteDayMarks(FileSystem& files, const std::string& path, const DayMarks& marks);
