#pragma once

// What the program keeps between runs, as the tests prepare and check it: its settings in the
// registry and its log file's records.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "core/time/DateTime.h"

namespace e2e {

inline constexpr char kProgramKey[] = "Software\\Quillmere\\Worktally";
inline const std::string kSettingsKey = std::string(kProgramKey) + "\\Settings";
inline const std::string kMainWindowKey = std::string(kProgramKey) + "\\Main Window";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void DeleteRegistryTree(HKEY root, const std::string& key);
// nullopt when the key or the value is missing; throws when the value is not REG_SZ.
std::optional<std::string> ReadRegistryString(HKEY root, const std::string& key,
                                              const std::string& name);
void WriteRegistryString(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value);
void DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name);
// Stores the password in the program's settings as the program stores it.
void StorePassword(const std::string& password);

// Local wall-clock time as a date-time, read the way the program reads it.
DateTime Now();
// One millisecond as a date-time difference.
inline constexpr double kMillisecond = 1.0 / 86400000.0;

// The log's records unscrambled with the password.
std::vector<DateTime> ReadLog(const std::string& path, const std::string& password);
// The bytes of a log holding those records, scrambled with the password.
std::vector<unsigned char> LogBytes(const std::vector<DateTime>& records,
                                    const std::string& password);

}  // namespace e2e
