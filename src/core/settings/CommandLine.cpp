#include "core/settings/CommandLine.h"

namespace {

constexpr char kSpace = ' ';
constexpr char kQuote = '"';

}  // namespace

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string AddBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + '\\';
}

std::string NextToken(const std::string& text, std::size_t& position) {
    if (position < 1) position = 1;
    const std::size_t length = text.size();
    // `position` is 1-based: the character at it is text[position - 1].
    while (position <= length && text[position - 1] == kSpace) ++position;

    std::string token;
    if (position <= length && text[position - 1] == kQuote) {
        ++position;
        while (position <= length && text[position - 1] != kQuote) {
            token += text[position - 1];
            ++position;
        }
        ++position;  // past the closing quote, or one past the end when it is missing
    } else {
        while (position <= length && text[position - 1] != kSpace) {
            token += text[position - 1];
            ++position;
        }
    }
    return token;
}

void ParseParams(ProgramState& state, const std::string& text, const ParseEnvironment& env) {
    state.Logging = false;
    state.ShowLogAtStart = true;
    state.LogFileName = AddBackslash(env.ExeDirectory) + kDefaultLogName;
    state.LogFileNamed = false;

    std::size_t position = 1;
    while (position <= text.size()) {
        const std::string option = AsciiUpper(NextToken(text, position));
        if (option == "/L") {
            state.Logging = true;
        } else if (option == "/U") {
            const std::string name = AsciiUpper(NextToken(text, position));
            const std::optional<std::string> user =
                env.UserName ? env.UserName() : std::optional<std::string>();
            if (user && AsciiUpper(*user) != name) {
                state.StopAtStart = true;
                return;
            }
        } else if (option == "/F") {
            state.LogFileName = NextToken(text, position);
            state.LogFileNamed = true;
        }
    }
    state.ShowLogAtStart = !state.Logging;
}

HandOverOutcome ApplyHandOver(ProgramState& state, const std::string& text,
                              const ParseEnvironment& env) {
    HandOverOutcome outcome;
    ProgramState parsed = state;
    ParseParams(parsed, text, env);
    if (!state.Logging || parsed.Logging) {
        state = parsed;
        outcome.StartSession = state.Logging;
        outcome.ShowViewer = !state.Logging;
        return outcome;
    }
    // Opening the viewer from the Start menu must not end the recording.
    outcome.ShowViewer = true;
    if (parsed.LogFileNamed && AsciiUpper(parsed.LogFileName) != AsciiUpper(state.LogFileName))
        outcome.OtherLog = parsed.LogFileName;
    return outcome;
}

std::string JoinParams(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        std::string param;
        for (const char* p = argv[i]; p && *p; ++p) {
            if (*p != kQuote) param += *p;
        }
        if (param.empty() || param.find(kSpace) != std::string::npos) {
            text += kQuote;
            text += param;
            text += kQuote;
        } else {
            text += param;
        }
        text += kSpace;
    }
    return text;
}

std::string AutoRunParams(const ProgramState& state) {
    std::string params = "/l";
    if (state.OneUser && !state.AutoRunUserName.empty()) {
        params += " /u ";
        // The parser splits at spaces, so a name with one must travel quoted.
        if (state.AutoRunUserName.find(kSpace) != std::string::npos) {
            params += kQuote + state.AutoRunUserName + kQuote;
        } else {
            params += state.AutoRunUserName;
        }
    }
    if (state.LogFileNamed && !state.LogFileName.empty())
        params += std::string(" /f ") + kQuote + state.LogFileName + kQuote;
    return params;
}
