#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/reports/CorrectionCommand.h"
#include "core/settings/PasswordCodec.h"
#include "unit/support/LogPairsSupport.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Op = MemoryFileSystem::Op;

const char kLog[] = "C:\\Worktally\\work.dat";
const std::string kFormatHint = "as \"YYYY-MM-DD HH:MM\"";

TEST(ParseCorrectionParams, FindsTheRepairAndItsRange) {
    const Span december9 = {EncodeDateTime(2026, 12, 9, 8, 0), EncodeDateTime(2026, 12, 9, 9, 30)};
    const Span leapDay = {EncodeDateTime(2024, 2, 29, 23, 59), EncodeDate(2024, 3, 1)};
    struct Case {
        const char* text;
        bool asked;
        ChangeKind kind;
        Span range;
        std::string error;
    } const cases[] = {
        {" /L /F log.dat ", false, ChangeKind::AddTime, {}, ""},
        {" /E out.csv ", false, ChangeKind::AddTime, {}, ""},
        {" /A \"2026-12-09 08:00\" \"2026-12-09 09:30\" ", true, ChangeKind::AddTime, december9,
         ""},
        {" /x \"2026-12-09 08:00\" \"2026-12-09 09:30\" /F \"C:\\My Logs\\w.dat\" ", true,
         ChangeKind::RemoveTime, december9, ""},
        {" /F /A /X \"2026-12-09 08:00\" \"2026-12-09 09:30\" ", true, ChangeKind::RemoveTime,
         december9, ""},  // a log named "/A"
        {" /a 2026-12-09 08:00 2026-12-09 09:30 /F log.dat ", true, ChangeKind::AddTime, december9,
         ""},  // without the quotes
        {" /A \"2024-02-29 23:59\" \"2024-03-01 00:00\" ", true, ChangeKind::AddTime, leapDay, ""},
        // Reversed ranges parse: the repair itself refuses them, with the box the viewer shows.
        {" /A \"2026-12-09 09:30\" \"2026-12-09 08:00\" ",
         true,
         ChangeKind::AddTime,
         {december9.End, december9.Start},
         ""},
        {" /A ", true, ChangeKind::AddTime, {}, "/A needs FROM and TO, each " + kFormatHint},
        {" /X \"2026-12-09 08:00\" ",
         true,
         ChangeKind::RemoveTime,
         {},
         "/X needs FROM and TO, each " + kFormatHint},
        {" /A \"2023-02-29 08:00\" \"2023-03-01 08:00\" ",
         true,
         ChangeKind::AddTime,
         {},
         "\"2023-02-29 08:00\" after /A is no date and time " + kFormatHint},
        {" /A \"2026-12-09 08:00\" \"2026-12-09 24:00\" ",
         true,
         ChangeKind::AddTime,
         {},
         "\"2026-12-09 24:00\" after /A is no date and time " + kFormatHint},
        {" /A \"2026-12-09 8:00\" \"2026-12-09 09:30\" ",
         true,
         ChangeKind::AddTime,
         {},
         "\"2026-12-09 8:00\" after /A is no date and time " + kFormatHint},
        {" /A 2026-12-09 8:00 2026-12-09 09:30 ",
         true,
         ChangeKind::AddTime,
         {},
         "\"2026-12-09 8:00\" after /A is no date and time " + kFormatHint},
        {" /A \"2026-12-09 08:00\" /F log.dat ",
         true,
         ChangeKind::AddTime,
         {},
         "\"/F\" after /A is no date and time " + kFormatHint},
        {" /A \"09.12.2026 08:00\" \"09.12.2026 09:30\" ",
         true,
         ChangeKind::AddTime,
         {},
         "\"09.12.2026 08:00\" after /A is no date and time " + kFormatHint},
        {" /A \"2026-12-09 08:00\" \"2026-12-09 09:30\" /X \"2026-12-09 08:00\" "
         "\"2026-12-09 09:30\" ",
         true, ChangeKind::RemoveTime, december9, "Give only one of /A and /X"},
    };
    for (const Case& c : cases) {
        const CorrectionRequest request = ParseCorrectionParams(c.text);
        EXPECT_EQ(request.Asked, c.asked) << c.text;
        EXPECT_EQ(request.Error, c.error) << c.text;
        if (!c.asked || !c.error.empty()) continue;
        EXPECT_EQ(request.Kind, c.kind) << c.text;
        EXPECT_EQ(request.Range, c.range) << c.text;
    }
}

