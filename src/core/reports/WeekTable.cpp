#include "core/reports/WeekTable.h"

#include <algorithm>
#include <cmath>

#include "core/reports/DurationText.h"

namespace {

constexpr double kHoursPerDay = 24;

int ValidFirstDay(int firstDayOfWeek) {
    return firstDayOfWeek < kMonday || firstDayOfWeek > kSunday ? kMonday : firstDayOfWeek;
}

// The name of the `index`-th day of a week that starts on `firstDayOfWeek`.
const std::string& NameOfDay(const DayNames& names, int firstDayOfWeek, std::size_t index) {
    return names[(static_cast<std::size_t>(firstDayOfWeek) + index) % 7];
}

// A cell of hours as h:mm; blank for none.
std::string HoursCellText(double hours) {
    return hours > 0 ? DurationText(hours / kHoursPerDay) : std::string();
}

}  // namespace

std::string WeekTable::CellText(std::size_t row, std::size_t column) const {
    if (row >= rows.size()) return {};
    const WeekRow& week = rows[row];
    if (column == 0) return DateText(week.firstDay, formats);
    if (column <= 7) return HoursCellText(week.hours[column - 1]);
    if (column == 8) return HoursCellText(week.totalHours);
    return {};
}

std::optional<std::size_t> WeekTable::RowOf(DateTime firstDay) const {
    // Newest first: the search runs on descending start days.
    const auto it =
        std::lower_bound(rows.begin(), rows.end(), firstDay,
                         [](const WeekRow& row, DateTime day) { return row.firstDay > day; });
    if (it == rows.end() || it->firstDay != firstDay) return std::nullopt;
    return static_cast<std::size_t>(it - rows.begin());
}

WeekTable BuildWeekTable(const std::vector<DayTotal>& days, int firstDayOfWeek,
                         const DayNames& names, const LocaleFormats& formats) {
    WeekTable table;
    table.firstDayOfWeek = ValidFirstDay(firstDayOfWeek);
    table.headers[0] = "Week";
    for (std::size_t day = 0; day < 7; ++day)
        table.headers[day + 1] = NameOfDay(names, table.firstDayOfWeek, day);
    table.headers[8] = "Total";
    table.formats = formats;

    const std::vector<WeekTotal> weeks = WeekTotals(days, table.firstDayOfWeek);
    table.rows.resize(weeks.size());
    double sum = 0;
    std::size_t daysWorked = 0;
    auto row = table.rows.begin();
    for (auto week = weeks.rbegin(); week != weeks.rend(); ++week, ++row) {
        row->firstDay = week->firstDay;
        for (std::size_t day = 0; day < 7; ++day) {
            const double duration = week->days[day];
            row->hours[day] = duration * kHoursPerDay;
            if (duration > 0) {
                sum += duration;
                ++daysWorked;
            }
        }
        row->totalHours = week->total * kHoursPerDay;
    }
    table.averageDayHours =
        daysWorked > 0 ? sum * kHoursPerDay / static_cast<double>(daysWorked) : 0;
    return table;
}

WeekChart ChartOf(const WeekTable& table, DateTime firstDay) {
    WeekChart chart;
    chart.firstDay = firstDay;
    for (std::size_t day = 0; day < 7; ++day) chart.dayNames[day] = table.headers[day + 1];
    if (const auto row = table.RowOf(firstDay)) {
        const WeekRow& week = table.rows[*row];
        chart.hours = week.hours;
        for (std::size_t day = 0; day < 7; ++day) chart.labels[day] = table.CellText(*row, day + 1);
    }
    chart.averageHours = table.averageDayHours;
    const double tallest =
        std::max(*std::max_element(chart.hours.begin(), chart.hours.end()), chart.averageHours);
    chart.topHours = std::floor(tallest) + 1;
    return chart;
}

int BarLabelTop(int barTop, int bottom, int line, int gap, int averageY) {
    const bool inside = bottom - barTop >= line + 2 * gap;
    const int top = inside ? barTop + gap : barTop - line;
    const bool crossed = averageY >= top - gap && averageY < top + line + gap;
    if (averageY < 0 || !crossed) return top;
    if (inside && averageY + gap + 1 + line <= bottom) return averageY + gap + 1;
    return averageY - gap - line;
}
