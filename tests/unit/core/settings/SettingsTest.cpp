#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/Settings.h"
#include "unit/support/FakeSettingsStore.h"

namespace {

using Type = SettingsStore::ValueType;
const FakeSettingsStore::Key kPassword{"Settings", "Password"};
const FakeSettingsStore::Key kOneUser{"Settings", "AR One User"};
const FakeSettingsStore::Key kAwayLocked{"Settings", "Away When Locked"};
const FakeSettingsStore::Key kAwayIdle{"Settings", "Away Idle Minutes"};
const FakeSettingsStore::Key kUserName{"Settings", "AR User Name"};
const FakeSettingsStore::Key kWeekHours{"Settings", "Week Hours"};
const FakeSettingsStore::Key kWorkDays{"Settings", "Work Days"};
const FakeSettingsStore::Key kBalanceFrom{"Settings", "Balance From"};
const FakeSettingsStore::Key kDeductBreaks{"Settings", "Deduct Breaks"};
const FakeSettingsStore::Key kBreakRules{"Settings", "Break Rules"};
const FakeSettingsStore::Key kSharedFolder{"Settings", "Shared Folder"};

FakeSettingsStore OpenStore() {
    FakeSettingsStore store;
    store.Open();
    return store;
}

}  // namespace

TEST(SettingsRules, ReadStringTakesTextUpToTheFirstNul) {
    const struct {
        Type type;
        std::string data;
        std::string expected;
    } cases[] = {
        {Type::String, std::string("abc\0", 4), "abc"},
        {Type::ExpandString, std::string("%TEMP%\0", 7), "%TEMP%"},
        {Type::String, "", ""},  // a value without data
        {Type::String, "no terminator", "no terminator"},
        {Type::String, std::string("ab\0cd\0", 6), "ab"},
        {Type::String, std::string("\0x", 2), ""},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store = OpenStore();
        store.PutRaw("S", "V", c.type, c.data);
        EXPECT_EQ(ReadString(store, "S", "V", "default"), c.expected) << c.expected;
    }
    FakeSettingsStore store = OpenStore();
    store.Put("S", "Other", "x");
    EXPECT_EQ(ReadString(store, "S", "V", "default"), "default");
    EXPECT_EQ(ReadString(store, "T", "Other", "default"), "default");
}

TEST(SettingsRules, NonTextTypeIsAReadError) {
    FakeSettingsStore store = OpenStore();
    store.PutRaw("S", "V", Type::Other, std::string("\x01\0\0\0", 4));
    EXPECT_THROW(ReadString(store, "S", "V", ""), StoreError);
    EXPECT_THROW(ReadInteger(store, "S", "V", 3), StoreError);
    EXPECT_THROW(ReadBool(store, "S", "V", true), StoreError);
}

TEST(SettingsRules, ReadIntegerAcceptsPlainDecimalOnly) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"42", 42},
        {"-17", -17},
        {"0", 0},
        {"-0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"", 99},
        {"abc", 99},
        {"12a", 99},
        {"1 ", 99},
        {" 1", 99},
        {"-", 99},
        {"2147483648", 99},
        {"-2147483649", 99},
        {"99999999999999999999999", 99},
        {"0x10", 99},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store = OpenStore();
        store.Put("Main Window", "Top", c.text);
        EXPECT_EQ(ReadInteger(store, "Main Window", "Top", 99), c.expected) << c.text;
    }
    FakeSettingsStore empty = OpenStore();
    EXPECT_EQ(ReadInteger(empty, "Main Window", "Top", -5), -5);
}

TEST(SettingsRules, ReadBoolIsTrueForAnyNonZeroInteger) {
    const struct {
        std::optional<std::string> text;  // nullopt: value missing
        bool whenDefaultFalse;
        bool whenDefaultTrue;
    } cases[] = {
        {"1", true, true},     {"0", false, false},         {"2", true, true},
        {"-1", true, true},    {"yes", false, true},        {"", false, true},
        {"true", false, true}, {std::nullopt, false, true},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store = OpenStore();
        if (c.text) store.Put("S", "Flag", *c.text);
        const std::string label = c.text.value_or("<missing>");
        EXPECT_EQ(ReadBool(store, "S", "Flag", false), c.whenDefaultFalse) << label;
        EXPECT_EQ(ReadBool(store, "S", "Flag", true), c.whenDefaultTrue) << label;
    }
}

