#include "win32/platform/UserLocale.h"

#include <windows.h>

#include <string>

#include "win32/platform/WideText.h"

namespace {

// Keeps `target` (the core's default) when the locale gives nothing.
void ReadLocale(LCTYPE type, std::string& target) {
    const int size = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (size <= 1) return;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text.data(), size) <= 0) return;
    text.resize(text.find(L'\0'));
    target = Narrow(text);
}

}  // namespace

LocaleFormats UserLocaleFormats() {
    LocaleFormats formats;
    ReadLocale(LOCALE_SSHORTDATE, formats.ShortDate);
    ReadLocale(LOCALE_STIMEFORMAT, formats.LongTime);
    // An empty marker is a valid answer for 24-hour locales.
    formats.AM.clear();
    formats.PM.clear();
    ReadLocale(LOCALE_S1159, formats.AM);
    ReadLocale(LOCALE_S2359, formats.PM);
    for (int month = 0; month < 12; ++month) {
        ReadLocale(static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + month),
                   formats.MonthNames[static_cast<std::size_t>(month)]);
        ReadLocale(static_cast<LCTYPE>(LOCALE_SABBREVMONTHNAME1 + month),
                   formats.AbbrevMonthNames[static_cast<std::size_t>(month)]);
    }
    return formats;
}
