#pragma once

// The auto-run entry: the string value "Worktally" in one Run key, holding the program's command
// line, so that Windows starts it at log-on. Every outcome is a Boolean result; nothing is ever
// shown.

#include <memory>
#include <string>
#include <utility>

// The key under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER, and the value's name in it.
inline constexpr char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kAutoRunValueName[] = "Worktally";

// One opened Run key; destroying it releases the key.
class AutoRunKey {
  public:
    virtual ~AutoRunKey() = default;
    virtual bool ValueExists(const std::string& name) = 0;
    virtual bool ReadString(const std::string& name, std::string& data) = 0;
    virtual bool WriteString(const std::string& name, const std::string& data) = 0;
    virtual bool DeleteValue(const std::string& name) = 0;
};

// What the entry needs of the machine: keys under one root, and the running program's path.
class AutoRunRegistry {
  public:
    virtual ~AutoRunRegistry() = default;
    // Opens the key with full access, creating it, else for reading; null on failure.
    virtual std::unique_ptr<AutoRunKey> OpenKey(const std::string& path) = 0;
    // Full path of the running executable.
    virtual std::string ExecutablePath() = 0;
};

class AutoRunEntry {
  public:
    explicit AutoRunEntry(std::unique_ptr<AutoRunRegistry> registry)
        : registry_(std::move(registry)) {}

    // The parameters after the program's path ("/l", "/u name", "/f path").
    const std::string& Params() const noexcept { return params_; }
    void SetParams(std::string value) { params_ = std::move(value); }

    // Whether the value exists; its data is not looked at.
    bool IsRegistered();
    // Writes CommandLine() unless the value holds it already, replacing other data. True when
    // the value holds CommandLine() afterwards.
    bool ApplyRegistration();
    // Deletes the value; false when there was none or it could not be deleted.
    bool UnregisterAutoRun();

    // The value's data: the executable's path, quoted when it holds a space, and " " + Params.
    std::string CommandLine();

  private:
    std::unique_ptr<AutoRunRegistry> registry_;
    std::string params_;
};
