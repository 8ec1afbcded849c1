#pragma once

// The GoogleTest fixture of the end-to-end tests: each test starts with no program running, no
// settings, no auto-run value and a fresh folder of its own, and its programs end with it.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/support/ProgramUnderTest.h"

namespace e2e {

class E2ETest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A file in this test's fresh folder.
    std::string PathIn(const std::string& name) const { return folder_ + "\\" + name; }
    std::string LogPath() const { return PathIn("work.dat"); }
    const std::string& Folder() const { return folder_; }
    // The folder as a Unix path (for Unix tools), empty when it is not on drive Z:.
    std::string UnixFolder() const;

    // A program owned by the test and killed at its end if still running.
    Program& Start(const std::string& arguments, const std::string& lang = {},
                   const std::string& exePath = {});

  private:
    std::string folder_;
    std::vector<std::unique_ptr<Program>> programs_;
};

}  // namespace e2e
