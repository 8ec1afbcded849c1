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
    const char* const before = "8-9 10-11";
    struct Case {
        const char* name;
        const char* params;
        const char* password;  // stored; empty: none
        const char* answer;
        bool recording;
        int exitCode;
        std::string box;
        const char* after;  // empty: the log keeps its bytes
        void (*fault)(MemoryFileSystem&) = nullptr;
    } const cases[] = {
        {"adds", " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ", "", "", false, 0, "",
         "8-9:30 10-11"},
        {"removes after the right password", " /X \"2026-12-09 08:30\" \"2026-12-09 10:30\" ",
         "secret", "secret", false, 0, "", "8-8:30 10:30-11"},
        {"nothing to change is done", " /A \"2026-12-09 08:00\" \"2026-12-09 08:30\" ", "", "",
         false, 0, "", ""},
        {"a wrong password", " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ", "secret", "guess",
         false, 1, "Password Incorrect", ""},
        {"the prompt cancelled", " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ", "secret", "",
         false, 1, "", ""},
        {"a garbled range, before the prompt", " /X \"2026-12-09\" ", "secret", "secret", false, 1,
         "\"2026-12-09\" after /X is no date and time " + kFormatHint, ""},
        {"a TO after now", " /A \"2026-12-09 11:00\" \"2026-12-09 12:01\" ", "", "", false, 1,
         RefusalText(CorrectionRefusal::AfterNow), ""},
        {"a reversed range", " /X \"2026-12-09 10:30\" \"2026-12-09 08:30\" ", "", "", false, 1,
         RefusalText(CorrectionRefusal::EmptyRange), ""},
        {"cutting the end of the session another instance records",
         " /X \"2026-12-09 10:30\" \"2026-12-09 11:30\" ", "", "", true, 1,
         RefusalText(CorrectionRefusal::ReachesRunningEnd), ""},
        {"the log cannot be replaced", " /A \"2026-12-09 09:00\" \"2026-12-09 09:30\" ", "", "",
         false, 1, std::string("Error changing ") + kLog + "\nInjected failure", "",
         [](MemoryFileSystem& m) { m.FailAt(Op::Replace); }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        files.SetFile(kLog, LogBytesOf(Log(before), test.password));
        if (test.fault) test.fault(files);
        ProgramState state;
        state.LogFileName = kLog;
        state.EncodedPassword = *test.password ? EncodePassword(test.password) : "";

        int prompts = 0;
        std::vector<std::string> boxes;
        CorrectionUi ui;
        ui.AskPassword = [&] {
            ++prompts;
            return std::string(test.answer);
        };
        ui.ShowError = [&](const std::string& text) { boxes.push_back(text); };
        const int code = RunCorrection(ParseCorrectionParams(test.params), state, files, ui,
                                       Time("12"), test.recording);

        EXPECT_EQ(code, test.exitCode);
        EXPECT_EQ(boxes, test.box.empty() ? std::vector<std::string>{}
                                          : std::vector<std::string>{test.box});
        const bool garbled = test.box.find("no date and time") != std::string::npos;
        EXPECT_EQ(prompts, *test.password && !garbled ? 1 : 0);
        EXPECT_EQ(BitsIn(*files.File(kLog), test.password),
                  BitsOf(Log(*test.after ? test.after : before)));
        EXPECT_EQ(files.Paths(), std::vector<std::string>{kLog});
    }
}

}  // namespace
