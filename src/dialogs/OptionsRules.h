#pragma once

// What the Options dialog decides, apart from drawing: which controls are enabled, what it shows
// when it opens, and what OK does.

#include <string>

struct ProgramState;
class SettingsStore;
class TAMAutoRun;

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
};

// What the dialog shows when it opens: the registration state and the stored choices.
OptionsChoice ReadOptions(const ProgramState& state, TAMAutoRun& autoRun);

// OK: stores the choices in the state, switches the auto-run entry (replacing one whose command
// differs), and saves the settings. Registry failures are silent.
void ApplyOptions(const OptionsChoice& choice, ProgramState& state, TAMAutoRun& autoRun,
                  SettingsStore& settings);
