#include "core/settings/WorkTimeSettings.h"

#include <cinttypes>
#include <cstdio>

#include "core/settings/Settings.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of `count` digits from `at`; nullopt when any is no digit.
std::optional<int> Digits(const std::string& text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::vector<std::string> BlankSeparated(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) ++at;
        const std::size_t start = at;
        while (at < text.size() && !IsBlank(text[at])) ++at;
        if (at > start) words.push_back(text.substr(start, at - start));
    }
    return words;
}

std::optional<std::int64_t> WithinLimit(std::optional<std::int64_t> seconds, std::int64_t limit) {
    if (seconds && *seconds > limit) return std::nullopt;
    return seconds;
}

}  // namespace

std::optional<std::int64_t> ParseHoursMinutes(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 4 || text.size() != colon + 3)
        return std::nullopt;
    const std::optional<int> hours = Digits(text, 0, colon);
    const std::optional<int> minutes = Digits(text, colon + 1, 2);
    if (!hours || !minutes || *minutes > 59) return std::nullopt;
    return *hours * kSecondsPerHour + *minutes * kSecondsPerMinute;
}

std::string HoursMinutesText(std::int64_t seconds) {
    const std::int64_t minutes = seconds / kSecondsPerMinute;
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64 ":%02" PRId64, minutes / 60, minutes % 60);
    return text;
}

std::optional<std::int64_t> ParseWeekHours(const std::string& text) {
    return WithinLimit(ParseHoursMinutes(text), kLongestWeekSeconds);
}

std::optional<WorkDays> ParseWorkDays(const std::string& text) {
    if (text.size() != 7) return std::nullopt;
    WorkDays days{};
    for (std::size_t day = 0; day < 7; ++day) {
        if (text[day] != '0' && text[day] != '1') return std::nullopt;
        days[day] = text[day] == '1';
    }
    return days;
}

std::string WorkDaysText(const WorkDays& days) {
    std::string text;
    for (const bool work : days) text += work ? '1' : '0';
    return text;
}

std::optional<DateTime> ParseIsoDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const std::optional<int> year = Digits(text, 0, 4);
    const std::optional<int> month = Digits(text, 5, 2);
    const std::optional<int> day = Digits(text, 8, 2);
    if (!year || !month || !day || *year < 1900 || *month < 1 || *month > 12 || *day < 1)
        return std::nullopt;
    const DateTime date = EncodeDate(*year, *month, *day);
    // A day past the month's end comes back as another date.
    const CivilDate back = DecodeDate(date);
    if (back.Year != *year || back.Month != *month || back.Day != *day) return std::nullopt;
    return date;
}

std::string IsoDateText(DateTime day) {
    const CivilDate date = DecodeDate(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::optional<bool> ParseFlag(const std::string& text) {
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

std::optional<std::vector<BreakRule>> ParseBreakRules(const std::string& text) {
    const std::vector<std::string> words = BlankSeparated(text);
    if (words.empty() || words.size() % 2 != 0 || words.size() > 2 * kMostBreakRules)
        return std::nullopt;
    std::vector<BreakRule> rules;
    for (std::size_t at = 0; at < words.size(); at += 2) {
        const auto after = WithinLimit(ParseHoursMinutes(words[at]), kLongestRuleSeconds);
        const auto minimum = WithinLimit(ParseHoursMinutes(words[at + 1]), kLongestRuleSeconds);
        if (!after || !minimum) return std::nullopt;
        rules.push_back(BreakRule{*after, *minimum});
    }
    return rules;
}

std::string BreakRulesText(const std::vector<BreakRule>& rules) {
    std::string text;
    for (const BreakRule& rule : rules) {
        if (!text.empty()) text += ' ';
        text += HoursMinutesText(rule.after) + ' ' + HoursMinutesText(rule.minimum);
    }
    return text;
}

void LoadWorkTimeSettings(WorkTimeSettings& settings, SettingsStore& store) {
    const WorkTimeSettings defaults;
    // A value of another type than text does not parse either.
    const auto read = [&](const char* name) {
        try {
            return ReadString(store, kSettingsSection, name, "");
        } catch (const StoreError&) {
            return std::string();
        }
    };
    settings.weekSeconds = ParseWeekHours(read(kWeekHoursValue)).value_or(defaults.weekSeconds);
    settings.workDays = ParseWorkDays(read(kWorkDaysValue)).value_or(defaults.workDays);
    settings.balanceFrom = ParseIsoDate(read(kBalanceFromValue));
    settings.deductBreaks = ParseFlag(read(kDeductBreaksValue)).value_or(defaults.deductBreaks);
    settings.breakRules = ParseBreakRules(read(kBreakRulesValue)).value_or(defaults.breakRules);
}

void SaveWorkTimeSettings(const WorkTimeSettings& settings, SettingsStore& store) {
    WriteString(store, kSettingsSection, kWeekHoursValue, HoursMinutesText(settings.weekSeconds));
    WriteString(store, kSettingsSection, kWorkDaysValue, WorkDaysText(settings.workDays));
    WriteString(store, kSettingsSection, kBalanceFromValue,
                settings.balanceFrom ? IsoDateText(*settings.balanceFrom) : std::string());
    WriteBool(store, kSettingsSection, kDeductBreaksValue, settings.deductBreaks);
    WriteString(store, kSettingsSection, kBreakRulesValue, BreakRulesText(settings.breakRules));
}
