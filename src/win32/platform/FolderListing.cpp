#include "win32/platform/FolderListing.h"

#include <windows.h>

#include "core/log/LogFile.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

namespace {

struct FindHandleTraits {  // FindFirstFileW: INVALID_HANDLE_VALUE on failure, FindClose to end
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Handle h) noexcept { ::FindClose(h); }
};
using UniqueFind = UniqueHandle<FindHandleTraits>;

[[noreturn]] void ThrowListError(const std::string& folder, DWORD error) {
    throw IoError("Cannot list " + folder + ": error " + std::to_string(error));
}

}  // namespace

std::vector<std::string> ListFolderFiles(const std::string& folder) {
    std::wstring pattern = Widen(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';

    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    UniqueFind find(::FindFirstFileW(pattern.c_str(), &found));
    if (!find) {
        const DWORD error = ::GetLastError();
        // An empty drive's root has not even "." to match.
        if (error == ERROR_FILE_NOT_FOUND) return names;
        ThrowListError(folder, error);
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(Narrow(found.cFileName));
    } while (::FindNextFileW(find.Get(), &found));
    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES) ThrowListError(folder, error);
    return names;
}
