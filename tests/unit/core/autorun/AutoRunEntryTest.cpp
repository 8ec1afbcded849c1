#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/autorun/AutoRunEntry.h"

namespace {

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
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

std::unique_ptr<AutoRunEntry> MakeAutoRun(FakeHive& hive, const std::string& params = "") {
    auto autoRun = std::make_unique<AutoRunEntry>(std::make_unique<FakeRegistry>(hive));
    autoRun->SetParams(params);
    return autoRun;
}

}  // namespace

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
        auto autoRun = MakeAutoRun(hive, c.params);
        ASSERT_TRUE(autoRun->ApplyRegistration());
        EXPECT_EQ(hive.Data(kRun, "Worktally"), c.data);
    }
}

TEST(AutoRun, ApplyReplacesAnotherCommandLineAndWritesOnlyAChange) {
    FakeHive hive;
    hive.Keys[kRun]["Worktally"] = "D:\\old\\worktally.exe /x";
    auto autoRun = MakeAutoRun(hive, "/l");

    EXPECT_TRUE(autoRun->IsRegistered());
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

    EXPECT_TRUE(autoRun->UnregisterAutoRun());
    EXPECT_FALSE(autoRun->IsRegistered());
    EXPECT_FALSE(autoRun->UnregisterAutoRun()) << "nothing left to remove";
    EXPECT_EQ(hive.OpenNow, 0);
}

TEST(AutoRun, FailuresGiveFalseAndChangeNothing) {
    enum Failure { Open, Write, Delete };
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
        if (c.registeredBefore) hive.Keys[kRun]["Worktally"] = kExe + " /x";
        auto autoRun = MakeAutoRun(hive, "/l");
        hive.FailOpen = c.failure == Open;
        hive.FailWrite = c.failure == Write;
        hive.FailDelete = c.failure == Delete;
        EXPECT_EQ(autoRun->IsRegistered(), c.isRegistered);
        if (c.failure != Delete) {
            EXPECT_FALSE(autoRun->ApplyRegistration());
        }
        EXPECT_FALSE(autoRun->UnregisterAutoRun());
        EXPECT_EQ(hive.Data(kRun, "Worktally").has_value(), c.registeredBefore);
        EXPECT_EQ(hive.OpenNow, 0);
    }
}