TEST(SettingsRules, WritesStoreDecimalTextAndFlags) {
    FakeSettingsStore store = OpenStore();
    WriteInteger(store, "Main Window", "Left", -1280);
    WriteInteger(store, "Main Window", "Top", -2147483647 - 1);
    WriteInteger(store, "Main Window", "Width", 0);
    WriteBool(store, "S", "On", true);
    WriteBool(store, "S", "Off", false);
    WriteString(store, "S", "Text", "a b");
    EXPECT_EQ(store.Text("Main Window", "Left"), "-1280");
    EXPECT_EQ(store.Text("Main Window", "Top"), "-2147483648");
    EXPECT_EQ(store.Text("Main Window", "Width"), "0");
    EXPECT_EQ(store.Text("S", "On"), "1");
    EXPECT_EQ(store.Text("S", "Off"), "0");
    EXPECT_EQ(store.Text("S", "Text"), "a b");
    // What is written reads back unchanged.
    EXPECT_EQ(ReadInteger(store, "Main Window", "Top", 7), -2147483647 - 1);
    EXPECT_TRUE(ReadBool(store, "S", "On", false));
    EXPECT_FALSE(ReadBool(store, "S", "Off", true));

    store.FailSetAt = FakeSettingsStore::Key{"S", "Text"};
    EXPECT_THROW(WriteString(store, "S", "Text", "new"), StoreError);
    EXPECT_THROW(WriteBool(store, "S", "Text", true), StoreError);
    EXPECT_THROW(WriteInteger(store, "S", "Text", 1), StoreError);
    EXPECT_EQ(store.Text("S", "Text"), "a b");
}

TEST(LoadSettings, FirstStartThenSaveWritesTheDefaults) {
    FakeSettingsStore store;
    ProgramState state;
    LoadSettings(state, store);
    EXPECT_EQ(state.EncodedPassword, "");
    EXPECT_FALSE(state.OneUser);
    EXPECT_EQ(state.AutoRunUserName, "");

    SaveSettings(state, store);
    EXPECT_EQ(store.Written,
              (std::vector<FakeSettingsStore::Key>{kPassword, kOneUser, kUserName, kAwayLocked,
                                                   kAwayIdle, kWeekHours, kWorkDays, kBalanceFrom,
                                                   kDeductBreaks, kBreakRules, kSharedFolder}));
    EXPECT_EQ(store.Text("Settings", "Shared Folder"), "");
    EXPECT_EQ(store.Text("Settings", "Away When Locked"), "0");
    EXPECT_EQ(store.Text("Settings", "Away Idle Minutes"), "0");
    EXPECT_EQ(store.Values.at(kPassword).Data, std::string(1, '\0'));
    EXPECT_EQ(store.Text("Settings", "AR One User"), "0");
    EXPECT_EQ(store.Text("Settings", "AR User Name"), "");
    EXPECT_EQ(store.OpenCount, 2);
    EXPECT_EQ(store.CloseCount, 2);
    EXPECT_FALSE(store.IsOpen);
}

TEST(LoadSettings, ReadsStoredValuesAndRoundTrips) {
    FakeSettingsStore store;
    store.Put("Settings", "Password", "35135B");
    store.Put("Settings", "AR One User", "1");
    store.Put("Settings", "AR User Name", "Jane Doe");
    store.Put("Settings", "Away When Locked", "1");
    store.Put("Settings", "Away Idle Minutes", "240");
    store.Put("Settings", "Shared Folder", "E:\\OneDrive\\Zeit für mich");
    ProgramState state;
    LoadSettings(state, store);
    EXPECT_EQ(state.SharedFolder, "E:\\OneDrive\\Zeit für mich");
    EXPECT_EQ(state.EncodedPassword, "35135B");
    EXPECT_TRUE(state.OneUser);
    EXPECT_EQ(state.AutoRunUserName, "Jane Doe");
    EXPECT_TRUE(state.AwayWhenLocked);
    EXPECT_EQ(state.AwayIdleMinutes, 240);

    FakeSettingsStore copy;
    SaveSettings(state, copy);
    EXPECT_EQ(copy.Values.size(), 11u);  // with the five working-time values
    for (const auto& key :
         {kPassword, kOneUser, kUserName, kAwayLocked, kAwayIdle, kSharedFolder}) {
        EXPECT_EQ(copy.Values.at(key).Data, store.Values.at(key).Data) << key.second;
    }
}

