#include "core/reports/TrayTipText.h"

#include "core/reports/DurationText.h"

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
