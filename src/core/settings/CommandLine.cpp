#include "core/settings/CommandLine.h"

#include "core/log/LogFolder.h"
#include "core/settings/LogPlace.h"

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

std::string ParamWords::Next() {
    const std::size_t length = text_.size();
    while (position_ < length && text_[position_] == kSpace) ++position_;
    std::string word;
    if (position_ < length && text_[position_] == kQuote) {
        const std::size_t close = text_.find(kQuote, position_ + 1);
        const std::size_t end = close == std::string_view::npos ? length : close;
        word.assign(text_.substr(position_ + 1, end - position_ - 1));
        position_ = end == length ? length : end + 1;  // past the closing quote
    } else {
        const std::size_t blank = text_.find(kSpace, position_);
        const std::size_t end = blank == std::string_view::npos ? length : blank;
        word.assign(text_.substr(position_, end - position_));
        position_ = end;
    }
    return word;
}

void ParseParams(ProgramState& state, const std::string& text, const ParseEnvironment& env) {
    state.Logging = false;
    state.ShowLogAtStart = true;
    state.LogFileName = env.DefaultLog;
    state.LogFileNamed = false;
    state.LogFolder.clear();

    bool stopped = false;
    WalkOptions(text, [&](const std::string& option, ParamWords& words) {
        if (option == "/L") {
            state.Logging = true;
        } else if (option == "/U") {
            const std::string name = AsciiUpper(words.Next());
            const std::optional<std::string> user =
                env.UserName ? env.UserName() : std::optional<std::string>();
            if (user && AsciiUpper(*user) != name) {
                state.StopAtStart = true;
                stopped = true;
                return false;
            }
        } else if (option == "/F") {
            state.LogFileName = words.Next();
            state.LogFileNamed = true;
        }
        return true;
    });
    if (stopped) return;
    state.ShowLogAtStart = !state.Logging;
}

HandOverOutcome ApplyHandOver(ProgramState& state, const std::string& text,
                              const ParseEnvironment& env) {
    HandOverOutcome outcome;
    ProgramState parsed = state;
    ParseParams(parsed, text, env);
    PlaceLog(parsed, env);
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
    if (!state.LogFileNamed) return params;
    if (!state.LogFolder.empty()) {
        // A folder keeps its last backslash, doubled: one before the closing quote would escape
        // it for the system's parser. The folder may not be there yet when Windows starts.
        std::string folder = state.LogFolder;
        while (EndsWithSeparator(folder)) folder.pop_back();
        params += std::string(" /f ") + kQuote + folder + "\\\\" + kQuote;
    } else if (!state.LogFileName.empty()) {
        params += std::string(" /f ") + kQuote + state.LogFileName + kQuote;
    }
    return params;
}
