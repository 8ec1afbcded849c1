// The command-line export, run as a script would run it.

#include <windows.h>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"

namespace e2e {
namespace {

// Two sessions on 5 March, one on 6 March 2001.
const std::vector<DateTime> kTwoDays = {
    EncodeDateTime(2001, 3, 5, 8, 0),  EncodeDateTime(2001, 3, 5, 9, 0),
    EncodeDateTime(2001, 3, 5, 10, 0), EncodeDateTime(2001, 3, 5, 11, 15),
    EncodeDateTime(2001, 3, 6, 8, 0),  EncodeDateTime(2001, 3, 6, 9, 30)};

class Export : public E2ETest {};

std::string Text(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(Export, AsksThePasswordAndWritesTheSessions) {
    StorePassword("s3cret");
    WriteBytes(LogPath(), LogBytes(kTwoDays, "s3cret"));
    const std::string csv = PathIn("sessions.csv");
    Program& program = Start("/E " + Quoted(csv) + " /R sessions /F " + Quoted(LogPath()));
    HWND prompt = program.WaitForDialog("Password - Worktally");
    SetControlText(prompt, IDC_PASSWORD_EDIT, "s3cret");
    Click(prompt, IDOK);
    program.ExpectExit();
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(Text(ReadBytes(csv)),
              "Start,End,Duration,Hours\r\n"
              "2001-03-05 08:00:00,2001-03-05 09:00:00,1:00,1.00\r\n"
              "2001-03-05 10:00:00,2001-03-05 11:15:00,1:15,1.25\r\n"
              "2001-03-06 08:00:00,2001-03-06 09:30:00,1:30,1.50\r\n");
    EXPECT_FALSE(FileExists(csv + ".tmp"));
}

TEST_F(Export, AMissingFolderLeavesNoFileAndFails) {
    WriteBytes(LogPath(), LogBytes(kTwoDays, ""));
    const std::string csv = PathIn("missing\\days.csv");
    Program& program = Start("/E " + Quoted(csv) + " /F " + Quoted(LogPath()));
    HWND box = program.WaitForDialog("Worktally");
    EXPECT_EQ(MessageText(box), "Error writing " + csv);
    Click(box, IDOK);
    program.ExpectExit();
    EXPECT_NE(program.ExitCode(), 0u);
    EXPECT_FALSE(FileExists(csv));
    EXPECT_FALSE(FileExists(csv + ".tmp"));
}

}  // namespace
}  // namespace e2e
