#pragma once

// What the tests need from the Wine they run in: its drive Z: for Unix paths, its loader, Unix
// commands started from a Windows process, and the test root the scripts prepared.

#include <string>

namespace e2e {

// "/a/b" (a Unix path, seen by Wine as drive Z:) becomes "Z:\a\b"; Windows paths stay.
std::string ToWindowsPath(const std::string& path);
// "Z:\a\b" becomes "/a/b"; empty for a path not on drive Z:.
std::string ToUnixPath(const std::string& windowsPath);
// The folder the tests keep their files in: WORKTALLY_E2E_DIR, else one in the temp folder.
std::string TestRoot();

// Runs a Unix shell command (Wine starts ELF files natively) and returns its exit code.
int RunUnix(const std::string& shellCommand);
// Starts a Unix program without waiting for it.
void RunUnixDetached(const std::string& commandLine);
// The Unix path of Wine's loader (WINE64, or Debian's place for it).
std::string WineLoader();

// Makes a folder immutable (chattr +i) for its lifetime: nothing can be created, renamed or
// removed in it, not even by root.
class ImmutableFolder {
  public:
    explicit ImmutableFolder(std::string unixPath);
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    ~ImmutableFolder();

  private:
    std::string path_;
};

}  // namespace e2e
