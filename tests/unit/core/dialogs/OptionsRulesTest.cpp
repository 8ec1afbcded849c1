#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/Settings.h"
#include "core/autorun/AutoRunEntry.h"
#include "core/dialogs/LinkRules.h"
#include "core/dialogs/OptionsRules.h"
#include "unit/support/FakeSettingsStore.h"

namespace {

const std::string kExe = "C:\\Program Files\\Worktally\\worktally.exe";
const std::string kQuotedExe = "\"" + kExe + "\"";

// The Run key alone, as value name -> data.
struct RunKey {
    std::map<std::string, std::string> Values;
    bool FailOpen = false;
    bool FailWrite = false;
    bool FailDelete = false;
};

class RunKeyRegistry : public AutoRunRegistry {
  public:
    explicit RunKeyRegistry(RunKey& key) : key_(key) {}
    std::unique_ptr<AutoRunKey> OpenKey(const std::string& path) override {
        EXPECT_EQ(path, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        if (key_.FailOpen) return nullptr;
        return std::make_unique<Opened>(key_);
    }
    std::string ExecutablePath() override { return kExe; }

  private:
    struct Opened : AutoRunKey {
        explicit Opened(RunKey& k) : key(k) {}
        bool ValueExists(const std::string& name) override { return key.Values.count(name) != 0; }
        bool ReadString(const std::string& name, std::string& data) override {
            if (!ValueExists(name)) return false;
            data = key.Values[name];
            return true;
        }
        bool WriteString(const std::string& name, const std::string& data) override {
            if (key.FailWrite) return false;
            key.Values[name] = data;
            return true;
        }
        bool DeleteValue(const std::string& name) override {
            return !key.FailDelete && key.Values.erase(name) != 0;
        }
        RunKey& key;
    };
    RunKey& key_;
};

// The main window's component as the program configures it.
std::unique_ptr<AutoRunEntry> MakeAutoRun(RunKey& key) {
    auto autoRun = std::make_unique<AutoRunEntry>(std::make_unique<RunKeyRegistry>(key));
    autoRun->SetParams("/l");
    return autoRun;
}

// The machine's Run key and the user's, each with the program's component over it.
struct RunKeys {
    RunKey machineKey;
    RunKey userKey;
    std::unique_ptr<AutoRunEntry> machine = MakeAutoRun(machineKey);
    std::unique_ptr<AutoRunEntry> user = MakeAutoRun(userKey);
    AutoRunTargets Targets() { return {*machine, *user}; }
};

}  // namespace

TEST(OptionsRules, EnablingFollowsBothBoxes) {
    const struct {
        bool autoRun, oneUser;
        bool group, oneUserBox, label, edit;
    } cases[] = {
        {false, false, false, false, false, false},
        {false, true, false, false, false, false},
        {true, false, true, true, false, false},
        {true, true, true, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.autoRun << c.oneUser);
        const OptionsEnabling e = OptionsEnablingFor(c.autoRun, c.oneUser);
        EXPECT_EQ(e.AutoRunGroupBox, c.group);
        EXPECT_EQ(e.OneUserCheckBox, c.oneUserBox);
        EXPECT_EQ(e.UserNameLabel, c.label);
        EXPECT_EQ(e.UserNameEdit, c.edit);
    }
}

TEST(OptionsRules, OneUserWithoutANameIsRefused) {
    const struct {
        bool autoRun, oneUser;
        const char* name;
        bool refused;
    } cases[] = {
        {true, true, "", true},   {true, true, "  ", true}, {true, true, "ann", false},
        {true, false, "", false}, {false, true, "", false},  // disabled: kept as shown
    };
    for (const auto& c : cases) {
        const std::string problem = OptionsProblem({c.autoRun, c.oneUser, c.name});
        EXPECT_EQ(!problem.empty(), c.refused) << c.autoRun << c.oneUser << "'" << c.name << "'";
    }
}

TEST(OptionsRules, IdleMinutesAreDigitsFrom1To240) {
    const struct {
        const char* text;
        std::optional<int> minutes;
    } cases[] = {{"1", 1},
                 {"240", 240},
                 {"015", 15},
                 {"0", std::nullopt},
                 {"241", std::nullopt},
                 {"", std::nullopt},
                 {"1 ", std::nullopt},
                 {"-5", std::nullopt},
                 {"0240", std::nullopt},
                 {"1e2", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(ParseIdleMinutes(c.text), c.minutes) << c.text;
}

TEST(OptionsRules, AwayChoicesOpenAsStoredAndOkSavesThem) {
    RunKeys keys;
    ProgramState state;
    state.AwayWhenLocked = true;
    state.AwayIdleMinutes = 30;
    const OptionsChoice shown = ReadOptions(state, keys.Targets());
    EXPECT_TRUE(shown.AwayWhenLocked);
    EXPECT_EQ(shown.AwayIdleMinutes, 30);

    FakeSettingsStore settings;
    OptionsChoice choice = shown;
    choice.AwayWhenLocked = false;
    choice.AwayIdleMinutes = 0;
    ApplyOptions(choice, state, keys.Targets(), settings);
    EXPECT_FALSE(state.AwayWhenLocked);
    EXPECT_EQ(state.AwayIdleMinutes, 0);
    EXPECT_EQ(settings.Text("Settings", "Away When Locked"), "0");
    EXPECT_EQ(settings.Text("Settings", "Away Idle Minutes"), "0");
    choice.AwayWhenLocked = true;
    choice.AwayIdleMinutes = 240;
    ApplyOptions(choice, state, keys.Targets(), settings);
    EXPECT_EQ(settings.Text("Settings", "Away When Locked"), "1");
    EXPECT_EQ(settings.Text("Settings", "Away Idle Minutes"), "240");
}

TEST(OptionsRules, TheSharedFolderIsRefusedEmptyAndOffSavesNone) {
    RunKeys keys;
    ProgramState state;
    FakeSettingsStore settings;
    OptionsChoice choice = ReadOptions(state, keys.Targets());
    choice.KeepInSharedFolder = true;
    choice.SharedFolder = " ";
    EXPECT_NE(OptionsProblem(choice), "");
    choice.SharedFolder = "E:\\Time";
    ApplyOptions(choice, state, keys.Targets(), settings);
    EXPECT_EQ(settings.Text("Settings", "Shared Folder"), "E:\\Time");
    EXPECT_TRUE(ReadOptions(state, keys.Targets()).KeepInSharedFolder);
    choice.KeepInSharedFolder = false;  // the path stays typed, unused
    ApplyOptions(choice, state, keys.Targets(), settings);
    EXPECT_EQ(settings.Text("Settings", "Shared Folder"), "");
}

TEST(OptionsRules, OpensWithTheRegistrationAndTheStoredChoices) {
    RunKeys keys;
    RunKey& key = keys.machineKey;
    key.Values["Worktally"] = "anything at all";
    ProgramState state;
    state.OneUser = false;
    state.AutoRunUserName = "ann";

    OptionsChoice shown = ReadOptions(state, keys.Targets());
    EXPECT_TRUE(shown.AutoRun);
    EXPECT_FALSE(shown.OneUser);
    EXPECT_EQ(shown.UserName, "ann");  // shown even while the edit is disabled

    key.Values.clear();
    state.OneUser = true;
    shown = ReadOptions(state, keys.Targets());
    EXPECT_FALSE(shown.AutoRun);
    EXPECT_TRUE(shown.OneUser);

    key.Values["Worktally"] = "x";
    key.FailOpen = true;
    EXPECT_FALSE(ReadOptions(state, keys.Targets()).AutoRun);

    // An entry of the user's own counts as registered too.
    keys.userKey.Values["Worktally"] = "x";
    EXPECT_TRUE(ReadOptions(state, keys.Targets()).AutoRun);
}

TEST(OptionsRules, OkWritesTheEntryFromTheChoices) {
    const struct {
        const char* before;  // existing entry, or null
        bool oneUser;
        const char* userName;
        std::string after;
    } cases[] = {
        {nullptr, false, "ann", kQuotedExe + " /l"},
        {nullptr, true, "ann", kQuotedExe + " /l /u ann"},
        {nullptr, true, "", kQuotedExe + " /l"},
        {nullptr, true, "Ann Lee", kQuotedExe + " /l /u \"Ann Lee\""},
        // An entry from an earlier choice, or another program's, is brought up to date.
        {"C:\\old.exe /l /u bob", true, "ann", kQuotedExe + " /l /u ann"},
        {"C:\\old.exe /l /u bob", false, "bob", kQuotedExe + " /l"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        RunKeys keys;
        RunKey& key = keys.machineKey;
        if (c.before) key.Values["Worktally"] = c.before;
        ProgramState state;
        FakeSettingsStore settings;

        EXPECT_EQ(ApplyOptions({true, c.oneUser, c.userName}, state, keys.Targets(), settings), "");
        EXPECT_EQ(key.Values["Worktally"], c.after);
        EXPECT_TRUE(keys.userKey.Values.empty());
        EXPECT_EQ(state.OneUser, c.oneUser);
        EXPECT_EQ(state.AutoRunUserName, c.userName);
        EXPECT_EQ(settings.Text("Settings", "AR One User"), c.oneUser ? "1" : "0");
        EXPECT_EQ(settings.Text("Settings", "AR User Name"), c.userName);
    }
}

TEST(OptionsRules, OkWithAutoRunOffRemovesBothEntriesAndStillSaves) {
    for (const bool registered : {false, true}) {
        SCOPED_TRACE(registered);
        RunKeys keys;
        RunKey& key = keys.machineKey;
        if (registered) {
            key.Values["Worktally"] = kQuotedExe + " /l";
            keys.userKey.Values["Worktally"] = kQuotedExe + " /l";
        }
        key.Values["Other"] = "other.exe";
        ProgramState state;
        state.EncodedPassword = "1F2E";
        FakeSettingsStore settings;

        EXPECT_EQ(ApplyOptions({false, true, "ann"}, state, keys.Targets(), settings), "");
        EXPECT_EQ(key.Values.count("Worktally"), 0u);
        EXPECT_EQ(keys.userKey.Values.count("Worktally"), 0u);
        EXPECT_EQ(key.Values["Other"], "other.exe");
        EXPECT_TRUE(state.OneUser);
        EXPECT_EQ(state.AutoRunUserName, "ann");
        EXPECT_EQ(settings.Text("Settings", "Password"), "1F2E");
        EXPECT_EQ(settings.Text("Settings", "AR One User"), "1");
        EXPECT_EQ(settings.Text("Settings", "AR User Name"), "ann");
    }
}

// A standard user cannot write the machine's key: the user's key stands in, one entry runs at
// log-on, and whatever is left undone is said, naming the key.
TEST(OptionsRules, TheUsersKeyStandsInAndFailuresNameTheKey) {
    const std::string machine =
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string user = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string entry = kQuotedExe + " /l /u ann";
    const char* none = nullptr;
    struct Case {
        const char* name;
        bool autoRun;
        const char* machineBefore;
        const char* userBefore;
        bool machineReadOnly, userReadOnly, machineFailsOpen;
        const char* machineAfter;  // null: no entry
        const char* userAfter;
        std::vector<std::string> failureNames;  // keys the box must name; empty: no box
    } cases[] = {
        {"standard user registers", true, none, none, true, false, false, none, entry.c_str(), {}},
        {"no machine key at all", true, none, none, false, false, true, none, entry.c_str(), {}},
        {"machine entry up to date stays",
         true,
         entry.c_str(),
         none,
         true,
         false,
         false,
         entry.c_str(),
         none,
         {}},
        {"an administrator's entry replaces the user's",
         true,
         none,
         "old",
         false,
         false,
         false,
         entry.c_str(),
         none,
         {}},
        {"stale machine entry that cannot go",
         true,
         "old",
         none,
         true,
         false,
         false,
         "old",
         entry.c_str(),
         {machine}},
        {"neither key writable", true, none, none, true, true, false, none, none, {machine, user}},
        {"off removes the user's entry", false, none, "old", true, false, false, none, none, {}},
        {"off cannot remove the machine's",
         false,
         "old",
         "old",
         true,
         false,
         false,
         "old",
         none,
         {machine}},
        {"off cannot remove the user's",
         false,
         none,
         "old",
         true,
         true,
         false,
         none,
         "old",
         {user}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunKeys keys;
        if (c.machineBefore) keys.machineKey.Values["Worktally"] = c.machineBefore;
        if (c.userBefore) keys.userKey.Values["Worktally"] = c.userBefore;
        keys.machineKey.FailWrite = keys.machineKey.FailDelete = c.machineReadOnly;
        keys.userKey.FailWrite = keys.userKey.FailDelete = c.userReadOnly;
        keys.machineKey.FailOpen = c.machineFailsOpen;
        ProgramState state;
        FakeSettingsStore settings;

        const std::string failure =
            ApplyOptions({c.autoRun, true, "ann"}, state, keys.Targets(), settings);
        const auto after = [](RunKey& key) {
            return key.Values.count("Worktally") ? key.Values["Worktally"] : std::string("-");
        };
        EXPECT_EQ(after(keys.machineKey), c.machineAfter ? c.machineAfter : "-");
        EXPECT_EQ(after(keys.userKey), c.userAfter ? c.userAfter : "-");
        EXPECT_EQ(failure.empty(), c.failureNames.empty()) << failure;
        for (const std::string& key : c.failureNames)
            EXPECT_NE(failure.find(key), std::string::npos) << failure;
        // The choices are kept and saved whatever the registry did.
        EXPECT_TRUE(state.OneUser);
        EXPECT_EQ(settings.Text("Settings", "AR User Name"), "ann");
    }
}

TEST(OptionsRules, SettingsFailureKeepsTheChoicesInMemory) {
    RunKeys keys;
    ProgramState state;
    FakeSettingsStore settings;
    settings.FailOpen = true;
    ApplyOptions({true, true, "ann"}, state, keys.Targets(), settings);
    EXPECT_TRUE(state.OneUser);
    EXPECT_EQ(state.AutoRunUserName, "ann");
    EXPECT_EQ(keys.machineKey.Values["Worktally"], kQuotedExe + " /l /u ann");
    EXPECT_TRUE(settings.Values.empty());
}

TEST(OptionsRules, WorkingTimeTextsAreRefusedNamingTheField) {
    struct Case {
        const char* week;
        const char* rules;
        const char* problemStart;  // empty: taken
    } cases[] = {
        {"38:30", "6:00 0:30", ""},
        {"0:00", "6:00 0:30 9:00 0:45", ""},
        {"forty", "6:00 0:30", "Hours a week:"},
        {"169:00", "6:00 0:30", "Hours a week:"},
        {"40:00", "6:00", "Break rules:"},
        {"40:00", "", "Break rules:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.week) + " / " + c.rules);
        WorkTimeSettings settings;
        const std::string problem = ParseWorkTimeTexts({c.week, c.rules}, settings);
        EXPECT_EQ(problem.rfind(c.problemStart, 0), 0u) << problem;
        EXPECT_EQ(problem.empty(), *c.problemStart == '\0');
        if (problem.empty())
            EXPECT_EQ(HoursMinutesText(settings.weekSeconds), c.week);
        else
            EXPECT_EQ(settings, WorkTimeSettings{}) << "nothing taken from a refused text";
    }
}
