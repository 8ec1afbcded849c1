#include "core/reports/DayMarks.h"

#include "core/log/LogFolder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/settings/WorkTimeSettings.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Far more than a lifetime of marks; a larger file is no marks file.
constexpr std::int64_t kLargestFile = 16 * 1024 * 1024;

constexpr std::array<DayMark, 3> kMarks = {DayMark::Holiday, DayMark::Vacation, DayMark::Sick};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// "2026-12-24 Holiday", the name in any case and blanks around it.
std::optional<MarkedDay> ParseLine(std::string_view line) {
    if (line.size() < 12 || !IsBlank(line[10])) return std::nullopt;
    const std::optional<DateTime> day = ParseIsoDate(std::string(line.substr(0, 10)));
    if (!day) return std::nullopt;
    std::size_t first = 10;
    while (first < line.size() && IsBlank(line[first])) ++first;
    std::size_t last = line.size();
    while (last > first && IsBlank(line[last - 1])) --last;
    const std::string_view name = line.substr(first, last - first);
    for (const DayMark mark : kMarks)
        if (SameLetters(name, MarkName(mark))) return MarkedDay{*day, mark};
    return std::nullopt;
}

std::string LineOf(std::int32_t day, DayMark mark) {
    return IsoDateText(day) + ' ' + MarkName(mark);
}

}  // namespace

std::string MarkName(DayMark mark) {
    switch (mark) {
        case DayMark::None:
            return {};
        case DayMark::Holiday:
            return "Holiday";
        case DayMark::Vacation:
            return "Vacation";
        case DayMark::Sick:
            return "Sick";
    }
    return {};
}

DayMarks DayMarks::Parse(std::string_view text) {
    DayMarks marks;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        marks.bom_ = kByteOrderMark;
        text.remove_prefix(kByteOrderMark.size());
    }
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Line kept{std::string(line), std::nullopt};
        if (const std::optional<MarkedDay> marked = ParseLine(line)) {
            kept.day = static_cast<std::int32_t>(marked->day);
            marks.marked_.push_back(*marked);
        }
        marks.lines_.push_back(std::move(kept));
    }
    // A file sorted by hand may be out of order; the first line of a day decides it.
    const auto byDay = [](const MarkedDay& a, const MarkedDay& b) { return a.day < b.day; };
    std::stable_sort(marks.marked_.begin(), marks.marked_.end(), byDay);
    const auto sameDay = [](const MarkedDay& a, const MarkedDay& b) { return a.day == b.day; };
    marks.marked_.erase(std::unique(marks.marked_.begin(), marks.marked_.end(), sameDay),
                        marks.marked_.end());
    return marks;
}

std::string DayMarks::Text() const {
    std::string text = bom_;
    for (const Line& line : lines_) {
        text += line.text;
        text += "\r\n";
    }
    return text;
}

DayMark DayMarks::MarkOn(DateTime day) const {
    const DateTime midnight = std::floor(day);
    const auto it = std::lower_bound(
        marked_.begin(), marked_.end(), midnight,
        [](const MarkedDay& marked, DateTime value) { return marked.day < value; });
    return it != marked_.end() && it->day == midnight ? it->mark : DayMark::None;
}

void DayMarks::Set(DateTime day, DayMark mark) {
    const auto key = static_cast<std::int32_t>(std::floor(day));
    const auto isDay = [key](const Line& line) { return line.day == key; };
    const auto found = std::find_if(lines_.begin(), lines_.end(), isDay);
    if (found != lines_.end()) {
        // The day's first line takes the new mark; lines that marked it again go.
        const auto index = found - lines_.begin();
        lines_.erase(std::remove_if(found + 1, lines_.end(), isDay), lines_.end());
        if (mark == DayMark::None)
            lines_.erase(lines_.begin() + index);
        else
            lines_[static_cast<std::size_t>(index)].text = LineOf(key, mark);
    } else if (mark != DayMark::None) {
        // Before the first later mark, else after the last mark, so notes around stay put.
        auto at = std::find_if(lines_.begin(), lines_.end(),
                               [key](const Line& line) { return line.day && *line.day > key; });
        if (at == lines_.end()) {
            const auto lastMark =
                std::find_if(lines_.rbegin(), lines_.rend(),
                             [](const Line& line) { return line.day.has_value(); });
            at = lastMark == lines_.rend() ? lines_.end() : lastMark.base();
        }
        lines_.insert(at, Line{LineOf(key, mark), key});
    }

    const auto it = std::lower_bound(
        marked_.begin(), marked_.end(), key,
        [](const MarkedDay& marked, std::int32_t value) { return marked.day < value; });
    const bool present = it != marked_.end() && it->day == key;
    if (mark == DayMark::None) {
        if (present) marked_.erase(it);
    } else if (present) {
        it->mark = mark;
    } else {
        marked_.insert(it, MarkedDay{static_cast<DateTime>(key), mark});
    }
}

std::string DayMarksPath(const std::string& logPath) {
    return logPath + ".days";
}

std::string DayMarksPath(const std::string& logPath, const std::string& folder) {
    // Shared by every computer of the folder; beside a single log, named after it.
    return folder.empty() ? DayMarksPath(logPath) : PathInFolder(folder, kFolderMarksName);
}

DayMarks ReadDayMarks(FileSystem& files, const std::string& path) {
    if (!files.Exists(path)) return DayMarks();
    auto file = files.OpenExisting(path);
    const std::int64_t size = file->Size();
    if (size < 0 || size > kLargestFile) throw IoError(path + " is too large for marks of days");
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0) file->Read(text.data(), text.size());
    file->Close();
    return DayMarks::Parse(text);
}

void WriteDayMarks(FileSystem& files, const std::string& path, const DayMarks& marks) {
    const std::string text = marks.Text();
    ReplaceFileContents(files, path, path + ".tmp", text.data(), text.size());
}
