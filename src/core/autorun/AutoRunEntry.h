#pragma once

// The auto-run component: one string value in one of the machine's auto-run keys, optionally
// mirrored by a check box. Every outcome is a Boolean result; nothing is ever shown.

#include <functional>
#include <memory>
#include <string>
#include <utility>

enum class RunType { Run, RunOnce, RunOnceEx, RunServices, RunServicesOnce };

// Path of the key under HKEY_LOCAL_MACHINE that the run type selects.
const char* RunTypeKey(RunType runType) noexcept;

// One opened auto-run key; destroying it releases the key.
class AutoRunKey {
  public:
    virtual ~AutoRunKey() = default;
    // An empty name means the key's unnamed (default) value.
    virtual bool ValueExists(const std::string& name) = 0;
    virtual bool ReadString(const std::string& name, std::string& data) = 0;
    virtual bool WriteString(const std::string& name, const std::string& data) = 0;
    virtual bool DeleteValue(const std::string& name) = 0;
};

// What the component needs of the machine.
class AutoRunRegistry {
  public:
    virtual ~AutoRunRegistry() = default;
    // Opens the key under HKEY_LOCAL_MACHINE with full access, creating it; null on failure.
    virtual std::unique_ptr<AutoRunKey> OpenKey(const std::string& path) = 0;
    // Full path of the running executable.
    virtual std::string ExecutablePath() = 0;
};

// A check box that shows and switches the registration.
class AutoRunCheckBox {
  public:
    using ClickHandler = std::function<void(AutoRunCheckBox& sender)>;
    virtual ~AutoRunCheckBox() = default;
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
    // Replaces whatever click handler the box had.
    virtual void SetOnClick(ClickHandler handler) = 0;
};

class AutoRunEntry {
  public:
    explicit AutoRunEntry(std::unique_ptr<AutoRunRegistry> registry);
    // Registers first when AutoRegister is set.
    ~AutoRunEntry();
    AutoRunEntry(const AutoRunEntry&) = delete;
    AutoRunEntry& operator=(const AutoRunEntry&) = delete;

    const std::string& AppItemName() const noexcept { return appItemName_; }
    void SetAppItemName(std::string value) { appItemName_ = std::move(value); }
    bool AutoRegister() const noexcept { return autoRegister_; }
    // Ignored while a check box is linked.
    void SetAutoRegister(bool value) noexcept;
    AutoRunCheckBox* CheckBox() const noexcept { return checkBox_; }
    // Not owned. Linking or unlinking switches AutoRegister off.
    void SetCheckBox(AutoRunCheckBox* value);
    RunType Type() const noexcept { return runType_; }
    void SetType(RunType value) noexcept;
    const std::string& Params() const noexcept { return params_; }
    void SetParams(std::string value) { params_ = std::move(value); }

    // After the properties are set: a linked box is set from the registration state.
    void Loaded();
    // Called when `removed` is about to be destroyed; a linked box is then forgotten.
    void Notification(const AutoRunCheckBox& removed) noexcept;

    // Whether a value named AppItemName exists; its data is not looked at.
    bool IsRegistered();
    // Writes the value unless one of that name exists already (that one is left untouched).
    bool RegisterAutoRun();
    // Deletes the value; false when there was none.
    bool UnregisterAutoRun();
    // Like RegisterAutoRun, but an existing value with other data is replaced. True when the
    // value holds CommandLine() afterwards.
    bool ApplyRegistration();
    void CheckBoxClick(AutoRunCheckBox& sender);

    // The value's data: the executable's path, quoted when it holds a space, and " " + Params.
    std::string CommandLine();

  private:
    bool ChangeRegistration(bool doRegister);
    std::unique_ptr<AutoRunKey> OpenKey();

    std::unique_ptr<AutoRunRegistry> registry_;
    std::string appItemName_;
    bool autoRegister_ = true;
    AutoRunCheckBox* checkBox_ = nullptr;
    RunType runType_ = RunType::Run;
    std::string params_;
    std::string key_;
    // Click handlers installed on boxes hold it weakly, so a box outliving us does nothing.
    std::shared_ptr<AutoRunEntry*> self_;
};
