#include "app/UtilsUnit.h"

#include <charconv>

namespace {

constexpr char kSpace = ' ';
constexpr char kQuote = '"';

// Upper-cases a-z only, so that the result does not depend on the locale.
std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr std::size_t kKeyLength = sizeof(PasswordKey) - 1;

// The text of a value, or nullopt when it does not exist; throws StoreError on a non-text type.
std::optional<std::string> QueryText(SettingsStore& store, const std::string& section,
                                     const std::string& name) {
    const std::optional<SettingsStore::Value> value = store.Query(section, name);
    if (!value) return std::nullopt;
    if (value->Type == SettingsStore::ValueType::Other) {
        throw StoreError("value " + section + "\\" + name + " is not a text");
    }
    const std::size_t end = value->Data.find('\0');
    return end == std::string::npos ? value->Data : value->Data.substr(0, end);
}

}  // namespace

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

std::string EncodePassword(const std::string& password) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(password.size() * 2);
    for (std::size_t i = 0; i < password.size(); ++i) {
        const auto code = static_cast<unsigned char>(password[i]) ^
                          static_cast<unsigned char>(PasswordKey[i % kKeyLength]);
        hex += kDigits[code >> 4];
        hex += kDigits[code & 0x0F];
    }
    return hex;
}

void DecodePassword(const std::string& hexText, std::string& result) {
    result.clear();
    std::size_t k = 0;
    for (std::size_t i = 0; i < hexText.size(); i += 2, ++k) {
        const std::string piece = hexText.substr(i, 2);
        int value = 0;
        for (char c : piece) {
            const int digit = HexDigitValue(c);
            if (digit < 0) throw ConvertError("'" + piece + "' is not a valid hexadecimal number");
            value = value * 16 + digit;
        }
        const auto code = static_cast<unsigned char>(value) ^
                          static_cast<unsigned char>(PasswordKey[k % kKeyLength]);
        result += static_cast<char>(code);
    }
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

std::string ReadString(SettingsStore& store, const std::string& section, const std::string& name,
                       const std::string& defaultValue) {
    return QueryText(store, section, name).value_or(defaultValue);
}

int ReadInteger(SettingsStore& store, const std::string& section, const std::string& name,
                int defaultValue) {
    const std::optional<std::string> text = QueryText(store, section, name);
    if (!text || text->empty()) return defaultValue;
    int value = 0;
    const char* first = text->data();
    const char* last = first + text->size();
    const auto [end, error] = std::from_chars(first, last, value, 10);
    // from_chars takes no '+', no blanks and reports overflow instead of wrapping.
    if (error != std::errc() || end != last) return defaultValue;
    return value;
}

bool ReadBool(SettingsStore& store, const std::string& section, const std::string& name,
              bool defaultValue) {
    return ReadInteger(store, section, name, defaultValue ? 1 : 0) != 0;
}

void WriteString(SettingsStore& store, const std::string& section, const std::string& name,
                 const std::string& text) {
    store.SetString(section, name, text);
}

void WriteInteger(SettingsStore& store, const std::string& section, const std::string& name,
                  int value) {
    WriteString(store, section, name, std::to_string(value));
}

void WriteBool(SettingsStore& store, const std::string& section, const std::string& name,
               bool value) {
    WriteString(store, section, name, value ? "1" : "0");
}

void LoadSettings(ProgramState& state, SettingsStore& store) {
    try {
        store.Open();
    } catch (const std::exception&) {
        return;
    }
    try {
        state.EncodedPassword = ReadString(store, kSettingsSection, kPasswordValue, "");
        state.OneUser = ReadBool(store, kSettingsSection, kOneUserValue, state.OneUser);
        state.AutoRunUserName =
            ReadString(store, kSettingsSection, kUserNameValue, state.AutoRunUserName);
        state.AwayWhenLocked = ReadInteger(store, kSettingsSection, kAwayWhenLockedValue, 0) == 1;
        const int idle = ReadInteger(store, kSettingsSection, kAwayIdleMinutesValue, 0);
        state.AwayIdleMinutes = idle >= 0 && idle <= kLongestIdleMinutes ? idle : 0;
    } catch (const std::exception&) {
        // Silent: what was read so far stays.
    }
    store.Close();
}

void SaveSettings(const ProgramState& state, SettingsStore& store) {
    try {
        store.Open();
    } catch (const std::exception&) {
        return;
    }
    try {
        WriteString(store, kSettingsSection, kPasswordValue, state.EncodedPassword);
        WriteBool(store, kSettingsSection, kOneUserValue, state.OneUser);
        WriteString(store, kSettingsSection, kUserNameValue, state.AutoRunUserName);
        WriteBool(store, kSettingsSection, kAwayWhenLockedValue, state.AwayWhenLocked);
        WriteInteger(store, kSettingsSection, kAwayIdleMinutesValue, state.AwayIdleMinutes);
    } catch (const std::exception&) {
        // Silent: the values after the failing one are not written.
    }
    store.Close();
}
