#pragma once

// A fresh folder under the system's temporary folder for the running test, removed with
// everything in it afterwards. The seed and the test's name keep parallel runs apart.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

class TempFolder {
  public:
    // Named `stem`, the seed and the test's name, joined by `separator`.
    TempFolder(const std::string& stem, char separator) {
        const auto& unit = *::testing::UnitTest::GetInstance();
        path_ = std::filesystem::temp_directory_path() /
                (stem + separator + std::to_string(unit.random_seed()) + separator +
                 unit.current_test_info()->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};
