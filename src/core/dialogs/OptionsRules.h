#pragma once

// What the Options dialog decides, apart from drawing: which controls are enabled, what it shows
// when it opens, and what OK does.

#include <optional>
#include <string>

#include "core/settings/WorkTimeSettings.h"

struct ProgramState;
class SettingsStore;
class AutoRunEntry;

struct OptionsEnabling {
    bool AutoRunGroupBox = false;
    bool OneUserCheckBox = false;
    bool UserNameLabel = false;
    bool UserNameEdit = false;
};

// A disabled control keeps its check state and text; only the enabled states follow the boxes.
OptionsEnabling OptionsEnablingFor(bool autoRunChecked, bool oneUserChecked) noexcept;

// The dialog's controls as values.
struct OptionsChoice {
    bool AutoRun = false;
    bool OneUser = false;
    std::string UserName;
    bool AwayWhenLocked = false;
    int AwayIdleMinutes = 0;  // 0: the idle box is off
    WorkTimeSettings WorkTime{};
    // "Several computers": the box, and the folder's path as typed (kept while the box is off).
    bool KeepInSharedFolder = false;
    std::string SharedFolder{};
};

// The working-time group's two texts as settings; the box's text naming the field when one does
// not parse (nullopt for both then).
struct WorkTimeTexts {
    std::string WeekHours;
    std::string BreakRules;
};
std::string ParseWorkTimeTexts(const WorkTimeTexts& texts, WorkTimeSettings& settings);

// Why OK cannot take the choices (a box says it); empty when it can.
std::string OptionsProblem(const OptionsChoice& choice);

// The idle edit's text as minutes: digits only, 1 to 240; nullopt otherwise.
std::optional<int> ParseIdleMinutes(const std::string& text);

// The entry in the machine-wide Run key and the per-user one that stands in for it where the
// machine's key cannot be written (a standard user).
struct AutoRunTargets {
    AutoRunEntry& Machine;
    AutoRunEntry& User;
};

inline constexpr char kMachineRunKeyName[] =
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kUserRunKeyName[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// What the dialog shows when it opens: registered when either key holds the value, and the
// stored choices.
OptionsChoice ReadOptions(const ProgramState& state, AutoRunTargets autoRun);

// OK: stores the choices in the state, switches the auto-run entry (replacing one whose command
// differs; the user's key when the machine's cannot be written; off removes both), and saves
// the settings. Returns what could not be done with the entry, naming the key, for a box;
// empty when everything succeeded.
std::string ApplyOptions(const OptionsChoice& choice, ProgramState& state, AutoRunTargets autoRun,
                         SettingsStore& settings);
