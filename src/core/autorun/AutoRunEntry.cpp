#include "core/autorun/AutoRunEntry.h"

#include <utility>

const char* RunTypeKey(RunType runType) noexcept {
    switch (runType) {
        case RunType::RunOnce:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
        case RunType::RunOnceEx:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx";
        case RunType::RunServices:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
        case RunType::RunServicesOnce:
            return "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";
        case RunType::Run:
            break;
    }
    return "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}

AutoRunEntry::AutoRunEntry(std::unique_ptr<AutoRunRegistry> registry)
    : registry_(std::move(registry)),
      key_(RunTypeKey(runType_)),
      self_(std::make_shared<AutoRunEntry*>(this)) {}

AutoRunEntry::~AutoRunEntry() {
    self_.reset();
    if (!autoRegister_) return;
    try {
        RegisterAutoRun();
    } catch (...) {
        // A destructor has nobody to tell.
    }
}

void AutoRunEntry::SetAutoRegister(bool value) noexcept {
    if (checkBox_ == nullptr) autoRegister_ = value;
}

void AutoRunEntry::SetCheckBox(AutoRunCheckBox* value) {
    if (value == checkBox_) return;
    checkBox_ = value;
    if (checkBox_ != nullptr) {
        checkBox_->SetOnClick(
            [self = std::weak_ptr<AutoRunEntry*>(self_)](AutoRunCheckBox& sender) {
                if (const auto owner = self.lock()) (*owner)->CheckBoxClick(sender);
            });
    }
    autoRegister_ = false;
}

void AutoRunEntry::SetType(RunType value) noexcept {
    if (value == runType_) return;
    runType_ = value;
    key_ = RunTypeKey(runType_);
}

void AutoRunEntry::Loaded() {
    key_ = RunTypeKey(runType_);
    if (checkBox_ == nullptr) return;
    // No check of AppItemName here: an empty name asks about the key's default value.
    const auto key = OpenKey();
    checkBox_->SetChecked(key && key->ValueExists(appItemName_));
}

void AutoRunEntry::Notification(const AutoRunCheckBox& removed) noexcept {
    if (&removed == checkBox_) checkBox_ = nullptr;
}

bool AutoRunEntry::IsRegistered() {
    if (appItemName_.empty()) return false;
    const auto key = OpenKey();
    return key && key->ValueExists(appItemName_);
}

bool AutoRunEntry::RegisterAutoRun() {
    const bool result = ChangeRegistration(true);
    if (result && checkBox_ != nullptr) checkBox_->SetChecked(true);
    return result;
}

bool AutoRunEntry::UnregisterAutoRun() {
    const bool result = ChangeRegistration(false);
    if (result && checkBox_ != nullptr) checkBox_->SetChecked(false);
    return result;
}

bool AutoRunEntry::ApplyRegistration() {
    if (appItemName_.empty()) return false;
    const auto key = OpenKey();
    if (!key) return false;
    const std::string data = CommandLine();
    std::string current;
    bool result =
        key->ValueExists(appItemName_) && key->ReadString(appItemName_, current) && current == data;
    if (!result) result = key->WriteString(appItemName_, data);
    if (result && checkBox_ != nullptr) checkBox_->SetChecked(true);
    return result;
}

void AutoRunEntry::CheckBoxClick(AutoRunCheckBox& sender) {
    if (sender.Checked()) {
        RegisterAutoRun();
    } else {
        UnregisterAutoRun();
    }
}

std::string AutoRunEntry::CommandLine() {
    std::string path = registry_->ExecutablePath();
    // Unquoted, Windows would try "C:\Program" first.
    if (path.find(' ') != std::string::npos) path = '"' + path + '"';
    if (!params_.empty()) path += ' ' + params_;
    return path;
}

bool AutoRunEntry::ChangeRegistration(bool doRegister) {
    if (appItemName_.empty()) return false;
    const auto key = OpenKey();
    if (!key) return false;
    const bool exists = key->ValueExists(appItemName_);
    if (doRegister) {
        if (exists) return false;
        return key->WriteString(appItemName_, CommandLine());
    }
    if (!exists) return false;
    return key->DeleteValue(appItemName_);
}

std::unique_ptr<AutoRunKey> AutoRunEntry::OpenKey() {
    return registry_->OpenKey(key_);
}
