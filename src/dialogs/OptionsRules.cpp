#include "dialogs/OptionsRules.h"

#include "app/UtilsUnit.h"
#include "dialogs/AMAutoRun.h"

OptionsEnabling OptionsEnablingFor(bool autoRunChecked, bool oneUserChecked) noexcept {
    OptionsEnabling enabling;
    enabling.AutoRunGroupBox = autoRunChecked;
    enabling.OneUserCheckBox = enabling.AutoRunGroupBox;
    enabling.UserNameLabel = enabling.AutoRunGroupBox && oneUserChecked;
    enabling.UserNameEdit = enabling.UserNameLabel;
    return enabling;
}

OptionsChoice ReadOptions(const ProgramState& state, TAMAutoRun& autoRun) {
    OptionsChoice choice;
    choice.AutoRun = autoRun.IsRegistered();
    choice.OneUser = state.OneUser;
    choice.UserName = state.AutoRunUserName;
    return choice;
}

void ApplyOptions(const OptionsChoice& choice, ProgramState& state, TAMAutoRun& autoRun,
                  SettingsStore& settings) {
    // Taken as shown, also from disabled controls.
    state.OneUser = choice.OneUser;
    state.AutoRunUserName = choice.UserName;
    if (choice.AutoRun) {
        autoRun.SetParams(AutoRunParams(state));
        // Replacing keeps a changed user name or one-user choice from waiting for a restart.
        autoRun.ApplyRegistration();
    } else {
        autoRun.UnregisterAutoRun();
    }
    // Saved now, so a crash or a forced log-off does not lose the choices.
    SaveSettings(state, settings);
}
