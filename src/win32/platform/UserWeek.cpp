#include "win32/platform/UserWeek.h"

#include <windows.h>

#include <iterator>
#include <string>

#include "win32/platform/WideText.h"

namespace {

std::string LocaleText(LCTYPE type) {
    wchar_t text[128] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, static_cast<int>(std::size(text))) <= 1)
        return {};
    return Narrow(text);
}

}  // namespace

int UserFirstDayOfWeek() {
    const std::string text = LocaleText(LOCALE_IFIRSTDAYOFWEEK);
    if (text.size() != 1 || text[0] < '0' || text[0] > '6') return kMonday;
    return text[0] - '0';
}

DayNames UserDayNames() {
    DayNames names = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    for (int day = 0; day < 7; ++day) {
        std::string name = LocaleText(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + day));
        if (!name.empty()) names[static_cast<std::size_t>(day)] = std::move(name);
    }
    return names;
}
