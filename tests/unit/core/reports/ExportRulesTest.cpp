#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/ProgramState.h"
#include "core/log/LogFile.h"
#include "core/reports/ExportRules.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

const char kLog[] = "C:\\Worktally\\work.dat";
const char kCsv[] = "C:\\Reports\\days.csv";

std::string Text(const std::optional<MemoryFileSystem::Bytes>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(no file)";
}

}  // namespace

TEST(ParseExportParams, FindsTheFileAndTheKind) {
    struct Case {
        const char* text;
        bool asked;
        const char* file;
        CsvKind kind;
        const char* unknownKind;
    } const cases[] = {
        {" ", false, "", CsvKind::Days, ""},
        {" /L /F log.dat ", false, "", CsvKind::Days, ""},
        {" /E out.csv ", true, "out.csv", CsvKind::Days, ""},
        {" /e \"C:\\My Files\\out.csv\" /r Weeks ", true, "C:\\My Files\\out.csv", CsvKind::Weeks,
         ""},
        {" /R sessions /F x.dat /E s.csv ", true, "s.csv", CsvKind::Sessions, ""},
        {" /F /E /E d.csv ", true, "d.csv", CsvKind::Days, ""},  // a log named "/E"
        {" /E ", true, "", CsvKind::Days, ""},
        {" /E m.csv /R months ", true, "m.csv", CsvKind::Days, "months"},
        {" /E m.csv /R ", true, "m.csv", CsvKind::Days, "(none)"},
    };
    for (const Case& c : cases) {
        const ExportRequest request = ParseExportParams(c.text);
        EXPECT_EQ(request.Asked, c.asked) << c.text;
        EXPECT_EQ(request.File, c.file) << c.text;
        EXPECT_EQ(request.Kind, c.kind) << c.text;
        EXPECT_EQ(request.UnknownKind, c.unknownKind) << c.text;
    }
}

TEST(RunExport, WritesOnlyAfterTheRightPasswordAndAFullRead) {
    const DateTime day = EncodeDate(2026, 12, 8);
    const std::vector<DateTime> good = {day + 8.0 / 24, day + 9.0 / 24};
    const std::vector<DateTime> damaged = {day + 8.0 / 24, day + 9.0 / 24, day + 0.5, day + 0.4};
    const std::string written = "Date,Duration,Hours\r\n2026-12-08,1:00,1.00\r\n";
    struct Case {
        const char* name;
        const char* args;
        const char* stored;  // the stored password
        const char* typed;   // nullptr: no prompt expected
        std::vector<DateTime> log;
        MemoryFileSystem::Op failing;
        int exitCode;
        std::vector<std::string> boxes;
        bool writes;
    } const cases[] = {
        {"no password",
         " /E out ",
         "",
         nullptr,
         good,
         MemoryFileSystem::Op::Count,
         kExportDone,
         {},
         true},
        {"right password",
         " /E out ",
         "pw",
         "pw",
         good,
         MemoryFileSystem::Op::Count,
         kExportDone,
         {},
         true},
        {"wrong password",
         " /E out ",
         "pw",
         "Pw",
         good,
         MemoryFileSystem::Op::Count,
         kExportFailed,
         {"Password Incorrect"},
         false},
        {"cancelled prompt",
         " /E out ",
         "pw",
         "",
         good,
         MemoryFileSystem::Op::Count,
         kExportFailed,
         {},
         false},
        {"log unreadable",
         " /E out ",
         "",
         nullptr,
         good,
         MemoryFileSystem::Op::Read,
         kExportFailed,
         {"Error reading C:\\Worktally\\work.dat\nInjected failure"},
         false},
        {"file not created",
         " /E out ",
         "",
         nullptr,
         good,
         MemoryFileSystem::Op::Create,
         kExportFailed,
         {"Error writing C:\\Reports\\days.csv\nInjected failure"},
         false},
        {"file not replaced",
         " /E out ",
         "",
         nullptr,
         good,
         MemoryFileSystem::Op::Replace,
         kExportFailed,
         {"Error writing C:\\Reports\\days.csv\nInjected failure"},
         false},
        {"incorrect record",
         " /E out ",
         "",
         nullptr,
         damaged,
         MemoryFileSystem::Op::Count,
         kExportIncomplete,
         {"Incorrect record in C:\\Worktally\\work.dat"},
         true},
        {"unknown kind",
         " /E out /R years ",
         "",
         nullptr,
         good,
         MemoryFileSystem::Op::Count,
         kExportFailed,
         {"Unknown report kind years for C:\\Reports\\days.csv"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        files.SetFile(kLog, RecordBytes(c.log, c.stored));
        if (c.failing != MemoryFileSystem::Op::Count) files.FailAt(c.failing);
        ProgramState state;
        state.LogFileName = kLog;
        state.EncodedPassword = *c.stored ? EncodePassword(c.stored) : "";
        ExportRequest request = ParseExportParams(c.args);
        request.File = kCsv;
        int prompts = 0;
        std::vector<std::string> boxes;
        ExportUi ui;
        ui.AskPassword = [&] {
            ++prompts;
            return std::string(c.typed ? c.typed : "");
        };
        ui.ShowError = [&](const std::string& text) { boxes.push_back(text); };

        EXPECT_EQ(RunExport(request, state, files, ui, EncodeDate(2027, 1, 1)), c.exitCode);
        EXPECT_EQ(prompts, c.typed ? 1 : 0);
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(Text(files.File(kCsv)), c.writes ? written : "(no file)");
        EXPECT_FALSE(files.File(CsvTemporaryPath(kCsv)).has_value());
        EXPECT_EQ(files.OpenFiles(), 0);
    }
}

TEST(ExportLog, AFolderThatCannotBeListedWritesNothing) {
    // The union and the logs left out are checked end to end; here the listing fails.
    MemoryFileSystem files;
    files.SetFile("D:\\Sync\\HOME-1.dat", {});
    files.FailAt(MemoryFileSystem::Op::List, 1, "D:\\Sync");
    const ExportSource source{{"D:\\Sync\\HOME-1.dat", "pw"}, "D:\\Sync", {}};
    std::vector<std::string> boxes;
    const auto box = [&](const std::string& text) { boxes.push_back(text); };
    EXPECT_EQ(ExportLog(kCsv, CsvKind::Days, source, files, box, 0), kExportFailed);
    EXPECT_EQ(Text(files.File(kCsv)), "(no file)");
    EXPECT_EQ(boxes, std::vector<std::string>{"Error reading D:\\Sync\nInjected failure"});
}
