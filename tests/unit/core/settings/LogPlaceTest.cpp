#include <gtest/gtest.h>

#include <string>

#include "core/settings/CommandLine.h"
#include "core/settings/LogPlace.h"

namespace {

const std::string kDefault = "C:\\Tools\\worktaly.dat";
const std::string kOwn = "DESK-1a2b3c4d.dat";

ParseEnvironment Env() {
    ParseEnvironment env;
    env.DefaultLog = kDefault;
    env.IsFolder = [](const std::string& path) { return path == "D:\\Sync"; };
    env.ComputerLogFile = [] { return kOwn; };
    return env;
}

}  // namespace

TEST(PlaceLog, FolderFromFOrTheOptionsAndAFileWins) {
    const struct {
        const char* name;
        std::string commandLine;
        std::string sharedFolder;  // the option
        std::string folder;
        std::string log;
    } cases[] = {
        {"nothing", "/L", "", "", kDefault},
        {"the option", "/L", "E:\\OneDrive\\Time", "E:\\OneDrive\\Time",
         "E:\\OneDrive\\Time\\" + kOwn},
        {"a file wins", "/F D:\\work.dat", "E:\\Time", "", "D:\\work.dat"},
        {"ends with a backslash", "/F \"D:\\New Folder\\\"", "", "D:\\New Folder\\",
         "D:\\New Folder\\" + kOwn},
        {"an existing folder", "/L /F D:\\Sync", "E:\\Time", "D:\\Sync", "D:\\Sync\\" + kOwn},
        {"a slash", "/F /home/me/sync/", "", "/home/me/sync/", "/home/me/sync/" + kOwn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramState state;
        ParseParams(state, c.commandLine, Env());
        state.SharedFolder = c.sharedFolder;
        PlaceLog(state, Env());
        EXPECT_EQ(state.LogFolder, c.folder);
        EXPECT_EQ(state.LogFileName, c.log);
        // Placing again (the options saved) changes nothing.
        PlaceLog(state, Env());
        EXPECT_EQ(state.LogFileName, c.log);
    }
}

TEST(PlaceLog, TheOptionsSwitchTheFolderOnAndOffAndAutoRunCarriesANamedOne) {
    ProgramState state;
    ParseParams(state, "/L", Env());
    state.SharedFolder = "E:\\Time";
    PlaceLog(state, Env());
    EXPECT_EQ(state.LogFileName, "E:\\Time\\" + kOwn);
    EXPECT_EQ(AutoRunParams(state), "/l");  // the option is read at every start
    state.SharedFolder.clear();
    PlaceLog(state, Env());
    EXPECT_EQ(state.LogFolder, "");
    EXPECT_EQ(state.LogFileName, kDefault);

    // The backslash before the closing quote is doubled, so the system's parser keeps it.
    ParseParams(state, "/L /F \"D:\\My Sync\\\"", Env());
    PlaceLog(state, Env());
    const std::string params = AutoRunParams(state);
    EXPECT_EQ(params, "/l /f \"D:\\My Sync\\\\\"");
    const char* argv[] = {"worktally.exe", "/l", "/f", "D:\\My Sync\\"};  // as Windows splits it
    ProgramState started;
    ParseParams(started, JoinParams(4, argv), Env());
    PlaceLog(started, Env());
    EXPECT_EQ(started.LogFileName, "D:\\My Sync\\" + kOwn);
}

TEST(PlaceLog, AHandOverNamingTheRecordedFolderIsNoOtherLog) {
    ProgramState state;
    ParseParams(state, "/L /F D:\\Sync", Env());
    PlaceLog(state, Env());
    ProgramState running = state;
    HandOverOutcome outcome = ApplyHandOver(running, "/F D:\\Sync\\", Env());
    EXPECT_TRUE(outcome.ShowViewer);
    EXPECT_EQ(outcome.OtherLog, "");
    outcome = ApplyHandOver(running, "/L /F E:\\Other\\", Env());
    EXPECT_TRUE(outcome.StartSession);
    EXPECT_EQ(running.LogFolder, "E:\\Other\\");
    EXPECT_EQ(running.LogFileName, "E:\\Other\\" + kOwn);
}
