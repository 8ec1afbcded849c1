#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/autorun/AutoRunEntry.h"

namespace {

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kExe = "C:\\Tools\\worktally.exe";

// The machine's hive as key path -> value name -> data; "" names the default value.
struct FakeHive {
    std::map<std::string, std::map<std::string, std::string>> Keys;
    std::string ExePath = kExe;
    bool FailOpen = false;
    bool FailRead = false;
    bool FailWrite = false;
    bool FailDelete = false;
    int Opens = 0;
    int OpenNow = 0;  // keys not yet released
    int Writes = 0;

    std::optional<std::string> Data(const std::string& key, const std::string& name) const {
        const auto k = Keys.find(key);
        if (k == Keys.end()) return std::nullopt;
        const auto v = k->second.find(name);
        if (v == k->second.end()) return std::nullopt;
        return v->second;
    }
};

class FakeKey : public AutoRunKey {
  public:
    FakeKey(FakeHive& hive, std::map<std::string, std::string>& values)
        : hive_(hive), values_(values) {
        ++hive_.OpenNow;
    }
    ~FakeKey() override { --hive_.OpenNow; }
    bool ValueExists(const std::string& name) override { return values_.count(name) != 0; }
    bool ReadString(const std::string& name, std::string& data) override {
        const auto it = values_.find(name);
        if (hive_.FailRead || it == values_.end()) return false;
        data = it->second;
        return true;
    }
    bool WriteString(const std::string& name, const std::string& data) override {
        if (hive_.FailWrite) return false;
        ++hive_.Writes;
        values_[name] = data;
        return true;
    }
    bool DeleteValue(const std::string& name) override {
        if (hive_.FailDelete) return false;
        return values_.erase(name) != 0;
    }

  private:
    FakeHive& hive_;
    std::map<std::string, std::string>& values_;
};

class FakeRegistry : public AutoRunRegistry {
  public:
    explicit FakeRegistry(FakeHive& hive) : hive_(hive) {}
    std::unique_ptr<AutoRunKey> OpenKey(const std::string& path) override {
        ++hive_.Opens;
        if (hive_.FailOpen) return nullptr;
        return std::make_unique<FakeKey>(hive_, hive_.Keys[path]);
    }
    std::string ExecutablePath() override { return hive_.ExePath; }

  private:
    FakeHive& hive_;
};

// A box that flips its state on a click before telling its handler, as a real one does.
class FakeBox : public AutoRunCheckBox {
  public:
    bool State = false;
    ClickHandler Handler;
    bool Checked() const override { return State; }
    void SetChecked(bool checked) override { State = checked; }
    void SetOnClick(ClickHandler handler) override { Handler = std::move(handler); }
    void Click() {
        State = !State;
        if (Handler) Handler(*this);
    }
};

std::unique_ptr<AutoRunEntry> MakeAutoRun(FakeHive& hive, const std::string& name = "Worktally",
                                          const std::string& params = "") {
    auto autoRun = std::make_unique<AutoRunEntry>(std::make_unique<FakeRegistry>(hive));
    autoRun->SetAppItemName(name);
    autoRun->SetAutoRegister(false);
    autoRun->SetParams(params);
    autoRun->Loaded();
    return autoRun;
}

}  // namespace

