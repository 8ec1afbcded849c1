#include "core/reports/TrayTipText.h"

#include <cmath>

#include "core/tree/Period.h"

std::string TotalsLine(const CurrentTotals& totals) {
    return "Today " + DurationText(totals.today) + ", this week " + DurationText(totals.thisWeek);
}

std::string TrayTipText(const std::string& firstLine, const std::string& secondLine,
                        std::size_t capacity) {
    if (!secondLine.empty() && firstLine.size() + 1 + secondLine.size() <= capacity)
        return firstLine + "\n" + secondLine;
    return firstLine.substr(0, capacity);
}

std::string TrayTipText(const std::string& firstLine, const std::string& secondLine,
                        const std::string& thirdLine, std::size_t capacity) {
    if (secondLine.empty()) return TrayTipText(firstLine, thirdLine, capacity);
    std::string text = TrayTipText(firstLine, secondLine, capacity);
    if (!thirdLine.empty() && text.size() > firstLine.size() &&
        text.size() + 1 + thirdLine.size() <= capacity)
        text += "\n" + thirdLine;
    return text;
}

CurrentTotals CurrentTotalsOfTree(const LogTree& tree, DateTime now, int firstDayOfWeek) {
    CurrentTotals current;
    const DateTime today = std::trunc(now);
    const DateTime first = WeekStart(now, firstDayOfWeek);
    const DateTime last = first + 6;
    const CivilDate from = DecodeDate(first);
    const CivilDate to = DecodeDate(last);
    const auto monthKey = [](int year, int month) { return year * 12 + month; };
    const auto children = [&](std::int32_t parent, auto&& visit) {
        for (std::int32_t node = tree.Nodes[static_cast<std::size_t>(parent)].FirstChild; node >= 0;
             node = tree.Nodes[static_cast<std::size_t>(node)].NextSibling)
            visit(tree.Nodes[static_cast<std::size_t>(node)].Info, node);
    };
    // Only the years and months that hold the week are opened.
    for (std::int32_t year = tree.FirstTop; year >= 0;
         year = tree.Nodes[static_cast<std::size_t>(year)].NextSibling) {
        const Period& yearInfo = tree.Nodes[static_cast<std::size_t>(year)].Info;
        if (yearInfo.Kind != PeriodKind::Year || yearInfo.Year < from.Year ||
            yearInfo.Year > to.Year)
            continue;
        children(year, [&](const Period& month, std::int32_t monthNode) {
            const int key = monthKey(month.Year, month.Month);
            if (month.Kind != PeriodKind::Month || key < monthKey(from.Year, from.Month) ||
                key > monthKey(to.Year, to.Month))
                return;
            children(monthNode, [&](const Period& day, std::int32_t) {
                if (day.Kind != PeriodKind::Day) return;
                const DateTime date = EncodeDate(day.Year, day.Month, day.Day);
                if (date < first || date > last) return;
                current.thisWeek += day.Duration;
                if (date == today) current.today += day.Duration;
            });
        });
    }
    return current;
}
