// Command-line parsing: parameters joined and split again come back whole, and the parser reads
// a joined command line as the parameter list itself says.

#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/settings/CommandLine.h"

namespace {

const char kDefaultLog[] = "C:\\Fuzz\\worktaly.dat";

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return text;
}

std::string WithoutQuotes(const std::string& text) {
    std::string result;
    for (char c : text) {
        if (c != '"') result += c;
    }
    return result;
}

// What the options mean, read straight from the parameter list.
ProgramState Interpret(const std::vector<std::string>& params,
                       const std::optional<std::string>& user) {
    ProgramState state;
    state.LogFileName = kDefaultLog;
    for (std::size_t i = 0; i < params.size(); ++i) {
        const std::string option = Upper(params[i]);
        const std::string next = i + 1 < params.size() ? params[i + 1] : std::string();
        if (option == "/L") {
            state.Logging = true;
        } else if (option == "/U") {
            ++i;
            if (user && Upper(*user) != Upper(next)) {
                state.StopAtStart = true;
                return state;
            }
        } else if (option == "/F") {
            ++i;
            state.LogFileName = next;
        }
    }
    state.ShowLogAtStart = !state.Logging;
    return state;
}

void CheckSameState(const ProgramState& parsed, const ProgramState& expected) {
    FUZZ_CHECK(parsed.Logging == expected.Logging);
    FUZZ_CHECK(parsed.ShowLogAtStart == expected.ShowLogAtStart);
    FUZZ_CHECK(parsed.StopAtStart == expected.StopAtStart);
    FUZZ_CHECK(parsed.LogFileName == expected.LogFileName);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any text: every call moves on, and the parse ends in a consistent state.
    ParamWords words(text);
    while (words.More()) {
        const std::size_t before = words.Position();
        const std::string token = words.Next();
        FUZZ_CHECK(words.Position() > before);
        FUZZ_CHECK(token.size() <= words.Position());
    }
    ParseEnvironment env;
    env.DefaultLog = kDefaultLog;
    env.UserName = [] { return std::optional<std::string>("Fuzz User"); };
    ProgramState raw;
    ParseParams(raw, text, env);
    if (!raw.StopAtStart) FUZZ_CHECK(raw.ShowLogAtStart == !raw.Logging);

    // The bytes as parameters, split at NULs as a C argument vector would be.
    std::vector<std::string> params;
    if (size > 0) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= size; ++i) {
            if (i == size || text[i] == '\0') {
                params.push_back(text.substr(start, i - start));
                start = i + 1;
            }
        }
    }
    std::vector<const char*> argv{"worktally.exe"};
    for (const auto& p : params) argv.push_back(p.c_str());
    const std::string joined = JoinParams(static_cast<int>(argv.size()), argv.data());

    // Split again: the parameters (less any double quote), then the one empty token that the
    // space after the last parameter leaves.
    std::vector<std::string> expected;
    for (const auto& p : params) expected.push_back(WithoutQuotes(p));
    std::vector<std::string> tokens;
    ParamWords joinedWords(joined);
    while (joinedWords.More()) tokens.push_back(joinedWords.Next());
    if (!expected.empty()) expected.push_back("");
    FUZZ_CHECK(tokens == expected);
    if (!expected.empty()) expected.pop_back();

    const std::optional<std::string> users[] = {
        std::nullopt, expected.empty() ? std::string() : expected.back(), std::string("x")};
    for (const auto& user : users) {
        ParseEnvironment userEnv;
        userEnv.DefaultLog = kDefaultLog;
        userEnv.UserName = [user] { return user; };
        ProgramState parsed;
        ParseParams(parsed, joined, userEnv);
        CheckSameState(parsed, Interpret(expected, user));
    }
    return 0;
}
