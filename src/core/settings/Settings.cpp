#include "core/settings/Settings.h"

#include <charconv>

#include "core/settings/PasswordCodec.h"

namespace {

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
        state.SharedFolder = ReadString(store, kSettingsSection, kSharedFolderValue, "");
        LoadWorkTimeSettings(state.WorkTime, store);
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
        SaveWorkTimeSettings(state.WorkTime, store);
        WriteString(store, kSettingsSection, kSharedFolderValue, state.SharedFolder);
    } catch (const std::exception&) {
        // Silent: the values after the failing one are not written.
    }
    store.Close();
}

LogTarget LogTargetOf(const ProgramState& state) {
    LogTarget log{state.LogFileName, {}};
    DecodePassword(state.EncodedPassword, log.Password);
    return log;
}