TEST(RunCorrection, AsksThePasswordAppliesTheRepairAndSaysWhatWentWrong) {
    const auto log = PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0)}});
    const std::string password = "secret";
    const DateTime now = At(12, 0);
    struct Case {
        const char* name;
        const char* params;
        bool withPassword;
        const char* answer;
        bool recording;
        int exitCode;
        std::string box;
        std::vector<LogPair> after;  // empty: the log keeps its bytes
        void (*fault)(MemoryFileSystem&) = nullptr;
    } const cases[] = {
        {"adds", " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ", false, "", false, 0, "",
         PairsOf({{At(8, 0), At(9, 30)}, {At(10, 0), At(11, 0)}})},
        {"removes after the right password", " /X \"2026-12-09 08:30\" \"2026-12-09 10:30\" ", true,
         "secret", false, 0, "", PairsOf({{At(8, 0), At(8, 30)}, {At(10, 30), At(11, 0)}})},
        {"nothing to change is done",
         " /A \"2026-12-09 08:00\" \"2026-12-09 08:30\" ",
         false,
         "",
         false,
         0,
         "",
         {}},
        {"a wrong password",
         " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ",
         true,
         "guess",
         false,
         1,
         "Password Incorrect",
         {}},
        {"the prompt cancelled",
         " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ",
         true,
         "",
         false,
         1,
         "",
         {}},
        {"a garbled range",
         " /X \"2026-12-09\" ",
         true,
         "secret",
         false,
         1,
         "\"2026-12-09\" after /X is no date and time " + kFormatHint,
         {}},
        {"a TO after now",
         " /A \"2026-12-09 11:00\" \"2026-12-09 12:01\" ",
         false,
         "",
         false,
         1,
         RefusalText(CorrectionRefusal::AfterNow),
         {}},
        {"a reversed range",
         " /X \"2026-12-09 10:30\" \"2026-12-09 08:30\" ",
         false,
         "",
         false,
         1,
         RefusalText(CorrectionRefusal::EmptyRange),
         {}},
        {"cutting the end of the session another instance records",
         " /X \"2026-12-09 10:30\" \"2026-12-09 11:30\" ",
         false,
         "",
         true,
         1,
         RefusalText(CorrectionRefusal::ReachesRunningEnd),
         {}},
        {"the log cannot be replaced",
         " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ",
         false,
         "",
         false,
         1,
         std::string("Error changing ") + kLog,
         {},
         [](MemoryFileSystem& m) { m.FailAt(Op::Replace); }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const std::string key = test.withPassword ? password : "";
        MemoryFileSystem files;
        MemoryFileSystem::Bytes bytes(16 * log.size());
        for (std::size_t k = 0; k < log.size(); ++k) {
            const auto number = static_cast<std::int32_t>(2 * k);
            StoreRecordBytes(ScrambleRecord(key, number, log[k].Start()), &bytes[16 * k]);
            StoreRecordBytes(ScrambleRecord(key, number + 1, log[k].End()), &bytes[16 * k + 8]);
        }
        files.SetFile(kLog, bytes);
        if (test.fault) test.fault(files);
        ProgramState state;
        state.LogFileName = kLog;
        state.EncodedPassword = test.withPassword ? EncodePassword(password) : "";

        int prompts = 0;
        std::vector<std::string> boxes;
        CorrectionUi ui;
        ui.AskPassword = [&] {
            ++prompts;
            return std::string(test.answer);
        };
        ui.ShowError = [&](const std::string& text) { boxes.push_back(text); };
        const int code = RunCorrection(ParseCorrectionParams(test.params), state, files, ui, now,
                                       test.recording);

        EXPECT_EQ(code, test.exitCode);
        EXPECT_EQ(boxes, test.box.empty() ? std::vector<std::string>{}
                                          : std::vector<std::string>{test.box});
        // The password comes first, and only when the command line is sound.
        const bool garbled = std::string(test.name) == "a garbled range";
        EXPECT_EQ(prompts, test.withPassword && !garbled ? 1 : 0);
        if (test.after.empty()) {
            EXPECT_EQ(files.File(kLog), bytes);
        } else {
            EXPECT_EQ(BitsOf(ReadLogPairs(files, LogTarget{kLog, key})), BitsOf(test.after));
        }
        EXPECT_EQ(files.Paths(), std::vector<std::string>{kLog});
    }
}

}  // namespace
