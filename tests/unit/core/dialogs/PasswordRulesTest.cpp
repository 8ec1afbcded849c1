#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/PasswordCodec.h"
#include "core/settings/ProgramState.h"
#include "core/log/LogFile.h"
#include "core/log/Rewrite.h"
#include "unit/support/MemoryFileSystem.h"
#include "core/settings/WindowPlacement.h"
#include "core/tree/DeleteKeyGate.h"
#include "core/dialogs/PasswordRules.h"

namespace {

TEST(RetryAfter, AMistakeReopensTheDialogAtTheBoxToFix) {
    const struct {
        PasswordChange result;
        bool again, keepOld, focusOld;
    } cases[] = {
        {PasswordChange::IncorrectOld, true, true, true},
        {PasswordChange::NotEqual, true, true, false},
        {PasswordChange::Changed, false, false, true},
        {PasswordChange::Unchanged, false, false, true},
        {PasswordChange::RewriteFailed, false, false, true},
        {PasswordChange::DecodeFailed, false, false, true},
    };
    for (const auto& c : cases) {
        const PasswordRetry retry = RetryAfter(c.result);
        EXPECT_EQ(retry.Again, c.again) << static_cast<int>(c.result);
        EXPECT_EQ(retry.KeepOld, c.keepOld) << static_cast<int>(c.result);
        EXPECT_EQ(retry.FocusOld, c.focusOld) << static_cast<int>(c.result);
    }
}

TEST(MoveInside, BringsAWindowFromAVanishedMonitorOntoTheWorkArea) {
    const ScreenRect work{0, 40, 1920, 1080};  // taskbar at the top
    struct Case {
        const char* name;
        ScreenRect window;
        ScreenRect expected;
    } cases[] = {
        {"inside stays", {100, 100, 900, 700}, {100, 100, 900, 700}},
        {"left of the screen", {-2000, 100, -1200, 700}, {0, 100, 800, 700}},
        {"right of the screen", {2500, 100, 3300, 700}, {1120, 100, 1920, 700}},
        {"above, under the taskbar", {100, -900, 900, -300}, {100, 40, 900, 640}},
        {"below", {100, 3000, 900, 3600}, {100, 480, 900, 1080}},
        {"larger than the area", {-3000, -3000, 3000, 3000}, {0, 40, 1920, 1080}},
    };
    for (const auto& c : cases) {
        const ScreenRect got = MoveInside(c.window, work);
        EXPECT_EQ(got, c.expected) << c.name << ": " << got.Left << "," << got.Top << ","
                                   << got.Right << "," << got.Bottom;
    }
}

TEST(CheckViewerPassword, ComparesExactlyAndGoesOnWithAPartlyDecodedPassword) {
    struct Case {
        std::string Encoded;
        std::string Answer;
        bool Granted;
        bool DecodeFailed;
    };
    const std::string abc = EncodePassword("abc");
    const Case cases[] = {
        {abc, "abc", true, false},
        {abc, "ABC", false, false},
        {abc, "ab", false, false},
        {abc, "abc ", false, false},
        // The fourth piece is no hex number: the three characters before it count.
        {abc + "ZZ", "abc", true, true},
        {abc + "ZZ", "abcZ", false, true},
        {"Z1" + abc, "", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Encoded + " / " + c.Answer);
        const ViewerPasswordCheck check = CheckViewerPassword(c.Encoded, c.Answer);
        EXPECT_EQ(check.Granted, c.Granted);
        EXPECT_EQ(check.DecodeFailed, c.DecodeFailed);
    }
}

TEST(ChangePassword, DecidesBeforeTouchingTheLog) {
    struct Case {
        const char* Name;
        std::string Stored;  // plain; encoded into the state
        std::string Old, New, Retyped;
        PasswordChange Expected;
    };
    const Case cases[] = {
        {"wrong old", "abc", "abd", "x", "x", PasswordChange::IncorrectOld},
        {"old in other case", "abc", "ABC", "x", "x", PasswordChange::IncorrectOld},
        {"no password set needs an empty old", "", "abc", "x", "x", PasswordChange::IncorrectOld},
        {"retyped differs", "abc", "abc", "xy", "xz", PasswordChange::NotEqual},
        {"nothing retyped", "abc", "abc", "xy", "", PasswordChange::NotEqual},
        {"same password", "abc", "abc", "abc", "abc", PasswordChange::Unchanged},
        {"empty stays empty", "", "", "", "junk", PasswordChange::Unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ProgramState state;
        state.EncodedPassword = EncodePassword(c.Stored);
        int rekeys = 0;
        const PasswordChange result =
            ChangePassword(state, c.Old, c.New, c.Retyped,
                           [&](const std::string&, const std::string&) { ++rekeys; });
        EXPECT_EQ(result, c.Expected);
        EXPECT_EQ(rekeys, 0);
        EXPECT_EQ(state.EncodedPassword, EncodePassword(c.Stored));
    }

    ProgramState garbled;
    garbled.EncodedPassword = "3513QQ";
    EXPECT_EQ(ChangePassword(garbled, "a", "b", "b", [](auto&, auto&) { FAIL(); }),
              PasswordChange::DecodeFailed);
    EXPECT_EQ(garbled.EncodedPassword, "3513QQ");
}

// The log and the stored password must always agree: both change, or neither.
TEST(ChangePassword, StoresTheNewPasswordOnlyAfterTheLogWasRekeyed) {
    const char path[] = "C:\\w.dat";
    const DateTime start = EncodeDateTime(2001, 3, 15, 9, 0);
    const MemoryFileSystem::Bytes bytes = LogBytes({{start, start}}, "abc");
    const auto rekeyWith = [&](MemoryFileSystem& files) {
        return [&files, path](const std::string& from, const std::string& to) {
            RekeyLog(files, LogTarget{path, from}, to);
        };
    };

    {
        SCOPED_TRACE("rewrite fails");
        MemoryFileSystem files;
        files.SetFile(path, bytes);
        files.FailAt(MemoryFileSystem::Op::Write);
        ProgramState state;
        state.EncodedPassword = EncodePassword("abc");
        EXPECT_EQ(ChangePassword(state, "abc", "new", "new", rekeyWith(files)),
                  PasswordChange::RewriteFailed);
        EXPECT_EQ(state.EncodedPassword, EncodePassword("abc"));
        EXPECT_EQ(files.File(path), bytes);
    }
    {
        SCOPED_TRACE("rewrite works");
        MemoryFileSystem files;
        files.SetFile(path, bytes);
        ProgramState state;
        state.EncodedPassword = EncodePassword("abc");
        EXPECT_EQ(ChangePassword(state, "abc", "new", "new", rekeyWith(files)),
                  PasswordChange::Changed);
        EXPECT_EQ(state.EncodedPassword, EncodePassword("new"));
        const auto now = files.File(path);
        ASSERT_TRUE(now.has_value());
        ASSERT_EQ(now->size(), 16u);
        EXPECT_EQ(UnscrambleRecord("new", 1, LoadRecordBytes(now->data() + 8)), start);
    }
    {
        SCOPED_TRACE("no log yet, and an empty new password needs no retyping");
        MemoryFileSystem files;
        ProgramState state;
        state.EncodedPassword = EncodePassword("abc");
        EXPECT_EQ(ChangePassword(state, "abc", "", "whatever", rekeyWith(files)),
                  PasswordChange::Changed);
        EXPECT_EQ(state.EncodedPassword, "");
        EXPECT_FALSE(files.File(path).has_value());
    }
}

TEST(DeleteKeyGate, OnePressRunsTheCommandOnce) {
    // Steps: D = key down, R = auto-repeat, S = the shortcut fires, U = key up in the tree.
    struct Case {
        const char* Steps;
        int Runs;
    };
    const Case cases[] = {
        {"DSU", 1},    // shortcut enabled: key-up must not run it again
        {"DU", 1},     // items disabled: only the key-up runs it
        {"DSRRU", 1},  // holding the key
        {"U", 1},      // a key-up without a key-down seen by us
        {"DS", 1},     // the focus was elsewhere, no key-up in the tree
        {"DSDU", 2},   // ... and the next press with the items disabled still runs
        {"DSUDSU", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Steps);
        DeleteKeyGate gate;
        int runs = 0;
        bool lastDownPassed = false;
        for (const char* step = c.Steps; *step != '\0'; ++step) {
            switch (*step) {
                case 'D':
                    lastDownPassed = gate.KeyDown(false);
                    break;
                case 'R':
                    lastDownPassed = gate.KeyDown(true);
                    break;
                case 'S':
                    // The shortcut only sees key-downs that were let through.
                    if (lastDownPassed) {
                        gate.ShortcutRan();
                        ++runs;
                    }
                    break;
                case 'U':
                    runs += gate.KeyUp() ? 1 : 0;
                    break;
            }
        }
        EXPECT_EQ(runs, c.Runs);
    }
}

}  // namespace
