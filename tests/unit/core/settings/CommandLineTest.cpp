#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/settings/CommandLine.h"

namespace {

// Every word of the text, read the way the option walk reads them.
std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    ParamWords words(text);
    while (words.More()) tokens.push_back(words.Next());
    return tokens;
}

ParseEnvironment Env(std::optional<std::string> user, int* calls = nullptr) {
    ParseEnvironment env;
    env.DefaultLog = "C:\\Tools\\worktaly.dat";
    env.UserName = [user, calls]() {
        if (calls) ++*calls;
        return user;
    };
    return env;
}

std::string JoinArgs(const std::vector<std::string>& params) {
    std::vector<const char*> argv{"C:\\Tools\\worktally.exe"};
    for (const auto& p : params) argv.push_back(p.c_str());
    return JoinParams(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(AddBackslash, AddsExactlyOne) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {{"", ""},
                 {"C:", "C:\\"},
                 {"C:\\", "C:\\"},
                 {"C:\\Program Files\\Worktally", "C:\\Program Files\\Worktally\\"},
                 {"a/b/", "a/b/\\"}};
    for (const auto& c : cases) EXPECT_EQ(AddBackslash(c.path), c.expected) << c.path;
}

TEST(ParamWords, SplitsAtSpacesAndQuotes) {
    const struct {
        std::string text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"", {}},
        {"/L", {"/L"}},
        {"  /L   /u  ", {"/L", "/u", ""}},  // trailing spaces leave one empty token
        {"a\tb c", {"a\tb", "c"}},          // only the blank separates
        {"\"C:\\My Logs\\w.dat\" /L", {"C:\\My Logs\\w.dat", "/L"}},
        {"\"a b\"c d", {"a b", "c", "d"}},  // text after the closing quote is a new token
        {"\"\"", {""}},
        {"\"\" x", {"", "x"}},
        {"\"a\"\"b\"", {"a", "b"}},
        {"ab\"cd ef", {"ab\"cd", "ef"}},  // a quote inside a bare token is just a character
        {"/F \"C:\\My Logs", {"/F", "C:\\My Logs"}},  // unclosed: runs to the end
        {"\"", {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(ParamWords, MovesPastEachWordAndItsClosingQuote) {
    ParamWords words("ab  \"c d\" e");
    EXPECT_EQ(words.Next(), "ab");
    EXPECT_EQ(words.Position(), 2u);  // the space is left for the next word
    EXPECT_EQ(words.Next(), "c d");
    EXPECT_EQ(words.Position(), 9u);  // just past the closing quote
    EXPECT_EQ(words.Next(), "e");
    EXPECT_FALSE(words.More());
    EXPECT_EQ(words.Next(), "");

    ParamWords unclosed("\"ab");
    EXPECT_EQ(unclosed.Next(), "ab");
    EXPECT_FALSE(unclosed.More());
}

TEST(ParseParams, SetsStateFromOptions) {
    const std::string kDefault = "C:\\Tools\\worktaly.dat";
    const struct {
        std::string text;
        bool logging;
        bool showLog;
        bool stop;
        std::string logFile;
    } cases[] = {
        {"", false, true, false, kDefault},
        {"/L ", true, false, false, kDefault},
        {"/l", true, false, false, kDefault},
        {"   /L   ", true, false, false, kDefault},
        {"/X abc /l /Lx", true, false, false, kDefault},
        {"/f D:\\Logs\\Work.dat ", false, true, false, "D:\\Logs\\Work.dat"},
        {"/L /F", true, false, false, ""},
        {"/F /L ", false, true, false, "/L"},
        {"/F a /F b", false, true, false, "b"},
        {"/F \"C:\\My Logs\\work.dat\" /L ", true, false, false, "C:\\My Logs\\work.dat"},
        {"/F \"C:\\My Logs\\work.dat /L", false, true, false, "C:\\My Logs\\work.dat /L"},
        {"/L /U JSmith /F x ", true, false, false, "x"},
        {"/U jsmith /L", true, false, false, kDefault},
        // A failed check stops the parse before the options after it and before step 4.
        {"/L /U other /F x ", true, true, true, kDefault},
        {"/L /U", true, true, true, kDefault},
        {"/L /U \"\"", true, true, true, kDefault},
        {"/U jsmith /U other /L", false, true, true, kDefault},
        {"/U jsmithx /L", false, true, true, kDefault},
    };
    for (const auto& c : cases) {
        ProgramState state;
        ParseParams(state, c.text, Env("jsmith"));
        EXPECT_EQ(state.Logging, c.logging) << c.text;
        EXPECT_EQ(state.ShowLogAtStart, c.showLog) << c.text;
        EXPECT_EQ(state.StopAtStart, c.stop) << c.text;
        EXPECT_EQ(state.LogFileName, c.logFile) << c.text;
    }
}

TEST(ParseParams, ChecksEveryUserOptionUntilOneFails) {
    const struct {
        const char* text;
        int expectedCalls;
        bool stop;
    } cases[] = {{"/U jsmith /U JSMITH /L", 2, false},
                 {"/U other /U jsmith", 1, true},
                 {"/U jsmith /U other /U jsmith", 2, true},
                 {"/L /F /U", 0, false}};  // "/U" is the file name here
    for (const auto& c : cases) {
        int calls = 0;
        ProgramState state;
        ParseParams(state, c.text, Env("JSmith", &calls));
        EXPECT_EQ(calls, c.expectedCalls) << c.text;
        EXPECT_EQ(state.StopAtStart, c.stop) << c.text;
    }
}

TEST(ParseParams, UserCheckFoldsAsciiOnly) {
    // Latin-1 u-umlaut in lower and upper case: not an ASCII letter, so not folded.
    ProgramState state;
    ParseParams(state, "/U M\xDCLLER", Env("m\xFCller"));
    EXPECT_TRUE(state.StopAtStart);

    ProgramState same;
    ParseParams(same, "/U M\xFCLLER", Env("m\xFCller"));
    EXPECT_FALSE(same.StopAtStart);
}

TEST(ParseParams, UnknownUserSkipsTheCheck) {
    ParseEnvironment noFunction;
    noFunction.DefaultLog = "C:\\Tools\\worktaly.dat";
    for (const ParseEnvironment& env : {Env(std::nullopt), noFunction}) {
        ProgramState state;
        ParseParams(state, "/U anyone /L", env);
        EXPECT_FALSE(state.StopAtStart);
        EXPECT_TRUE(state.Logging);
        EXPECT_EQ(state.LogFileName, "C:\\Tools\\worktaly.dat");
    }
}

TEST(ParseParams, ResetsWhatAnEarlierParseSet) {
    // A hand-over re-parses into the running instance's state.
    ProgramState state;
    ParseParams(state, "/L /F E:\\other.dat", Env("jsmith"));
    ASSERT_TRUE(state.Logging);
    ParseParams(state, "", Env("jsmith"));
    EXPECT_FALSE(state.Logging);
    EXPECT_TRUE(state.ShowLogAtStart);
    EXPECT_EQ(state.LogFileName, "C:\\Tools\\worktaly.dat");
}

TEST(JoinParams, QuotesOnlyWhatNeedsIt) {
    const struct {
        std::vector<std::string> params;
        std::string expected;
    } cases[] = {
        {{}, ""},
        {{"/l"}, "/l "},
        {{"/F", "C:\\My Logs\\work.dat", "/L"}, "/F \"C:\\My Logs\\work.dat\" /L "},
        {{"", "x"}, "\"\" x "},
        {{"a\"b"}, "ab "},
        {{"\"x y\""}, "\"x y\" "},
        {{"\""}, "\"\" "},
        {{"a\tb"}, "a\tb "},
    };
    for (const auto& c : cases) EXPECT_EQ(JoinArgs(c.params), c.expected) << c.expected;
}

TEST(JoinParams, RoundTripsThroughParamWords) {
    const std::vector<std::vector<std::string>> cases = {
        {"/L"},
        {"/F", "C:\\My Logs\\work.dat", "/L"},
        {"", "", "a"},
        {" lead", "trail ", "  ", "in  side"},
        {"/u", "Jane Doe"},
        {"tab\there", "x"},
    };
    for (const auto& params : cases) {
        std::vector<std::string> tokens = Tokens(JoinArgs(params));
        // The space after the last parameter leaves one empty token behind.
        ASSERT_EQ(tokens.size(), params.size() + 1);
        EXPECT_EQ(tokens.back(), "");
        tokens.pop_back();
        EXPECT_EQ(tokens, params);
    }
    // Quotes are dropped, but the parameters keep their boundaries.
    EXPECT_EQ(Tokens(JoinArgs({"\"a", "b c\"", "d"})),
              (std::vector<std::string>{"a", "b c", "d", ""}));
}

TEST(JoinParams, PathWithSpacesReachesTheParserWhole) {
    ProgramState state;
    ParseParams(state, JoinArgs({"/F", "C:\\My Logs\\work.dat", "/l"}), Env("jsmith"));
    EXPECT_EQ(state.LogFileName, "C:\\My Logs\\work.dat");
    EXPECT_TRUE(state.Logging);
}

TEST(ApplyHandOver, WhileLoggingAStartWithoutLOnlyOpensTheViewer) {
    const std::string kDefault = "C:\\Tools\\worktaly.dat";
    const std::string kWork = "D:\\Logs\\work.dat";
    struct Case {
        const char* name;
        bool logging;  // the running instance
        std::string log;
        std::string text;
        bool startSession;
        bool showViewer;
        std::string otherLog;
        bool loggingAfter;
        std::string logAfter;
    } cases[] = {
        {"Start menu while logging", true, kDefault, "", false, true, "", true, kDefault},
        {"Start menu while logging elsewhere", true, kWork, "", false, true, "", true, kWork},
        {"another log named", true, kDefault, "/F " + kWork, false, true, kWork, true, kDefault},
        {"the recorded log named", true, kWork, "/f d:\\logs\\WORK.dat", false, true, "", true,
         kWork},
        {"/L while logging", true, kDefault, "/L /F " + kWork, true, false, "", true, kWork},
        {"not logging: the viewer of the named log", false, kDefault, "/F " + kWork, false, true,
         "", false, kWork},
        {"not logging: /L starts logging", false, kDefault, "/L", true, false, "", true, kDefault},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramState state;
        state.Logging = c.logging;
        state.ShowLogAtStart = !c.logging;
        state.LogFileName = c.log;
        state.EncodedPassword = "0A";
        const HandOverOutcome outcome = ApplyHandOver(state, c.text, Env("jsmith"));
        EXPECT_EQ(outcome.StartSession, c.startSession);
        EXPECT_EQ(outcome.ShowViewer, c.showViewer);
        EXPECT_EQ(outcome.OtherLog, c.otherLog);
        EXPECT_EQ(state.Logging, c.loggingAfter);
        EXPECT_EQ(state.LogFileName, c.logAfter);
        EXPECT_EQ(state.EncodedPassword, "0A");
    }
}

TEST(AutoRunParams, AddsTheUserForOneUserOnly) {
    const struct {
        bool oneUser;
        const char* name;
        const char* expected;
    } cases[] = {
        {false, "bob", "/l"},
        {true, "", "/l"},
        {true, "bob", "/l /u bob"},
        {true, "Jane Doe", "/l /u \"Jane Doe\""},
    };
    for (const auto& c : cases) {
        ProgramState state;
        state.OneUser = c.oneUser;
        state.AutoRunUserName = c.name;
        EXPECT_EQ(AutoRunParams(state), c.expected) << c.name;
    }
}

TEST(AutoRunParams, CarriesTheLogNamedWithF) {
    ParseEnvironment env;
    env.DefaultLog = "C:\\Tools\\worktaly.dat";
    env.UserName = [] { return std::optional<std::string>("bob"); };
    const struct {
        const char* commandLine;
        const char* expected;
    } cases[] = {
        {"/L", "/l"},
        {"/L /F D:\\work.dat", "/l /f \"D:\\work.dat\""},
        {"/F \"D:\\My Logs\\work.dat\"", "/l /f \"D:\\My Logs\\work.dat\""},
    };
    for (const auto& c : cases) {
        ProgramState state;
        ParseParams(state, c.commandLine, env);
        EXPECT_EQ(AutoRunParams(state), c.expected) << c.commandLine;
    }
}

TEST(AutoRunParams, IsReadBackByTheParser) {
    for (const char* name : {"bob", "Jane Doe"}) {
        ProgramState saved;
        saved.OneUser = true;
        saved.AutoRunUserName = name;
        saved.LogFileName = "D:\\My Logs\\work.dat";
        saved.LogFileNamed = true;
        const std::string params = AutoRunParams(saved);

        ParseEnvironment env;
        env.DefaultLog = "C:\\Tools\\worktaly.dat";
        env.UserName = [name] { return std::optional<std::string>(name); };
        ProgramState same;
        ParseParams(same, params, env);
        EXPECT_TRUE(same.Logging) << params;
        EXPECT_FALSE(same.StopAtStart) << params;
        EXPECT_EQ(same.LogFileName, saved.LogFileName) << params;

        env.UserName = [] { return std::optional<std::string>("Jane"); };
        ProgramState other;
        ParseParams(other, params, env);
        EXPECT_TRUE(other.StopAtStart) << params;
    }
}

TEST(OneUser, MatchesANameOutsideTheCodePageExactly) {
    // "Łódź_日本語" in UTF-8, and what the code page's functions made of it ("?" for each
    // character outside the code page).
    const std::string name =
        "\xC5\x81\xC3\xB3"
        "d\xC5\xBA_\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    struct Case {
        std::string User;
        std::string Option;
        bool Stops;
    };
    const Case cases[] = {
        {name, name, false},
        {name,
         "?\xF3"
         "d?_???",
         true},
        {"?\xF3"
         "d?_???",
         name, true},
        {name, "\"" + name + "\"", false},
        {"JANE", "jane", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Option);
        ParseEnvironment env;
        env.DefaultLog = "C:\\Tools\\worktaly.dat";
        env.UserName = [&c] { return std::optional<std::string>(c.User); };
        ProgramState state;
        ParseParams(state, "/L /U " + c.Option, env);
        EXPECT_EQ(state.StopAtStart, c.Stops);
    }
}
