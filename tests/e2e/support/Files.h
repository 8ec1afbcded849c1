#pragma once

// Whole files by their Windows paths (UTF-8), read and written while the program may hold them open.

#include <cstddef>
#include <string>
#include <vector>

namespace e2e {

bool FileExists(const std::string& path);
// Waits until the file exists with exactly `size` bytes: a new log is created before its
// first pair is written.
bool WaitForFileSize(const std::string& path, std::size_t size);
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void RemoveTree(const std::string& path);

}  // namespace e2e