TEST(AutoRun, EachRunTypeUsesItsOwnKey) {
    const struct {
        RunType type;
        const char* key;
    } cases[] = {
        {RunType::Run, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
        {RunType::RunOnce, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"},
        {RunType::RunOnceEx, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx"},
        {RunType::RunServices, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"},
        {RunType::RunServicesOnce, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_STREQ(RunTypeKey(c.type), c.key);
        FakeHive hive;
        auto autoRun = MakeAutoRun(hive);
        autoRun->SetType(c.type);
        ASSERT_TRUE(autoRun->RegisterAutoRun());
        ASSERT_EQ(hive.Keys.size(), 1u);
        EXPECT_EQ(hive.Keys.begin()->first, c.key);
        EXPECT_TRUE(autoRun->IsRegistered());
        EXPECT_TRUE(autoRun->UnregisterAutoRun());
        EXPECT_TRUE(hive.Keys[c.key].empty());
    }
}

TEST(AutoRun, WritesThePathQuotedOnlyWhenItHoldsASpace) {
    const struct {
        const char* path;
        const char* params;
        const char* data;
    } cases[] = {
        {"C:\\Tools\\worktally.exe", "", "C:\\Tools\\worktally.exe"},
        {"C:\\Tools\\worktally.exe", "/l", "C:\\Tools\\worktally.exe /l"},
        {"C:\\Program Files\\Worktally\\worktally.exe", "",
         "\"C:\\Program Files\\Worktally\\worktally.exe\""},
        {"C:\\Program Files\\Worktally\\worktally.exe", "/l /u \"Ann Lee\"",
         "\"C:\\Program Files\\Worktally\\worktally.exe\" /l /u \"Ann Lee\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        FakeHive hive;
        hive.ExePath = c.path;
        auto autoRun = MakeAutoRun(hive, "Worktally", c.params);
        ASSERT_TRUE(autoRun->RegisterAutoRun());
        EXPECT_EQ(hive.Data(kRun, "Worktally"), c.data);
    }
}

TEST(AutoRun, RegisterLeavesAnExistingValueButApplyReplacesIt) {
    FakeHive hive;
    hive.Keys[kRun]["Worktally"] = "D:\\old\\worktally.exe /x";
    auto autoRun = MakeAutoRun(hive, "Worktally", "/l");

    EXPECT_TRUE(autoRun->IsRegistered());
    EXPECT_FALSE(autoRun->RegisterAutoRun());
    EXPECT_EQ(hive.Data(kRun, "Worktally"), "D:\\old\\worktally.exe /x");
    EXPECT_EQ(hive.Writes, 0);

    EXPECT_TRUE(autoRun->ApplyRegistration());
    EXPECT_EQ(hive.Data(kRun, "Worktally"), kExe + " /l");
    EXPECT_EQ(hive.Writes, 1);

    // Already as wanted: nothing is written again.
    EXPECT_TRUE(autoRun->ApplyRegistration());
    EXPECT_EQ(hive.Writes, 1);

    // A value that cannot be read as text is replaced as well.
    hive.FailRead = true;
    EXPECT_TRUE(autoRun->ApplyRegistration());
    EXPECT_EQ(hive.Writes, 2);
    EXPECT_EQ(hive.OpenNow, 0);
}

TEST(AutoRun, ApplyWritesAMissingValueAndFollowsTheBox) {
    FakeHive hive;
    auto autoRun = MakeAutoRun(hive, "Worktally", "/l /u bob");
    FakeBox box;
    autoRun->SetCheckBox(&box);
    EXPECT_TRUE(autoRun->ApplyRegistration());
    EXPECT_EQ(hive.Data(kRun, "Worktally"), kExe + " /l /u bob");
    EXPECT_TRUE(box.State);

    hive.FailWrite = true;
    autoRun->SetParams("/l");
    box.State = false;
    EXPECT_FALSE(autoRun->ApplyRegistration());
    EXPECT_FALSE(box.State);
    EXPECT_EQ(hive.Data(kRun, "Worktally"), kExe + " /l /u bob");
}

TEST(AutoRun, EmptyNameNeverTouchesTheRegistry) {
    FakeHive hive;
    hive.Keys[kRun][""] = "default value";
    hive.Keys[kRun]["Worktally"] = kExe;
    auto autoRun = MakeAutoRun(hive, "");
    const int opens = hive.Opens;
    EXPECT_FALSE(autoRun->IsRegistered());
    EXPECT_FALSE(autoRun->RegisterAutoRun());
    EXPECT_FALSE(autoRun->UnregisterAutoRun());
    EXPECT_FALSE(autoRun->ApplyRegistration());
    EXPECT_EQ(hive.Opens, opens);
    EXPECT_EQ(hive.Data(kRun, ""), "default value");
    EXPECT_EQ(hive.Keys[kRun].size(), 2u);
}

TEST(AutoRun, LoadingWithAnEmptyNameShowsTheDefaultValue) {
    for (const bool hasDefault : {false, true}) {
        SCOPED_TRACE(hasDefault);
        FakeHive hive;
        if (hasDefault) hive.Keys[kRun][""] = "x";
        AutoRunEntry autoRun(std::make_unique<FakeRegistry>(hive));
        FakeBox box;
        box.State = !hasDefault;
        autoRun.SetCheckBox(&box);
        autoRun.Loaded();
        EXPECT_EQ(box.State, hasDefault);
        EXPECT_FALSE(autoRun.IsRegistered());
        EXPECT_EQ(hive.OpenNow, 0);
    }
}

TEST(AutoRun, ChangingTheRunTypeSwitchesKeys) {
    FakeHive hive;
    hive.Keys[kRun]["Worktally"] = "elsewhere";
    auto autoRun = MakeAutoRun(hive, "Worktally", "/l");
    ASSERT_TRUE(autoRun->IsRegistered());

    autoRun->SetType(RunType::RunOnce);
    EXPECT_FALSE(autoRun->IsRegistered());
    EXPECT_FALSE(autoRun->UnregisterAutoRun());
    EXPECT_TRUE(autoRun->RegisterAutoRun());
    EXPECT_EQ(hive.Data(kRunOnce, "Worktally"), kExe + " /l");
    EXPECT_EQ(hive.Data(kRun, "Worktally"), "elsewhere");

    autoRun->SetType(RunType::Run);
    EXPECT_TRUE(autoRun->UnregisterAutoRun());
    EXPECT_FALSE(hive.Data(kRun, "Worktally"));
    EXPECT_TRUE(hive.Data(kRunOnce, "Worktally"));
}

TEST(AutoRun, FailuresGiveFalseAndLeaveTheBoxAsTheUserSetIt) {
    enum Failure { Open, Write, Delete };
    // Each failure hits the operation that the click asks for.
    const struct {
        Failure failure;
        bool registeredBefore;
        bool isRegistered;  // what IsRegistered says while the failure lasts
    } cases[] = {
        {Open, false, false},
        {Open, true, false},
        {Write, false, false},
        {Delete, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.failure << " " << c.registeredBefore);
        FakeHive hive;
        if (c.registeredBefore) hive.Keys[kRun]["Worktally"] = kExe;
        auto autoRun = MakeAutoRun(hive);
        FakeBox box;
        autoRun->SetCheckBox(&box);
        autoRun->Loaded();
        EXPECT_EQ(box.State, c.registeredBefore);

        hive.FailOpen = c.failure == Open;
        hive.FailWrite = c.failure == Write;
        hive.FailDelete = c.failure == Delete;
        EXPECT_EQ(autoRun->IsRegistered(), c.isRegistered);

        // The user flips the box; a failed switch does not flip it back.
        box.Click();
        EXPECT_EQ(box.State, !c.registeredBefore);
        EXPECT_EQ(hive.Data(kRun, "Worktally").has_value(), c.registeredBefore);

        EXPECT_FALSE(autoRun->RegisterAutoRun());
        EXPECT_FALSE(autoRun->UnregisterAutoRun());
        EXPECT_EQ(box.State, !c.registeredBefore);
        EXPECT_EQ(hive.Data(kRun, "Worktally").has_value(), c.registeredBefore);

        if (c.failure == Open) {
            autoRun->Loaded();
            EXPECT_FALSE(box.State);
        }
        EXPECT_EQ(hive.OpenNow, 0);
    }
}

TEST(AutoRun, LinkedBoxShowsAndSwitchesTheRegistration) {
    FakeHive hive;
    auto autoRun = MakeAutoRun(hive, "Worktally", "/l");
    FakeBox box;
    box.State = true;
    autoRun->SetCheckBox(&box);
    autoRun->Loaded();
    EXPECT_FALSE(box.State);

    box.Click();
    EXPECT_EQ(hive.Data(kRun, "Worktally"), kExe + " /l");
    box.Click();
    EXPECT_FALSE(hive.Data(kRun, "Worktally"));

    // Operations called directly move the box too.
    EXPECT_TRUE(autoRun->RegisterAutoRun());
    EXPECT_TRUE(box.State);
    EXPECT_TRUE(autoRun->UnregisterAutoRun());
    EXPECT_FALSE(box.State);

    // Nothing to remove: the box stays as it is, even when it disagrees.
    box.State = true;
    EXPECT_FALSE(autoRun->UnregisterAutoRun());
    EXPECT_TRUE(box.State);
}

TEST(AutoRun, LinkingAndUnlinkingSwitchAutoRegisterOff) {
    FakeHive hive;
    AutoRunEntry autoRun(std::make_unique<FakeRegistry>(hive));
    FakeBox box, other;
    ASSERT_TRUE(autoRun.AutoRegister());

    autoRun.SetCheckBox(&box);
    EXPECT_FALSE(autoRun.AutoRegister());
    autoRun.SetAutoRegister(true);
    EXPECT_FALSE(autoRun.AutoRegister());

    // Another box going away does not unlink ours.
    autoRun.Notification(other);
    EXPECT_EQ(autoRun.CheckBox(), &box);

    autoRun.Notification(box);
    EXPECT_EQ(autoRun.CheckBox(), nullptr);
    EXPECT_FALSE(autoRun.AutoRegister());
    autoRun.SetAutoRegister(true);
    EXPECT_TRUE(autoRun.AutoRegister());

    autoRun.SetCheckBox(&other);
    autoRun.SetCheckBox(nullptr);
    EXPECT_FALSE(autoRun.AutoRegister());
    autoRun.SetAutoRegister(true);
    EXPECT_TRUE(autoRun.AutoRegister());
    autoRun.SetAutoRegister(false);
}

TEST(AutoRun, UnlinkedBoxNoLongerFollowsButStillSwitches) {
    FakeHive hive;
    auto autoRun = MakeAutoRun(hive);
    FakeBox box;
    autoRun->SetCheckBox(&box);
    autoRun->Notification(box);

    EXPECT_TRUE(autoRun->RegisterAutoRun());
    EXPECT_FALSE(box.State);
    // The click handler is not taken back, so the box still switches the registration.
    box.Click();
    EXPECT_TRUE(box.State);
    EXPECT_TRUE(hive.Data(kRun, "Worktally"));
    box.Click();
    EXPECT_FALSE(hive.Data(kRun, "Worktally"));
}

TEST(AutoRun, DestructionRegistersOnlyWithAutoRegister) {
    for (const bool autoRegister : {false, true}) {
        SCOPED_TRACE(autoRegister);
        FakeHive hive;
        {
            auto autoRun = MakeAutoRun(hive, "Worktally", "/l");
            autoRun->SetAutoRegister(autoRegister);
        }
        EXPECT_EQ(hive.Data(kRun, "Worktally").has_value(), autoRegister);
    }
    FakeHive hive;
    hive.Keys[kRun]["Worktally"] = "other";
    { MakeAutoRun(hive)->SetAutoRegister(true); }
    EXPECT_EQ(hive.Data(kRun, "Worktally"), "other");
}

TEST(AutoRun, ClickAfterTheComponentIsGoneDoesNothing) {
    FakeHive hive;
    FakeBox box;
    {
        auto autoRun = MakeAutoRun(hive);
        autoRun->SetCheckBox(&box);
    }
    box.Click();
    EXPECT_TRUE(box.State);
    EXPECT_EQ(hive.Opens, 0);
    EXPECT_FALSE(hive.Data(kRun, "Worktally"));
}
