#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/settings/Settings.h"
#include "core/settings/WorkTimeSettings.h"
#include "unit/support/FakeSettingsStore.h"

namespace {

// 2000-01-01 is day 36526 of the calendar from 1899-12-30; 2024-02-29 is 8825 days later.
constexpr DateTime kLeapDay2024 = 45351;

}  // namespace

TEST(WorkTimeSettings, EachValueLoadsOrFallsBackToItsDefault) {
    using Change = std::function<void(WorkTimeSettings&)>;
    const Change none = [](WorkTimeSettings&) {};
    const struct {
        const char* name;
        const char* text;
        Change change;  // what the text changes from the defaults; `none` for a bad text
    } cases[] = {
        {"Week Hours", "38:30", [](auto& s) { s.weekSeconds = 38 * 3600 + 30 * 60; }},
        {"Week Hours", "168:00", [](auto& s) { s.weekSeconds = 168 * 3600; }},
        {"Week Hours", "168:01", none},
        {"Week Hours", "8:60", none},
        {"Week Hours", "-1:00", none},
        {"Week Hours", " 8:00", none},
        {"Week Hours", "8", none},
        {"Work Days", "0111111",
         [](auto& s) { s.workDays = {false, true, true, true, true, true, true}; }},
        {"Work Days", "111110", none},
        {"Work Days", "1111102", none},
        {"Balance From", "2024-02-29", [](auto& s) { s.balanceFrom = kLeapDay2024; }},
        {"Balance From", "2023-02-29", none},
        {"Balance From", "2026-04-31", none},
        {"Balance From", "1899-12-31", none},
        {"Balance From", "24-02-29", none},
        {"Deduct Breaks", "1", [](auto& s) { s.deductBreaks = true; }},
        {"Deduct Breaks", "yes", none},
        {"Break Rules", " 0:00\t0:05  24:00 1:00 ",
         [](auto& s) {
             s.breakRules = {{0, 300}, {86400, 3600}};
         }},
        {"Break Rules", "6:00 0:30 9:00", none},
        {"Break Rules", "25:00 0:30", none},
        {"Break Rules", "", none},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        store.Open();
        store.Put("Settings", c.name, c.text);
        WorkTimeSettings expected;
        c.change(expected);
        WorkTimeSettings loaded;
        loaded.weekSeconds = 60;  // what was there before does not count
        LoadWorkTimeSettings(loaded, store);
        EXPECT_EQ(loaded, expected) << c.name << " " << c.text;
    }
    // A value of another type than text is no setting either.
    FakeSettingsStore odd;
    odd.Open();
    odd.PutRaw("Settings", "Deduct Breaks", SettingsStore::ValueType::Other, "\x01");
    WorkTimeSettings loaded;
    loaded.deductBreaks = true;
    EXPECT_NO_THROW(LoadWorkTimeSettings(loaded, odd));
    EXPECT_EQ(loaded, WorkTimeSettings());
}

TEST(WorkTimeSettings, SavedWithTheOtherSettingsAndReadBack) {
    ProgramState state;
    FakeSettingsStore store;
    SaveSettings(state, store);
    EXPECT_EQ(store.Text("Settings", "Week Hours"), "0:00");
    EXPECT_EQ(store.Text("Settings", "Work Days"), "1111100");
    EXPECT_EQ(store.Text("Settings", "Balance From"), "");
    EXPECT_EQ(store.Text("Settings", "Deduct Breaks"), "0");
    EXPECT_EQ(store.Text("Settings", "Break Rules"), "6:00 0:30 9:00 0:45");

    state.WorkTime.weekSeconds = 37 * 3600 + 30 * 60;
    state.WorkTime.workDays = {true, false, false, false, false, false, true};
    state.WorkTime.balanceFrom = kLeapDay2024;
    state.WorkTime.deductBreaks = true;
    state.WorkTime.breakRules = {{6 * 3600, 15 * 60}};
    SaveSettings(state, store);
    EXPECT_EQ(store.Text("Settings", "Week Hours"), "37:30");
    EXPECT_EQ(store.Text("Settings", "Work Days"), "1000001");
    EXPECT_EQ(store.Text("Settings", "Balance From"), "2024-02-29");
    EXPECT_EQ(store.Text("Settings", "Break Rules"), "6:00 0:15");
    ProgramState loaded;
    LoadSettings(loaded, store);
    EXPECT_EQ(loaded.WorkTime, state.WorkTime);
}
