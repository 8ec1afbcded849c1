#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/dialogs/PasswordRules.h"
#include "core/log/LogFile.h"
#include "core/log/Rewrite.h"
#include "core/reports/ExportRules.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/ProgramState.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

// "Grüße" as typed: its UTF-8 bytes, and its bytes in code page 1252 (ü = FC, ß = DF), which is
// what earlier versions stored and scrambled with on a Western system.
const std::string kGrusseUtf8 =
    "Gr\xC3\xBC\xC3\x9F"
    "e";
const std::string kGrusse1252 =
    "Gr\xFC\xDF"
    "e";
const TypedPassword kTypedGrusse{kGrusseUtf8, kGrusse1252};
// "日本" and "中国" on a Western system: two characters outside code page 1252 each.
const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
const TypedPassword kTypedNihon{kNihonUtf8, "??"};
const TypedPassword kTypedChugoku{"\xE4\xB8\xAD\xE5\x9B\xBD", "??"};

TEST(TypedPassword, OpensWhatEarlierVersionsStoredAndNoLongerMixesUpCharacters) {
    struct Case {
        const char* Name;
        std::string Stored;  // the password's bytes, as the registry's hexadecimal text holds them
        TypedPassword Typed;
        bool Granted;
    };
    const Case cases[] = {
        {"old Grüße in code page 1252", kGrusse1252, kTypedGrusse, true},
        {"new Grüße in UTF-8", kGrusseUtf8, kTypedGrusse, true},
        {"Grüße stored in UTF-8 opens on a system whose code page lacks ü", kGrusseUtf8,
         TypedPassword(kGrusseUtf8, "Gr??e"), true},
        {"old 日本 stored as ?? still opens with 日本", "??", kTypedNihon, true},
        {"new 日本 does not open with 中国", kNihonUtf8, kTypedChugoku, false},
        {"new 日本 does not open with a typed ??", kNihonUtf8, TypedPassword("??"), false},
        {"new 日本 opens with 日本", kNihonUtf8, kTypedNihon, true},
        {"Grüße is not Grusse", kGrusse1252, TypedPassword("Grusse"), false},
        {"ASCII is the same in both", "abc", TypedPassword("abc"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const ViewerPasswordCheck check = CheckViewerPassword(EncodePassword(c.Stored), c.Typed);
        EXPECT_EQ(check.Granted, c.Granted);
        EXPECT_FALSE(check.DecodeFailed);
        const std::optional<std::string> match = MatchPassword(c.Stored, c.Typed);
        EXPECT_EQ(match.has_value(), c.Granted);
        // The bytes the log was scrambled with.
        if (match) {
            EXPECT_EQ(*match, c.Stored);
        }
    }
}

TEST(TypedPassword, AnOldLogExportsAndAChangeRekeysItToUtf8) {
    const char log[] = "C:\\Worktally\\work.dat";
    const char csv[] = "C:\\Reports\\days.csv";
    const DateTime start = EncodeDateTime(2001, 3, 15, 9, 0);
    const DateTime end = EncodeDateTime(2001, 3, 15, 17, 30);
    const MemoryFileSystem::Bytes oldLog = LogBytes({{start, end}}, kGrusse1252);

    MemoryFileSystem files;
    files.SetFile(log, oldLog);
    ProgramState state;
    state.LogFileName = log;
    state.EncodedPassword = EncodePassword(kGrusse1252);

    ExportRequest request = ParseExportParams("/E out");
    request.File = csv;
    std::vector<std::string> boxes;
    ExportUi ui;
    ui.AskPassword = [] { return kTypedGrusse; };
    ui.ShowError = [&](const std::string& text) { boxes.push_back(text); };
    EXPECT_EQ(RunExport(request, state, files, ui, EncodeDate(2027, 1, 1)), kExportDone);
    EXPECT_EQ(boxes, std::vector<std::string>{});
    const auto written = files.File(csv);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(std::string(written->begin(), written->end()),
              "Date,Duration,Hours\r\n2001-03-15,8:30,8.50\r\n");

    // The same typed text as old and new password: stored and scrambled in UTF-8 from now on.
    const PasswordChange result =
        ChangePassword(state, kTypedGrusse, kGrusseUtf8, kGrusseUtf8,
                       [&](const std::string& from, const std::string& to) {
                           EXPECT_EQ(from, kGrusse1252);
                           RekeyLog(files, LogTarget{log, from}, to);
                       });
    EXPECT_EQ(result, PasswordChange::Changed);
    EXPECT_EQ(state.EncodedPassword, EncodePassword(kGrusseUtf8));
    const auto now = files.File(log);
    ASSERT_TRUE(now.has_value());
    ASSERT_EQ(now->size(), 16u);
    EXPECT_EQ(UnscrambleRecord(kGrusseUtf8, 0, LoadRecordBytes(now->data())), start);
    EXPECT_EQ(UnscrambleRecord(kGrusseUtf8, 1, LoadRecordBytes(now->data() + 8)), end);
}

}  // namespace
