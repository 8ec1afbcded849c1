#pragma once

// The name of this computer's log in a shared folder, NAME-ID.dat: two computers never share
// a file, and a renamed computer simply starts a second one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/settings/Settings.h"

// 8 lower-case hexadecimal digits made once where the machine has no usable GUID.
inline constexpr char kComputerIdValue[] = "Computer Id";

// What the system says about this machine.
struct MachineFacts {
    std::string ComputerName;                // UTF-8; may be empty when unknown
    std::optional<std::string> MachineGuid;  // the text as stored; nullopt when missing
};

struct ComputerLogName {
    std::string FileName;  // NAME-ID.dat
    std::string Id;        // the 8 digits in it
    // False when a fresh id could not be stored: the next start will make another one.
    bool IdKept = true;
};

// The file name from the machine's GUID, or else from the id kept in the settings, or else
// from a fresh id drawn from `random` and stored in the settings' "Computer Id". The store is
// opened and closed here, and only when the GUID does not do.
ComputerLogName MakeComputerLogName(const MachineFacts& facts, SettingsStore& store,
                                    const std::function<std::uint32_t()>& random);

// The first 8 hex digits of a GUID text ("1A2B3C4D-..." or "{1a2b3c4d-...}"), lower case;
// nullopt when it has no 8 such digits first or they are all zero.
std::optional<std::string> IdFromMachineGuid(const std::string& guid);
