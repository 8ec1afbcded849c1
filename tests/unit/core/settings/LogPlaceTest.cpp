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

TEST(PlaceLog, FolderFromFOrTheOptionsAFileWinsAndAutoRunCarriesANamedFolder) {
    const struct {
        std::string commandLine;
        std::string option;  // "Shared Folder"
        std::string log;
        std::string autoRun;
    } cases[] = {
        {"/L", "", kDefault, "/l"},
        {"/L", "E:\\Time", "E:\\Time\\" + kOwn, "/l"},  // the option is read at every start
        {"/F D:\\work.dat", "E:\\Time", "D:\\work.dat", "/l /f \"D:\\work.dat\""},
        {"/L /F D:\\Sync", "E:\\Time", "D:\\Sync\\" + kOwn, "/l /f \"D:\\Sync\\\\\""},
        // The backslash before the closing quote is doubled, or Windows' parser would eat it.
        {"/F \"D:\\New Sync\\\"", "", "D:\\New Sync\\" + kOwn, "/l /f \"D:\\New Sync\\\\\""},
        {"/F /home/me/sync/", "", "/home/me/sync/" + kOwn, "/l /f \"/home/me/sync\\\\\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine + " with " + c.option);
        ProgramState state;
        ParseParams(state, c.commandLine, Env());
        state.SharedFolder = c.option;
        PlaceLog(state, Env());
        EXPECT_EQ(state.LogFileName, c.log);
        EXPECT_EQ(AutoRunParams(state), c.autoRun);
        PlaceLog(state, Env());  // again, as when the options are saved: nothing moves
        EXPECT_EQ(state.LogFileName, c.log);
    }
}

TEST(PlaceLog, TheOptionsSwitchItOffAndAHandOverNamingTheSameFolderIsNoOtherLog) {
    ProgramState state;
    ParseParams(state, "/L", Env());
    state.SharedFolder = "E:\\Time";
    PlaceLog(state, Env());
    state.SharedFolder.clear();
    PlaceLog(state, Env());
    EXPECT_EQ(state.LogFolder, "");
    EXPECT_EQ(state.LogFileName, kDefault);

    ParseParams(state, "/L /F D:\\Sync", Env());
    PlaceLog(state, Env());
    EXPECT_EQ(ApplyHandOver(state, "/F D:\\Sync\\", Env()).OtherLog, "");
    EXPECT_TRUE(ApplyHandOver(state, "/L /F E:\\Other\\", Env()).StartSession);
    EXPECT_EQ(state.LogFileName, "E:\\Other\\" + kOwn);
}
