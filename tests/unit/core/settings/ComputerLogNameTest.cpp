#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/settings/ComputerLogName.h"
#include "unit/support/FakeSettingsStore.h"

namespace {

using Type = SettingsStore::ValueType;
const FakeSettingsStore::Key kComputerId{"Settings", "Computer Id"};

// A random source that counts its draws.
struct Draws {
    std::uint32_t value = 0;
    int count = 0;
    std::function<std::uint32_t()> Source() {
        return [this] {
            ++count;
            return value;
        };
    }
};

}  // namespace

TEST(ComputerLogName, FromAUsableMachineGuidWithoutTouchingTheSettings) {
    const struct {
        const char* guid;
        const char* expected;
    } cases[] = {
        {"1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809", "OFFICE-1a2b3c4d.dat"},
        {"0f1e2d3c-aaaa-bbbb-cccc-dddddddddddd", "OFFICE-0f1e2d3c.dat"},
        {"{ABCDEF01-2345-6789-ABCD-EF0123456789}", "OFFICE-abcdef01.dat"},
        {"  00000001-0000-0000-0000-000000000000", "OFFICE-00000001.dat"},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        store.Put("Settings", "Computer Id", "99999999");  // the GUID wins over a kept id
        Draws draws;
        const ComputerLogName name =
            MakeComputerLogName(MachineFacts{"OFFICE", std::string(c.guid)}, store, draws.Source());
        EXPECT_EQ(name.FileName, c.expected) << c.guid;
        EXPECT_TRUE(name.IdKept);
        EXPECT_EQ(store.OpenCount, 0) << c.guid;
        EXPECT_EQ(draws.count, 0) << c.guid;
    }
}

TEST(ComputerLogName, WithoutAUsableGuidTheKeptIdOrAFreshOneStored) {
    const std::optional<std::string> missing;
    const struct {
        std::optional<std::string> guid;
        std::optional<std::string> kept;  // "Computer Id" before; nullopt: none
        Type keptType;
        std::uint32_t random;
        const char* expected;
        bool drawn;  // a fresh id was made and stored
    } cases[] = {
        // A kept id, lower-cased, and nothing written.
        {missing, "9a8B7c6D", Type::String, 1, "HOME-9a8b7c6d.dat", false},
        {std::string(""), "0000abcd", Type::ExpandString, 1, "HOME-0000abcd.dat", false},
        // None kept: 8 digits from the random source, leading zeros included.
        {missing, std::nullopt, Type::String, 0xDEADBEEF, "HOME-deadbeef.dat", true},
        {missing, std::nullopt, Type::String, 0x1F, "HOME-0000001f.dat", true},
        // GUIDs that give no id: too short, no hex, all zero, nothing.
        {std::string("1A2B3C4"), std::nullopt, Type::String, 0x12345678, "HOME-12345678.dat", true},
        {std::string("00000000-0000-0000-0000-000000000000"), "cafef00d", Type::String, 1,
         "HOME-cafef00d.dat", false},
        {std::string("1A2B-3C4D-5E6F"), "cafef00d", Type::String, 1, "HOME-cafef00d.dat", false},
        // Kept ids that are no 8 hex digits are replaced.
        {missing, "cafef00", Type::String, 0xFFFFFFFF, "HOME-ffffffff.dat", true},
        {missing, "cafef00d0", Type::String, 0xFFFFFFFF, "HOME-ffffffff.dat", true},
        {missing, "cafeg00d", Type::String, 0xFFFFFFFF, "HOME-ffffffff.dat", true},
        {missing, std::string("\x0d\xf0\xfe\xca", 4), Type::Other, 0x00C0FFEE, "HOME-00c0ffee.dat",
         true},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        if (c.kept) store.PutRaw("Settings", "Computer Id", c.keptType, *c.kept + '\0');
        Draws draws{c.random};
        const ComputerLogName name =
            MakeComputerLogName(MachineFacts{"HOME", c.guid}, store, draws.Source());
        EXPECT_EQ(name.FileName, c.expected);
        EXPECT_EQ(name.FileName, "HOME-" + name.Id + ".dat");
        EXPECT_TRUE(name.IdKept) << c.expected;
        EXPECT_EQ(draws.count, c.drawn ? 1 : 0) << c.expected;
        EXPECT_EQ(store.Written.size(), c.drawn ? 1u : 0u) << c.expected;
        EXPECT_EQ(store.Text("Settings", "Computer Id"),
                  c.drawn ? std::optional<std::string>(name.Id) : c.kept);
        EXPECT_FALSE(store.IsOpen);
    }
}

