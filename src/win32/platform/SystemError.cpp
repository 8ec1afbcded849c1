#include "win32/platform/SystemError.h"

#include <windows.h>

#include "win32/platform/WideText.h"

std::string SystemErrorText(unsigned long error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? Narrow({buffer, length}) : std::string();
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "Error " + std::to_string(error);
    return text;
}

std::string LastErrorText() {
    return SystemErrorText(::GetLastError());
}
