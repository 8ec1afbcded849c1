#include "win32/platform/ExecutablePath.h"

#include <windows.h>

#include <vector>

#include "win32/platform/WideText.h"

std::string ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        // A full buffer means the path was cut short.
        if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory() {
    const std::string path = ExecutablePath();
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
