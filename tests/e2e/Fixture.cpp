#include "e2e/Fixture.h"

#include <windows.h>

#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/WineHost.h"

namespace e2e {

void E2ETest::SetUp() {
    KillStrayInstances();
    DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, "Worktally");

    const std::string root = TestRoot();
    CreateDirectoryA(root.c_str(), nullptr);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    folder_ = root + "\\" + name;
    RemoveTree(folder_);
    if (!CreateDirectoryA(folder_.c_str(), nullptr))
        throw HarnessError("cannot create test folder " + folder_);
}

void E2ETest::TearDown() {
    for (auto& program : programs_) program->Kill();
    programs_.clear();
}

std::string E2ETest::UnixFolder() const {
    return ToUnixPath(folder_);
}

Program& E2ETest::Start(const std::string& arguments, const std::string& lang,
                        const std::string& exePath) {
    programs_.push_back(std::make_unique<Program>());
    programs_.back()->Start(arguments, lang, exePath);
    return *programs_.back();
}

}  // namespace e2e
