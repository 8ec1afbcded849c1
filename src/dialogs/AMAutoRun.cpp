#include "dialogs/AMAutoRun.h"

#include <utility>

const char* RunTypeKey(TRunType runType) noexcept {
    switch (runType) {
        case rtRunOnce:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
        case rtRunOnceEx:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
        case rtRunServices:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
        case rtRunServicesOnce:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
        case rtRun:
            break;
    }
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}

TAMAutoRun::TAMAutoRun(std::unique_ptr<AutoRunRegistry> registry)
    : FRegistry(std::move(registry)),
      FKey(RunTypeKey(FRunType)),
      FSelf(std::make_shared<TAMAutoRun*>(this)) {}

TAMAutoRun::~TAMAutoRun() {
    FSelf.reset();
    if (!FAutoRegister) return;
    try {
        RegisterAutoRun();
    } catch (...) {
        // A destructor has nobody to tell.
    }
}

void TAMAutoRun::SetAutoRegister(bool value) noexcept {
    if (FCheckBox == nullptr) FAutoRegister = value;
}

void TAMAutoRun::SetCheckBox(AutoRunCheckBox* value) {
    if (value == FCheckBox) return;
    FCheckBox = value;
    if (FCheckBox != nullptr) {
        FCheckBox->SetOnClick([self = std::weak_ptr<TAMAutoRun*>(FSelf)](AutoRunCheckBox& sender) {
            if (const auto owner = self.lock()) (*owner)->CheckBoxClick(sender);
        });
    }
    FAutoRegister = false;
}

void TAMAutoRun::SetRunType(TRunType value) noexcept {
    if (value == FRunType) return;
    FRunType = value;
    FKey = RunTypeKey(FRunType);
}

void TAMAutoRun::Loaded() {
    FKey = RunTypeKey(FRunType);
    if (FCheckBox == nullptr) return;
    // No check of AppItemName here: an empty name asks about the key's default value.
    const auto key = OpenKey();
    FCheckBox->SetChecked(key && key->ValueExists(FAppItemName));
}

void TAMAutoRun::Notification(const AutoRunCheckBox& removed) noexcept {
    if (&removed == FCheckBox) FCheckBox = nullptr;
}

bool TAMAutoRun::IsRegistered() {
    if (FAppItemName.empty()) return false;
    const auto key = OpenKey();
    return key && key->ValueExists(FAppItemName);
}

bool TAMAutoRun::RegisterAutoRun() {
    const bool result = ChangeRegistration(true);
    if (result && FCheckBox != nullptr) FCheckBox->SetChecked(true);
    return result;
}

bool TAMAutoRun::UnregisterAutoRun() {
    const bool result = ChangeRegistration(false);
    if (result && FCheckBox != nullptr) FCheckBox->SetChecked(false);
    return result;
}

bool TAMAutoRun::ApplyRegistration() {
    if (FAppItemName.empty()) return false;
    const auto key = OpenKey();
    if (!key) return false;
    const std::string data = CommandLine();
    std::string current;
    bool result =
        key->ValueExists(FAppItemName) && key->ReadString(FAppItemName, current) && current == data;
    if (!result) result = key->WriteString(FAppItemName, data);
    if (result && FCheckBox != nullptr) FCheckBox->SetChecked(true);
    return result;
}

void TAMAutoRun::CheckBoxClick(AutoRunCheckBox& sender) {
    if (sender.Checked()) {
        RegisterAutoRun();
    } else {
        UnregisterAutoRun();
    }
}

std::string TAMAutoRun::CommandLine() {
    std::string path = FRegistry->ExecutablePath();
    // Unquoted, Windows would try "C:\Program" first.
    if (path.find(' ') != std::string::npos) path = '"' + path + '"';
    if (!FParams.empty()) path += ' ' + FParams;
    return path;
}

bool TAMAutoRun::ChangeRegistration(bool doRegister) {
    if (FAppItemName.empty()) return false;
    const auto key = OpenKey();
    if (!key) return false;
    const bool exists = key->ValueExists(FAppItemName);
    if (doRegister) {
        if (exists) return false;
        return key->WriteString(FAppItemName, CommandLine());
    }
    if (!exists) return false;
    return key->DeleteValue(FAppItemName);
}

std::unique_ptr<AutoRunKey> TAMAutoRun::OpenKey() {
    return FRegistry->OpenKey(FKey);
}
