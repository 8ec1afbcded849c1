#pragma once

// The machine's name and GUID, and a random source, for the name of this computer's log in a
// shared folder.

#include <cstdint>
#include <optional>
#include <string>

#include "core/settings/ComputerLogName.h"

// The computer's name (GetComputerNameW, else %COMPUTERNAME%) as UTF-8; empty when neither
// gives one.
std::string ReadComputerName();

// HKLM\SOFTWARE\Microsoft\Cryptography "MachineGuid" from the 64-bit view, which a 32-bit
// build would otherwise not see; nullopt when it is missing or no text.
std::optional<std::string> ReadMachineGuid();

MachineFacts ReadMachineFacts();

// 32 bits from the system's random source.
std::uint32_t SystemRandom32();

// This computer's log's name in a shared folder, worked out once per process: a fresh id is
// stored in the settings the first time it is needed.
const std::string& OwnLogFileName();

// Whether the UTF-8 path names an existing folder.
bool IsExistingFolder(const std::string& path);
