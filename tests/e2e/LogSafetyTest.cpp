// A log another program holds while Worktally starts: left as it is, and recorded into once free.

#include <windows.h>

#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "win32/platform/UniqueHandle.h"

namespace e2e {
namespace {

class LogSafety : public E2ETest {};

TEST_F(LogSafety, ALogHeldAtTheStartIsKeptAndRecordedIntoOnceFree) {
    const std::vector<DateTime> old = {
        EncodeDateTime(2026, 12, 1, 8, 0), EncodeDateTime(2026, 12, 1, 12, 0),
        EncodeDateTime(2026, 12, 2, 8, 0), EncodeDateTime(2026, 12, 2, 17, 30)};
    StorePassword("held");
    const auto oldBytes = LogBytes(old, "held");
    WriteBytes(LogPath(), oldBytes);

    Program* program = nullptr;
    {
        // As a backup tool or a virus scanner holds a file: no sharing at all.
        const UniqueFile hold(CreateFileA(LogPath().c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(hold);
        program = &Start("/L /F " + Quoted(LogPath()));
        HWND box = program->WaitForDialog("Worktally");
        const std::string text = MessageText(box);
        EXPECT_EQ(text.substr(0, text.find('\n')), "Error writting " + LogPath());
        EXPECT_NE(text.find('\n'), std::string::npos) << "the system's reason: " << text;
        // The next tick tries the start again, still held: no second box, nothing written.
        program->Tick();
        EXPECT_EQ(program->Dialogs("Worktally").size(), 1u) << program->Dump();
        Click(box, IDOK);
        program->WaitForNoDialog("Worktally");
    }
    EXPECT_EQ(ReadBytes(LogPath()), oldBytes) << "the held log is left as it was";

    program->Tick();
    auto records = ReadLog(LogPath(), "held");
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(std::vector<DateTime>(records.begin(), records.begin() + 4), old);
    EXPECT_EQ(records[4], records[5]) << "the session starts once the log is free";
    const DateTime started = records[4];
    program->Tick();
    records = ReadLog(LogPath(), "held");
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[3], old[3]) << "the last session before is never stretched";
    EXPECT_EQ(records[4], started);
    EXPECT_GE(records[5], started);
    program->Exit();
}

}  // namespace
}  // namespace e2e
