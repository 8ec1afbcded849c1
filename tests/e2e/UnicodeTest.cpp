// Names outside the system's code page: a folder, a log and an export file called
// "Łódź_日本語", under a Western locale (code page 1252) and a Japanese one (code page 932);
// neither code page holds every one of those characters.

#include <windows.h>

#include <string>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "win32/platform/WideText.h"

namespace e2e {
namespace {

// "Łódź_日本語" in UTF-8, as the tests keep every path.
const std::string kName =
    "\xC5\x81\xC3\xB3"
    "d\xC5\xBA_\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";

class UnicodeNames : public E2ETest {};

TEST_F(UnicodeNames, RecordViewAndExportInAFolderOutsideTheCodePage) {
    for (const char* lang : {"en_US.UTF-8", "ja_JP.UTF-8"}) {
        SCOPED_TRACE(lang);
        const std::string folder = PathIn(std::string(lang).substr(0, 2) + "_" + kName);
        ASSERT_TRUE(CreateDirectoryW(Widen(folder).c_str(), nullptr));
        const std::string log = folder + "\\" + kName + ".dat";
        const std::string csv = folder + "\\" + kName + ".csv";
        {
            // Wine hands a changed locale only to the processes after the first one under it.
            Program warmUp;
            warmUp.Start("/U nobody-logs-on-as-this", lang);
            warmUp.ExpectExit();
        }

        Program& recorder = Start("/L /F " + Quoted(log), lang);
        ASSERT_TRUE(WaitForFileSize(log, 16u)) << recorder.Dump();
        const auto started = ReadLog(log, "");
        ASSERT_EQ(started.size(), 2u);
        recorder.Tick();
        const auto ticked = ReadLog(log, "");
        ASSERT_EQ(ticked.size(), 2u);
        EXPECT_EQ(ticked[0], started[0]);
        EXPECT_GT(ticked[1], started[1]);

        // The viewer reads the same log: one year, its month, today and the session.
        recorder.Command(IDM_SHOW);
        ASSERT_TRUE(WaitUntil([&] { return recorder.MainWindowVisible(); })) << recorder.Dump();
        EXPECT_EQ(ReadTree(recorder.Tree(), true).size(), 4u) << recorder.Dump();
        EXPECT_EQ(StatusText(recorder.StatusBar()).rfind("From ", 0), 0u)
            << StatusText(recorder.StatusBar());

        Program& exporter = Start("/E " + Quoted(csv) + " /F " + Quoted(log), lang);
        exporter.ExpectExit();
        EXPECT_EQ(exporter.ExitCode(), 0u);
        const auto bytes = ReadBytes(csv);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_EQ(text.rfind("Date,Duration,Hours\r\n", 0), 0u) << text;
        EXPECT_NE(text.find("\r\n2"), std::string::npos) << text;  // one day's line

        recorder.Exit();
    }
}

}  // namespace
}  // namespace e2e
