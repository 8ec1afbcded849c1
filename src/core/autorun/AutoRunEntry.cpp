#include "core/autorun/AutoRunEntry.h"

bool AutoRunEntry::IsRegistered() {
    const auto key = registry_->OpenKey(kRunKeyPath);
    return key && key->ValueExists(kAutoRunValueName);
}

bool AutoRunEntry::ApplyRegistration() {
    const auto key = registry_->OpenKey(kRunKeyPath);
    if (!key) return false;
    const std::string data = CommandLine();
    std::string current;
    if (key->ValueExists(kAutoRunValueName) && key->ReadString(kAutoRunValueName, current) &&
        current == data)
        return true;
    return key->WriteString(kAutoRunValueName, data);
}

bool AutoRunEntry::UnregisterAutoRun() {
    const auto key = registry_->OpenKey(kRunKeyPath);
    return key && key->ValueExists(kAutoRunValueName) && key->DeleteValue(kAutoRunValueName);
}

std::string AutoRunEntry::CommandLine() {
    std::string path = registry_->ExecutablePath();
    // Unquoted, Windows would try "C:\Program" first.
    if (path.find(' ') != std::string::npos) path = '"' + path + '"';
    if (!params_.empty()) path += ' ' + params_;
    return path;
}
