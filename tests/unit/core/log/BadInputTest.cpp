#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/CommandLine.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/HandOverText.h"
#include "core/log/LogFile.h"
#include "core/log/Recorder.h"
#include "core/log/Rewrite.h"
#include "unit/support/MemoryFileSystem.h"
#include "unit/support/TempFolder.h"
#include "core/tree/LogTree.h"

namespace {

namespace fs = std::filesystem;

ParseEnvironment Env() {
    ParseEnvironment env;
    env.DefaultLog = "C:\\Program Files\\Worktally\\worktaly.dat";
    env.UserName = [] { return std::optional<std::string>("jsmith"); };
    return env;
}

std::string Join(const std::vector<std::string>& params) {
    std::vector<const char*> argv{"worktally.exe"};
    for (const std::string& param : params) argv.push_back(param.c_str());
    return JoinParams(static_cast<int>(argv.size()), argv.data());
}

// "/L /F <path> " joined, with the path padded so that the whole text has `length` characters.
// The folder holds a space, so the path travels quoted: 3 + 3 + 2 quotes + 1 trailing blank.
std::string LongLogPath(std::size_t length) {
    const std::string folder = "C:\\My Logs\\";
    const std::string name = ".dat";
    return folder + std::string(length - 9 - folder.size() - name.size(), 'w') + name;
}

TEST(LongCommandLine, HandOverTakesAtMost1023CharactersAndTheParserAnyLength) {
    for (const std::size_t length : {std::size_t{1023}, std::size_t{1024}, std::size_t{10000}}) {
        SCOPED_TRACE(length);
        const std::string path = LongLogPath(length);
        const std::string text = Join({"/L", "/F", path});
        ASSERT_EQ(text.size(), length);

        // The running instance would parse exactly this; the parser itself has no limit.
        ProgramState direct;
        ParseParams(direct, text, Env());
        EXPECT_EQ(direct.LogFileName, path);
        EXPECT_TRUE(direct.Logging);

        // The section with guard bytes behind it: nothing may land past its end.
        std::array<char, kParamsSectionSize + 32> bytes;
        bytes.fill('#');
        const std::span<char> section(bytes.data(), kParamsSectionSize);
        const bool fits = length <= kParamsSectionSize - 1;
        EXPECT_EQ(WriteHandOverText(section, text), fits);
        for (std::size_t i = kParamsSectionSize; i < bytes.size(); ++i)
            ASSERT_EQ(bytes[i], '#') << "written past the section at " << i;
        if (!fits) {
            EXPECT_EQ(bytes[0], '#');  // a refused text leaves the section as it was
            continue;
        }
        const std::optional<std::string> received = ReadHandOverText(section);
        ASSERT_TRUE(received.has_value());
        ProgramState handedOver;
        handedOver.Logging = false;
        ParseParams(handedOver, *received, Env());
        EXPECT_EQ(handedOver.LogFileName, path);
        EXPECT_TRUE(handedOver.Logging);
    }
}

TEST(LongCommandLine, TenThousandCharactersOfAnyShape) {
    struct Case {
        const char* Name;
        std::string Text;
        bool Logging;
        std::string LogFileName;  // empty: the default
    };
    std::string manyTokens;
    while (manyTokens.size() < 9998) manyTokens += "x ";
    const std::string unclosed = "/F \"" + std::string(9996, 'q');
    const Case cases[] = {
        {"5,000 ignored tokens, then /L", manyTokens + "/L", true, ""},
        {"an unclosed quote runs to the end", unclosed, false, std::string(9996, 'q')},
        {"10,000 blanks around /L", std::string(5000, ' ') + "/l" + std::string(4998, ' '), true,
         ""},
        {"a user name of 10,000 characters fails the check", "/U " + std::string(9997, 'u'), false,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_EQ(c.Text.size(), 10000u);
        ProgramState state;
        ParseParams(state, c.Text, Env());
        EXPECT_EQ(state.Logging, c.Logging);
        EXPECT_EQ(state.LogFileName, c.LogFileName.empty()
                                         ? "C:\\Program Files\\Worktally\\worktaly.dat"
                                         : c.LogFileName);
    }
    ProgramState state;
    ParseParams(state, "/U " + std::string(9997, 'u'), Env());
    EXPECT_TRUE(state.StopAtStart);

    // Joined back, 10,000 characters of one parameter keep their boundary.
    const std::string long10k(10000, 'p');
    const std::string joined = Join({long10k, "/L"});
    ParamWords words(joined);
    EXPECT_EQ(words.Next(), long10k);
    EXPECT_EQ(words.Next(), "/L");
}

// --- a log scrambled with another password than the one stored ---

class FixedClock final : public Clock {
  public:
    DateTime Now() const override { return now; }
    DateTime now = 0;
};

TEST(WrongKey, ALogReadWithAnotherPasswordIsRejectedNotMisread) {
    const char path[] = "C:\\w.dat";
    std::vector<DateTime> records;
    for (int day = 1; day <= 28; ++day) {
        records.push_back(EncodeDateTime(2024, 3, day, 9, 0));
        records.push_back(EncodeDateTime(2024, 3, day, 17, 30));
    }
    MemoryFileSystem files;
    files.SetFile(path, RecordBytes(records, "secret"));
    const DateTime today = EncodeDate(2024, 4, 1);

    // The byte that holds the sign and the top of the exponent (byte 7) of record 0 uses 'e',
    // of record 1 'c': read without a key the start becomes about 1e-127, the end 1e-137,
    // an end before its start. With "Secret" only bit 5 of byte 6 of record 0 flips, which
    // moves the start back to 1931 while the end stays in 2024: longer than any session.
    for (const std::string wrong : {"", "Secret"}) {
        SCOPED_TRACE(wrong);
        const LogTree tree = BuildLogTree(files, LogTarget{path, wrong}, today);
        EXPECT_EQ(tree.Failed, LogTree::Failure::IncorrectRecord);
        EXPECT_TRUE(tree.Nodes.empty());
    }

    // Whatever the wrong key, no node ever lies outside the calendar or holds more pieces
    // than the longest session gives.
    for (const std::string wrong :
         {"secreT", "s", "se", "secre", "secrets", "terces", "\xFF\xFE", "ecrets", "SECRET",
          "a much longer wrong password", "sec ret", "s3cret"}) {
        SCOPED_TRACE(wrong);
        const LogTree tree = BuildLogTree(files, LogTarget{path, wrong}, today);
        EXPECT_NE(tree.Failed, LogTree::Failure::ReadError);
        std::size_t pieces = 0;
        for (const LogTreeNode& node : tree.Nodes) {
            EXPECT_GE(node.Info.StartTime, kFirstLogDate);
            EXPECT_LT(node.Info.StartTime, kLastLogDateEnd);
            EXPECT_GE(node.Info.Year, 1899);
            EXPECT_LE(node.Info.Year, 9999);
            pieces += node.Info.Kind == PeriodKind::Session;
        }
        EXPECT_LE(pieces, records.size() / 2 * (static_cast<std::size_t>(kMaxPairDays) + 1));
    }

    // The right key still reads every pair.
    const LogTree right = BuildLogTree(files, LogTarget{path, "secret"}, today);
    EXPECT_EQ(right.Failed, LogTree::Failure::None);
    EXPECT_EQ(right.Nodes.size(), 1u + 1u + 28u * 2u);
}

// --- real files: a folder that is missing, and paths with blanks ---

class BadPaths : public ::testing::Test {
  protected:
    TempFolder temp_{"worktally bad input", ' '};
    const fs::path& folder_ = temp_.Path();
    FixedClock clock_;
};

TEST_F(BadPaths, MissingFolderFailsEveryOperationAndCreatesNothing) {
    FileSystem& files = NativeFileSystem();
    const fs::path missing = folder_ / "no such folder";
    const std::string log = (missing / "worktaly.dat").string();
    clock_.now = EncodeDateTime(2024, 3, 10, 9, 0);
    SessionRecorder recorder(files, clock_);

    EXPECT_THROW(recorder.AppendSession({log, ""}), IoError);
    EXPECT_THROW(recorder.Tick({log, ""}, false), IoError);
    const LogTree tree = BuildLogTree(files, {log, ""}, clock_.now);
    EXPECT_EQ(tree.Failed, LogTree::Failure::ReadError);
    EXPECT_TRUE(tree.Nodes.empty());
    EXPECT_THROW(DeleteLogBranch(files, LogTarget{log, ""}, PeriodKind::Total, 0, 0, true, clock_),
                 IoError);
    // A password change over no log has nothing to rewrite.
    EXPECT_EQ(RekeyLog(files, LogTarget{log, ""}, "new"), RekeyResult::NoLogFile);

    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(BadPaths, PathWithBlanksWorksFromTheCommandLineToEveryRewrite) {
    FileSystem& files = NativeFileSystem();
    const fs::path logs = folder_ / "my logs";
    fs::create_directories(logs);
    const std::string log = (logs / "work log.dat").string();

    ProgramState state;
    ParseParams(state, Join({"/L", "/F", log}), Env());
    ASSERT_EQ(state.LogFileName, log);

    const DateTime start = EncodeDateTime(2024, 3, 10, 9, 0);
    clock_.now = start;
    SessionRecorder recorder(files, clock_);
    recorder.AppendSession({state.LogFileName, ""});
    clock_.now = start + 1.0 / 1440;
    recorder.Tick({state.LogFileName, ""}, false);
    EXPECT_EQ(fs::file_size(log), 16u);

    // One session of a minute, read back with the given password.
    const auto expectOneMinute = [&](const std::string& password) {
        const LogTotals totals = ReadLogTotals(files, {state.LogFileName, password});
        EXPECT_EQ(totals.Failed(), LogTotals::Failure::None);
        ASSERT_TRUE(totals.HasSessions());
        EXPECT_EQ(totals.FirstStart(), start);
        EXPECT_NEAR(totals.Total(), 1.0 / 1440, 1e-9);
    };
    expectOneMinute("");

    EXPECT_EQ(RekeyLog(files, LogTarget{state.LogFileName, ""}, "pass word"), RekeyResult::Rekeyed);
    expectOneMinute("pass word");
    EXPECT_EQ(std::distance(fs::directory_iterator(logs), fs::directory_iterator()), 1)
        << "the rewrite leaves no temporary file behind";

    DeleteLogBranch(files, LogTarget{state.LogFileName, "pass word"}, PeriodKind::Total, start,
                    start, false, clock_);
    EXPECT_EQ(fs::file_size(log), 0u);
}

}  // namespace
