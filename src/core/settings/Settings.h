#pragma once

// The settings: named string values in sections of the program's key, over a store that tests
// replace, and the rules that load and save the program state.

#include <optional>
#include <stdexcept>
#include <string>

#include "core/log/LogTarget.h"
#include "core/settings/ProgramState.h"

// The program's key as sections of named string values.
inline constexpr char kProgramKey[] = "Software\\Quillmere\\Worktally";
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kPasswordValue[] = "Password";
inline constexpr char kOneUserValue[] = "AR One User";
inline constexpr char kUserNameValue[] = "AR User Name";
inline constexpr char kAwayWhenLockedValue[] = "Away When Locked";
inline constexpr char kAwayIdleMinutesValue[] = "Away Idle Minutes";
inline constexpr int kLongestIdleMinutes = 240;
inline constexpr char kSharedFolderValue[] = "Shared Folder";
inline constexpr char kMainWindowSection[] = "Main Window";
inline constexpr char kTopValue[] = "Top";
inline constexpr char kLeftValue[] = "Left";
inline constexpr char kWidthValue[] = "Width";
inline constexpr char kHeightValue[] = "Height";

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SettingsStore {
  public:
    enum class ValueType { String, ExpandString, Other };
    struct Value {
        ValueType Type = ValueType::String;
        std::string Data;  // raw bytes as stored, NUL included when stored
    };
    virtual ~SettingsStore() = default;
    // Opens the program's key, creating it; throws StoreError.
    virtual void Open() = 0;
    virtual void Close() noexcept = 0;
    // nullopt when the section or the value does not exist; throws StoreError otherwise.
    virtual std::optional<Value> Query(const std::string& section, const std::string& name) = 0;
    // Creates the section when needed and stores a REG_SZ; throws StoreError.
    virtual void SetString(const std::string& section, const std::string& name,
                           const std::string& text) = 0;
};

std::string ReadString(SettingsStore& store, const std::string& section, const std::string& name,
                       const std::string& defaultValue);
int ReadInteger(SettingsStore& store, const std::string& section, const std::string& name,
                int defaultValue);
bool ReadBool(SettingsStore& store, const std::string& section, const std::string& name,
              bool defaultValue);
void WriteString(SettingsStore& store, const std::string& section, const std::string& name,
                 const std::string& text);
void WriteInteger(SettingsStore& store, const std::string& section, const std::string& name,
                  int value);
void WriteBool(SettingsStore& store, const std::string& section, const std::string& name,
               bool value);

// Silent on every failure: values read before it keep their new values.
void LoadSettings(ProgramState& state, SettingsStore& store);
void SaveSettings(const ProgramState& state, SettingsStore& store);

// The log of the state with its stored password decoded: what every reader, writer and rewrite
// takes. Throws ConvertError on a stored password that is not hexadecimal.
LogTarget LogTargetOf(const ProgramState& state);
