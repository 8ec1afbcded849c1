#include "core/dialogs/OptionsRules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/CommandLine.h"
#include "core/settings/Settings.h"
#include "core/autorun/AutoRunEntry.h"

OptionsEnabling OptionsEnablingFor(bool autoRunChecked, bool oneUserChecked) noexcept {
    OptionsEnabling enabling;
    enabling.AutoRunGroupBox = autoRunChecked;
    enabling.OneUserCheckBox = enabling.AutoRunGroupBox;
    enabling.UserNameLabel = enabling.AutoRunGroupBox && oneUserChecked;
    enabling.UserNameEdit = enabling.UserNameLabel;
    return enabling;
}

OptionsChoice ReadOptions(const ProgramState& state, AutoRunTargets autoRun) {
    OptionsChoice choice;
    choice.AutoRun = autoRun.Machine.IsRegistered() || autoRun.User.IsRegistered();
    choice.OneUser = state.OneUser;
    choice.UserName = state.AutoRunUserName;
    choice.AwayWhenLocked = state.AwayWhenLocked;
    choice.AwayIdleMinutes = state.AwayIdleMinutes;
    choice.WorkTime = state.WorkTime;
    choice.KeepInSharedFolder = !state.SharedFolder.empty();
    choice.SharedFolder = state.SharedFolder;
    return choice;
}

std::string OptionsProblem(const OptionsChoice& choice) {
    // An entry for one user without a name would log everybody, which is not what was asked.
    if (choice.AutoRun && choice.OneUser &&
        choice.UserName.find_first_not_of(' ') == std::string::npos)
        return "Enter the log-on name of the user to log, or uncheck \"Log only one user\".";
    if (choice.KeepInSharedFolder &&
        choice.SharedFolder.find_first_not_of(' ') == std::string::npos)
        return "Choose the folder shared with your other computers, or uncheck \"Keep my log in "
               "a folder shared with my other computers\".";
    return {};
}

std::optional<int> ParseIdleMinutes(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    int minutes = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        minutes = minutes * 10 + (c - '0');
    }
    if (minutes < 1 || minutes > kLongestIdleMinutes) return std::nullopt;
    return minutes;
}

namespace {

std::string NotRemoved(const char* key) {
    return std::string("Worktally could not remove its entry \"Worktally\" from\n") + key;
}

// Registers in the machine's key, else in the user's; one entry is left, so one log-on never
// starts two sessions.
std::string Register(AutoRunTargets autoRun) {
    if (autoRun.Machine.ApplyRegistration()) {
        if (autoRun.User.IsRegistered() && !autoRun.User.UnregisterAutoRun())
            return NotRemoved(kUserRunKeyName);
        return {};
    }
    if (!autoRun.User.ApplyRegistration()) {
        return std::string("Worktally could not register itself to start with Windows under\n") +
               kMachineRunKeyName + "\nnor under\n" + kUserRunKeyName;
    }
    if (autoRun.Machine.IsRegistered() && !autoRun.Machine.UnregisterAutoRun()) {
        return std::string("Worktally could not change its entry \"Worktally\" in\n") +
               kMachineRunKeyName + "\nIt is registered under\n" + kUserRunKeyName +
               "\ntoo; ask an administrator to remove the first one.";
    }
    return {};
}

std::string Unregister(AutoRunTargets autoRun) {
    std::string failure;
    if (autoRun.Machine.IsRegistered() && !autoRun.Machine.UnregisterAutoRun())
        failure = NotRemoved(kMachineRunKeyName);
    if (autoRun.User.IsRegistered() && !autoRun.User.UnregisterAutoRun())
        failure += (failure.empty() ? "" : "\n") + NotRemoved(kUserRunKeyName);
    return failure;
}

}  // namespace

std::string ApplyOptions(const OptionsChoice& choice, ProgramState& state, AutoRunTargets autoRun,
                         SettingsStore& settings) {
    // Taken as shown, also from disabled controls.
    state.OneUser = choice.OneUser;
    state.AutoRunUserName = choice.UserName;
    state.AwayWhenLocked = choice.AwayWhenLocked;
    state.AwayIdleMinutes = choice.AwayIdleMinutes;
    state.WorkTime = choice.WorkTime;
    state.SharedFolder = choice.KeepInSharedFolder ? choice.SharedFolder : std::string();
    std::string failure;
    if (choice.AutoRun) {
        autoRun.Machine.SetParams(AutoRunParams(state));
        autoRun.User.SetParams(AutoRunParams(state));
        // Replacing keeps a changed user name or one-user choice from waiting for a restart.
        failure = Register(autoRun);
    } else {
        failure = Unregister(autoRun);
    }
    // Saved now, so a crash or a forced log-off does not lose the choices.
    SaveSettings(state, settings);
    return failure;
}

std::string ParseWorkTimeTexts(const WorkTimeTexts& texts, WorkTimeSettings& settings) {
    const std::optional<std::int64_t> week = ParseWeekHours(texts.WeekHours);
    if (!week) return "Hours a week: enter hours and minutes from 0:00 to 168:00, such as 40:00.";
    const std::optional<std::vector<BreakRule>> rules = ParseBreakRules(texts.BreakRules);
    if (!rules)
        return "Break rules: enter pairs of hours of work and minimum break, such as "
               "6:00 0:30 9:00 0:45.";
    settings.weekSeconds = *week;
    settings.breakRules = *rules;
    return {};
}
