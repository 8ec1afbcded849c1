#pragma once

// The files directly in a folder, through the wide API so that any name comes back whole.

#include <string>
#include <vector>

// UTF-8 names of the files (not folders) directly in `folder`, a UTF-8 path, in the order the
// system gives them. Throws IoError when the folder cannot be listed.
std::vector<std::string> ListFolderFiles(const std::string& folder);
