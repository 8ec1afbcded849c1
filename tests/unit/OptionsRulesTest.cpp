#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "app/UtilsUnit.h"
#include "dialogs/AMAutoRun.h"
#include "dialogs/LinkRules.h"
#include "dialogs/OptionsRules.h"
#include "support/FakeSettingsStore.h"

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
std::unique_ptr<TAMAutoRun> MakeAutoRun(RunKey& key) {
    auto autoRun = std::make_unique<TAMAutoRun>(std::make_unique<RunKeyRegistry>(key));
    autoRun->SetAppItemName("Worktally");
    autoRun->SetAutoRegister(false);
    autoRun->SetParams("/l");
    autoRun->Loaded();
    return autoRun;
}

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

TEST(OptionsRules, OpensWithTheRegistrationAndTheStoredChoices) {
    RunKey key;
    key.Values["Worktally"] = "anything at all";
    auto autoRun = MakeAutoRun(key);
    ProgramState state;
    state.OneUser = false;
    state.AutoRunUserName = "ann";

    OptionsChoice shown = ReadOptions(state, *autoRun);
    EXPECT_TRUE(shown.AutoRun);
    EXPECT_FALSE(shown.OneUser);
    EXPECT_EQ(shown.UserName, "ann");  // shown even while the edit is disabled

    key.Values.clear();
    state.OneUser = true;
    shown = ReadOptions(state, *autoRun);
    EXPECT_FALSE(shown.AutoRun);
    EXPECT_TRUE(shown.OneUser);

    key.Values["Worktally"] = "x";
    key.FailOpen = true;
    EXPECT_FALSE(ReadOptions(state, *autoRun).AutoRun);
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
        RunKey key;
        if (c.before) key.Values["Worktally"] = c.before;
        auto autoRun = MakeAutoRun(key);
        ProgramState state;
        FakeSettingsStore settings;

        ApplyOptions({true, c.oneUser, c.userName}, state, *autoRun, settings);
        EXPECT_EQ(key.Values["Worktally"], c.after);
        EXPECT_EQ(state.OneUser, c.oneUser);
        EXPECT_EQ(state.AutoRunUserName, c.userName);
        EXPECT_EQ(settings.Text("Settings", "AR One User"), c.oneUser ? "1" : "0");
        EXPECT_EQ(settings.Text("Settings", "AR User Name"), c.userName);
    }
}

TEST(OptionsRules, OkWithAutoRunOffRemovesTheEntryAndStillSaves) {
    for (const bool registered : {false, true}) {
        SCOPED_TRACE(registered);
        RunKey key;
        if (registered) key.Values["Worktally"] = kQuotedExe + " /l";
        key.Values["Other"] = "other.exe";
        auto autoRun = MakeAutoRun(key);
        ProgramState state;
        state.EncodedPassword = "1F2E";
        FakeSettingsStore settings;

        ApplyOptions({false, true, "ann"}, state, *autoRun, settings);
        EXPECT_EQ(key.Values.count("Worktally"), 0u);
        EXPECT_EQ(key.Values["Other"], "other.exe");
        EXPECT_TRUE(state.OneUser);
        EXPECT_EQ(state.AutoRunUserName, "ann");
        EXPECT_EQ(settings.Text("Settings", "Password"), "1F2E");
        EXPECT_EQ(settings.Text("Settings", "AR One User"), "1");
        EXPECT_EQ(settings.Text("Settings", "AR User Name"), "ann");
    }
}

TEST(OptionsRules, RegistryFailuresStillStoreAndSaveTheChoices) {
    const struct {
        bool failOpen, failWrite, failDelete, autoRun;
    } cases[] = {
        {true, false, false, true},
        {true, false, false, false},
        {false, true, false, true},
        {false, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.failOpen << c.failWrite << c.failDelete);
        RunKey key;
        key.Values["Worktally"] = "C:\\old.exe /l";
        auto autoRun = MakeAutoRun(key);
        key.FailOpen = c.failOpen;
        key.FailWrite = c.failWrite;
        key.FailDelete = c.failDelete;
        ProgramState state;
        FakeSettingsStore settings;

        ApplyOptions({c.autoRun, true, "ann"}, state, *autoRun, settings);
        EXPECT_EQ(key.Values["Worktally"], "C:\\old.exe /l");
        EXPECT_TRUE(state.OneUser);
        EXPECT_EQ(settings.Text("Settings", "AR User Name"), "ann");
    }
}

TEST(OptionsRules, SettingsFailureKeepsTheChoicesInMemory) {
    RunKey key;
    auto autoRun = MakeAutoRun(key);
    ProgramState state;
    FakeSettingsStore settings;
    settings.FailOpen = true;
    ApplyOptions({true, true, "ann"}, state, *autoRun, settings);
    EXPECT_TRUE(state.OneUser);
    EXPECT_EQ(state.AutoRunUserName, "ann");
    EXPECT_EQ(key.Values["Worktally"], kQuotedExe + " /l /u ann");
    EXPECT_TRUE(settings.Values.empty());
}

TEST(LinkRules, WebSchemeIsKeptOtherwiseHttpIsPutInFront) {
    const struct {
        const char* caption;
        const char* address;
    } cases[] = {
        {"http://quillmere.example/", "http://quillmere.example/"},
        {"HTTP://QUILLMERE.EXAMPLE", "HTTP://QUILLMERE.EXAMPLE"},
        {"hTtP://x", "hTtP://x"},
        {"https://quillmere.example", "https://quillmere.example"},
        {"HTTPS://quillmere.example", "HTTPS://quillmere.example"},
        {"www.quillmere.example/worktally", "http://www.quillmere.example/worktally"},
        {"http:/x", "http://http:/x"},
        {"httpx://a", "http://httpx://a"},
        {"http", "http://http"},
        {"", "http://"},
        {"ftp://host", "http://ftp://host"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HomePageAddress(c.caption), c.address) << c.caption;
    }
    EXPECT_EQ(HomePageAddress(kHomePageLinkText), "http://www.quillmere.example/worktally");
    EXPECT_EQ(MailAddress(kMailLinkText), "mailto:worktally@quillmere.example");
}
