#include "core/reports/CsvReports.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "core/reports/DurationText.h"
#include "core/reports/Weeks.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

// "2026-12-08"
void AppendDate(std::string& text, DateTime value) {
    const CivilDate date = DecodeDate(value);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    text += buffer;
}

// "2026-12-08 08:00:00"; the seconds are those the tree's times show, from DecodeTime.
void AppendDateTime(std::string& text, DateTime value) {
    AppendDate(text, value);
    const CivilTime time = DecodeTime(value);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", time.Hour, time.Minute, time.Second);
    text += buffer;
}

// ",8:55,8.92"
void AppendDuration(std::string& text, double days) {
    text += ',';
    text += DurationText(days);
    text += ',';
    text += DecimalHoursText(days);
}

std::string DaysCsv(const LogTotals& totals) {
    std::string text = "Date,Duration,Hours";
    text += kLineEnd;
    for (const DayTotal& day : totals.Days()) {
        AppendDate(text, day.day);
        AppendDuration(text, day.duration);
        text += kLineEnd;
    }
    return text;
}

std::string WeeksCsv(const LogTotals& totals) {
    std::string text = "Week,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,Sunday,Total";
    text += kLineEnd;
    for (const WeekTotal& week : WeekTotals(totals.Days(), kMonday)) {
        const IsoWeek iso = IsoWeekOf(week.firstDay);
        char label[16];
        std::snprintf(label, sizeof label, "%04d-W%02d", iso.year, iso.week);
        text += label;
        for (const double day : week.days) {
            text += ',';
            text += DurationText(day);
        }
        text += ',';
        text += DurationText(week.total);
        text += kLineEnd;
    }
    return text;
}

std::string SessionsCsv(const LogTotals& totals) {
    std::string text = "Start,End,Duration,Hours";
    text += kLineEnd;
    text.reserve(text.size() + totals.Sessions().size() * 52);
    for (const Session& session : totals.Sessions()) {
        AppendDateTime(text, session.start);
        text += ',';
        AppendDateTime(text, session.end);
        AppendDuration(text, session.end - session.start);
        text += kLineEnd;
    }
    return text;
}

}  // namespace

std::string CsvText(const LogTotals& totals, CsvKind kind) {
    switch (kind) {
        case CsvKind::Days:
            return DaysCsv(totals);
        case CsvKind::Weeks:
            return WeeksCsv(totals);
        case CsvKind::Sessions:
            return SessionsCsv(totals);
        case CsvKind::Timesheet:
            throw std::invalid_argument("a timesheet is made by TimesheetCsv");
    }
    return std::string();
}

std::string CsvTemporaryPath(const std::string& path) {
    return path + ".tmp";
}

void WriteCsvFile(FileSystem& files, const std::string& path, const std::string& text) {
    ReplaceFileContents(files, path, CsvTemporaryPath(path), text.data(), text.size());
}
