#pragma once

// Program-wide state, the command line, the settings store and the password codec.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

struct ProgramState {
    std::string LogFileName;
    bool LogFileNamed = false;  // given with /F rather than the default beside the program
    bool Logging = false;
    bool ShowLogAtStart = true;
    bool StopAtStart = false;
    bool AlreadyRunning = false;
    std::string EncodedPassword;  // hex text; empty means no password
    bool OneUser = false;
    std::string AutoRunUserName;
    // Time away is not counted: while the workstation is locked, and after this many minutes
    // without input (0: never).
    bool AwayWhenLocked = false;
    int AwayIdleMinutes = 0;
    // The shared section's handle and view are Win32 objects and live in app/win32.
};

// What the parser needs of the machine.
struct ParseEnvironment {
    std::string ExeDirectory;  // folder of the executable
    // Log-on name of the current user; nullopt when it cannot be obtained.
    std::function<std::optional<std::string>()> UserName;
};

inline constexpr char kDefaultLogName[] = "worktaly.dat";

std::string AddBackslash(const std::string& path);
// `position` is 1-based and shared between calls; see the parser.
std::string NextToken(const std::string& text, std::size_t& position);
void ParseParams(ProgramState& state, const std::string& text, const ParseEnvironment& env);
// What the running instance does with a command line handed over to it.
struct HandOverOutcome {
    bool StartSession = false;  // logging (again): a new session starts
    bool ShowViewer = false;
    // A log named with /F while another one is being recorded: the viewer shows the recorded
    // log and says so; empty otherwise.
    std::string OtherLog;
};
// Applies a handed-over command line to the running instance's state. While logging, a
// command line without /L only opens the viewer: logging and its log stay as they are.
HandOverOutcome ApplyHandOver(ProgramState& state, const std::string& text,
                              const ParseEnvironment& env);
// Parameters 1..argc-1, each followed by one space; a parameter that is empty or holds a space
// is put in double quotes. Double quotes inside a parameter are dropped, since NextToken has
// no escape for them and one would otherwise split or swallow parameters.
std::string JoinParams(int argc, const char* const* argv);

// Raised by DecodePassword on a text that is not hexadecimal.
class ConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr char PasswordKey[] = "Tq8!mZr4#Kw0pLx7&Vn2Hs9*Jd5yCg3Fb6Ne1Ra";

std::string EncodePassword(const std::string& password);
// Fills `result` with the password; throws ConvertError on a non-hex piece, leaving in
// `result` the characters decoded before it.
void DecodePassword(const std::string& hexText, std::string& result);
// Parameters of the auto-run entry: "/l", then " /u " and the user name (quoted when it
// holds a space) for one user, then " /f " and the quoted log path when the log was named with
// /F, so the start with Windows records where the user records.
std::string AutoRunParams(const ProgramState& state);

// The program's key as sections of named string values.
inline constexpr char kProgramKey[] = "Software\\Quillmere\\Worktally";
inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kPasswordValue[] = "Password";
inline constexpr char kOneUserValue[] = "AR One User";
inline constexpr char kUserNameValue[] = "AR User Name";
inline constexpr char kAwayWhenLockedValue[] = "Away When Locked";
inline constexpr char kAwayIdleMinutesValue[] = "Away Idle Minutes";
inline constexpr int kLongestIdleMinutes = 240;
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