TEST(LoadSettings, MissingOrInvalidValuesKeepTheCurrentOnes) {
    const struct {
        std::optional<std::string> oneUser;
        bool before;
        bool after;
    } cases[] = {
        {"2", false, true},    {"-1", false, true},        {"0", true, false},
        {"yes", false, false}, {"yes", true, true},        {"", false, false},
        {"", true, true},      {std::nullopt, true, true}, {std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        if (c.oneUser) store.Put("Settings", "AR One User", *c.oneUser);
        ProgramState state;
        state.OneUser = c.before;
        state.AutoRunUserName = "kept";
        state.EncodedPassword = "AA";  // the password's default is empty, not the current one
        LoadSettings(state, store);
        const std::string label = c.oneUser.value_or("<missing>");
        EXPECT_EQ(state.OneUser, c.after) << label;
        EXPECT_EQ(state.AutoRunUserName, "kept") << label;
        EXPECT_EQ(state.EncodedPassword, "") << label;
    }
}

TEST(LoadSettings, AwayValuesOutsideTheirRangeLoadAsOff) {
    const struct {
        const char* locked;
        const char* idle;
        bool lockedAfter;
        int idleAfter;
    } cases[] = {
        {"1", "1", true, 1},     {"0", "0", false, 0},  {"2", "241", false, 0},
        {"yes", "-5", false, 0}, {"", "10 ", false, 0}, {"1", "99999999999", true, 0},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        store.Put("Settings", "Away When Locked", c.locked);
        store.Put("Settings", "Away Idle Minutes", c.idle);
        ProgramState state;
        state.AwayWhenLocked = true;
        state.AwayIdleMinutes = 7;
        LoadSettings(state, store);
        EXPECT_EQ(state.AwayWhenLocked, c.lockedAfter) << c.locked;
        EXPECT_EQ(state.AwayIdleMinutes, c.idleAfter) << c.idle;
    }
}

TEST(LoadSettings, StopsSilentlyAtTheFailingValue) {
    // failAt: 0 = Open, 1..3 = the value in load order; both a store error and a value of a
    // non-text type count.
    const FakeSettingsStore::Key order[] = {kPassword, kOneUser, kUserName};
    for (int failAt = 0; failAt <= 3; ++failAt) {
        for (bool wrongType : {false, true}) {
            if (failAt == 0 && wrongType) continue;
            FakeSettingsStore store;
            store.Put("Settings", "Password", "35");
            store.Put("Settings", "AR One User", "1");
            store.Put("Settings", "AR User Name", "bob");
            if (failAt == 0) {
                store.FailOpen = true;
            } else if (wrongType) {
                store.PutRaw("Settings", order[failAt - 1].second, Type::Other, "1");
            } else {
                store.FailQueryAt = order[failAt - 1];
            }
            ProgramState state;
            state.EncodedPassword = "old";
            state.AutoRunUserName = "old";
            EXPECT_NO_THROW(LoadSettings(state, store));

            const std::string label = std::to_string(failAt) + (wrongType ? " type" : " error");
            EXPECT_EQ(state.EncodedPassword, failAt > 1 ? "35" : "old") << label;
            EXPECT_EQ(state.OneUser, failAt > 2) << label;
            EXPECT_EQ(state.AutoRunUserName, "old") << label;
            EXPECT_EQ(store.Queried.size(), static_cast<std::size_t>(failAt)) << label;
            EXPECT_FALSE(store.IsOpen) << label;
            EXPECT_EQ(store.OpenCount, store.CloseCount) << label;
        }
    }
}

TEST(SaveSettings, StopsSilentlyAtTheFailingValue) {
    const FakeSettingsStore::Key order[] = {kPassword, kOneUser, kUserName};
    ProgramState state;
    state.EncodedPassword = "35135B";
    state.OneUser = true;
    state.AutoRunUserName = "bob";
    for (int failAt = 0; failAt <= 3; ++failAt) {
        FakeSettingsStore store;
        if (failAt == 0) {
            store.FailOpen = true;
        } else {
            store.FailSetAt = order[failAt - 1];
        }
        EXPECT_NO_THROW(SaveSettings(state, store));
        const std::vector<FakeSettingsStore::Key> expected(order,
                                                           order + (failAt == 0 ? 0 : failAt - 1));
        EXPECT_EQ(store.Written, expected) << failAt;
        EXPECT_EQ(store.Values.size(), expected.size()) << failAt;
        EXPECT_FALSE(store.IsOpen) << failAt;
        EXPECT_EQ(store.OpenCount, store.CloseCount) << failAt;
    }
}
