#pragma once

// What the viewer says about the logs of a shared folder: the status bar's count, and the
// boxes of the changes that touch this computer's log only.

#include <string>
#include <vector>

#include "core/log/LogFolder.h"

// "3 logs", "1 log", "No logs", and when some are left out "3 logs; left out: A.dat" or
// "3 logs; left out: A.dat, B.dat"; "Cannot read the folder" (with the system's reason after a
// colon) when it cannot be listed.
std::string FolderStatusText(const FolderUnion& logs);

// "A.dat", "A.dat and B.dat", "A.dat, B.dat and C.dat".
std::string NameList(const std::vector<std::string>& names);

// The line the delete question adds when other logs hold time in the branch; empty for none.
std::string OtherLogsStayText(const std::vector<std::string>& otherLogs);

// The box after a password change when other logs held sessions; empty for none.
std::string OtherLogsLeftOutText(const std::vector<std::string>& otherLogs);
