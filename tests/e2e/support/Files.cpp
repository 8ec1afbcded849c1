#include "e2e/support/Files.h"

#include <windows.h>

#include "e2e/support/Wait.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

// Paths are UTF-8, as the program's core keeps them.
namespace e2e {

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFileSize(const std::string& path, std::size_t size) {
    return WaitUntil([&] {
        try {
            return FileExists(path) && ReadBytes(path).size() == size;
        } catch (const HarnessError&) {
            return false;  // created but not yet open to us
        }
    });
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw HarnessError("cannot open " + path);
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        throw HarnessError("cannot read " + path);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw HarnessError("cannot create " + path);
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) ||
                           written != bytes.size()))
        throw HarnessError("cannot write " + path);
}

void RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Widen(path).c_str());
        return;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(Widen(path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = Narrow(found.cFileName);
            if (name != "." && name != "..") RemoveTree(path + "\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(Widen(path).c_str());
}

}  // namespace e2e
