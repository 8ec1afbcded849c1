#include "win32/platform/ErrorBox.h"

#include "core/text/BoxText.h"
#include "win32/platform/WideText.h"

int ShowBox(HWND owner, const std::string& text, UINT flags, const wchar_t* caption) {
    return ::MessageBoxW(owner, Widen(WrapLongRuns(text)).c_str(), caption, flags);
}
