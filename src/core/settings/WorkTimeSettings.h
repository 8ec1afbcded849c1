#pragma once

// The working-time settings: a weekly target, the work days, where the balance counts from and
// the breaks the law asks for. Stored as texts under the settings section; every parser says
// no (nullopt) to a text it cannot take, so the Options dialog can refuse it and loading can
// fall back to the default.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/time/DateTime.h"

class SettingsStore;

inline constexpr char kWeekHoursValue[] = "Week Hours";
inline constexpr char kWorkDaysValue[] = "Work Days";
inline constexpr char kBalanceFromValue[] = "Balance From";
inline constexpr char kDeductBreaksValue[] = "Deduct Breaks";
inline constexpr char kBreakRulesValue[] = "Break Rules";

inline constexpr std::int64_t kSecondsPerMinute = 60;
inline constexpr std::int64_t kSecondsPerHour = 3600;
inline constexpr std::int64_t kSecondsPerDay = 86400;
inline constexpr std::int64_t kLongestWeekSeconds = 7 * kSecondsPerDay;
// A rule beyond a day of work or break could never apply to a calendar day.
inline constexpr std::int64_t kLongestRuleSeconds = kSecondsPerDay;
inline constexpr std::size_t kMostBreakRules = 10;

// "After `after` of work at least `minimum` of break", in seconds.
struct BreakRule {
    std::int64_t after = 0;
    std::int64_t minimum = 0;
    bool operator==(const BreakRule&) const = default;
};

// Monday first.
using WorkDays = std::array<bool, 7>;

struct WorkTimeSettings {
    std::int64_t weekSeconds = 0;  // 0: no target, the feature off
    WorkDays workDays{true, true, true, true, true, false, false};
    std::optional<DateTime> balanceFrom;  // a midnight; nullopt: the first day of the log
    bool deductBreaks = false;
    std::vector<BreakRule> breakRules{{6 * kSecondsPerHour, 30 * kSecondsPerMinute},
                                      {9 * kSecondsPerHour, 45 * kSecondsPerMinute}};
    bool operator==(const WorkTimeSettings&) const = default;
};

// "38:30" as seconds: hours of one to four digits, a colon, minutes 00..59.
std::optional<std::int64_t> ParseHoursMinutes(const std::string& text);
// Whole minutes of `seconds` (not negative) as "h:mm"; seconds beyond them are dropped.
std::string HoursMinutesText(std::int64_t seconds);

// Hours a week, up to 168:00.
std::optional<std::int64_t> ParseWeekHours(const std::string& text);
// Seven characters 1 or 0, Monday first.
std::optional<WorkDays> ParseWorkDays(const std::string& text);
std::string WorkDaysText(const WorkDays& days);
// "2026-12-31" as its midnight, from 1900-01-01 to 9999-12-31.
std::optional<DateTime> ParseIsoDate(const std::string& text);
std::string IsoDateText(DateTime day);
// "1" or "0".
std::optional<bool> ParseFlag(const std::string& text);
// "6:00 0:30 9:00 0:45": one to kMostBreakRules pairs of h:mm, each up to 24:00, separated by
// blanks.
std::optional<std::vector<BreakRule>> ParseBreakRules(const std::string& text);
std::string BreakRulesText(const std::vector<BreakRule>& rules);

// Reads the five values; one that is missing, cannot be read or does not parse gives its
// default.
void LoadWorkTimeSettings(WorkTimeSettings& settings, SettingsStore& store);
// Throws StoreError; the values after the failing one are not written.
void SaveWorkTimeSettings(const WorkTimeSettings& settings, SettingsStore& store);