TEST(ComputerLogName, TheSameIdAtTheNextStart) {
    FakeSettingsStore store;
    Draws first{0x0BADCAFE};
    const MachineFacts facts{"LAPTOP", std::nullopt};
    EXPECT_EQ(MakeComputerLogName(facts, store, first.Source()).FileName, "LAPTOP-0badcafe.dat");
    Draws second{0x11111111};
    EXPECT_EQ(MakeComputerLogName(facts, store, second.Source()).FileName, "LAPTOP-0badcafe.dat");
    EXPECT_EQ(second.count, 0);
}

TEST(ComputerLogName, AnIdThatCannotBeKeptIsSaidSoAndAReadFailureOverwritesNothing) {
    const struct {
        const char* what;
        bool failOpen;
        bool failQuery;
        bool failSet;
    } cases[] = {
        {"open", true, false, false},
        {"query", false, true, false},
        {"write", false, false, true},
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        if (c.failQuery) store.Put("Settings", "Computer Id", "12345678");
        store.FailOpen = c.failOpen;
        if (c.failQuery) store.FailQueryAt = kComputerId;
        if (c.failSet) store.FailSetAt = kComputerId;
        Draws draws{0xFEEDFACE};
        const ComputerLogName name =
            MakeComputerLogName(MachineFacts{"PC", std::nullopt}, store, draws.Source());
        EXPECT_EQ(name.FileName, "PC-feedface.dat") << c.what;
        EXPECT_FALSE(name.IdKept) << c.what;
        EXPECT_TRUE(store.Written.empty()) << c.what;
        EXPECT_FALSE(store.IsOpen) << c.what;
        if (c.failQuery) {
            EXPECT_EQ(store.Text("Settings", "Computer Id"), "12345678");
        }
    }
}

TEST(ComputerLogName, OddComputerNamesMakeAFileNameWindowsAccepts) {
    const struct {
        const char* computer;
        const char* expected;
    } cases[] = {
        {"  Laptop \t", "Laptop-1a2b3c4d.dat"},
        {"", "Computer-1a2b3c4d.dat"},
        {"A/B\\C:D*E?F\"G<H>I|J", "A_B_C_D_E_F_G_H_I_J-1a2b3c4d.dat"},
        {"TAB\tIN\x01SIDE\x7F", "TAB_IN_SIDE_-1a2b3c4d.dat"},
        {"My PC.local", "My PC.local-1a2b3c4d.dat"},
        {"\xE6\x99\x82\xE9\x96\x93-PC", "\xE6\x99\x82\xE9\x96\x93-PC-1a2b3c4d.dat"},    // 時間-PC
        {"\xC5\x81\xC3\xB3\x64\xC5\xBA", "\xC5\x81\xC3\xB3\x64\xC5\xBA-1a2b3c4d.dat"},  // Łódź
    };
    for (const auto& c : cases) {
        FakeSettingsStore store;
        Draws draws;
        const ComputerLogName name = MakeComputerLogName(
            MachineFacts{c.computer, std::string("1a2b3c4d-0000-0000-0000-000000000000")}, store,
            draws.Source());
        EXPECT_EQ(name.FileName, c.expected) << c.computer;
    }
}
