#pragma once

// The machine's side of the default log: what is known of the program's folder and of the
// user's local application data, and the folder made for the log.

#include <optional>
#include <string>

#include "core/settings/DefaultLog.h"

// Whether a file can be created in `folder`: a uniquely named file is made and deleted again
// (a read-only attribute says nothing about the rights on a folder).
bool FolderWritable(const std::string& folder);

DefaultLogFacts MachineDefaultLogFacts();

// Makes choice.FolderToMake when there is one (an existing folder will do); when it cannot,
// the text of the box to show: the folder and the system's reason.
std::optional<std::string> MakeDefaultLogFolder(const DefaultLogChoice& choice);

// The default log of this machine, its folder made; worked out once per process, so that the
// probe runs and a failure is told once.
const std::string& MachineDefaultLog();
