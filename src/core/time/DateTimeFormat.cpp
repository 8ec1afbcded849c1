#include "core/time/DateTimeFormat.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

// Values decoded once per picture; Weekday is -1 when the value has no calendar date.
struct DecodedValue {
    CivilDate Date;
    CivilTime Time;
    int Weekday = -1;
};

DecodedValue Decode(DateTime value) {
    DecodedValue decoded;
    decoded.Date = DecodeDate(value);
    decoded.Time = DecodeTime(value);
    if (decoded.Date.Year != 0) {
        // 1899-12-30, day 0, was a Saturday.
        const auto days = static_cast<std::int64_t>(std::trunc(value));
        decoded.Weekday = static_cast<int>(((days % 7) + 13) % 7);
    }
    return decoded;
}

void AppendNumber(std::string& out, int value, int minDigits) {
    std::string digits = std::to_string(value < 0 ? -static_cast<std::int64_t>(value) : value);
    if (value < 0) out += '-';
    for (auto n = static_cast<int>(digits.size()); n < minDigits; ++n) out += '0';
    out += digits;
}

std::size_t RunLength(const std::string& picture, std::size_t at) {
    std::size_t end = at;
    while (end < picture.size() && picture[end] == picture[at]) ++end;
    return end - at;
}

void AppendDay(std::string& out, const DecodedValue& v, std::size_t count,
               const LocaleFormats& formats) {
    if (count <= 2) {
        AppendNumber(out, v.Date.Day, static_cast<int>(count));
    } else if (v.Weekday >= 0) {
        const auto index = static_cast<std::size_t>(v.Weekday);
        out += count == 3 ? formats.AbbrevDayNames[index] : formats.DayNames[index];
    }
}

void AppendMonth(std::string& out, const DecodedValue& v, std::size_t count,
                 const LocaleFormats& formats) {
    const int month = v.Date.Month;
    if (count <= 2 || month < 1 || month > 12) {
        AppendNumber(out, month, count <= 2 ? static_cast<int>(count) : 1);
    } else {
        const auto index = static_cast<std::size_t>(month - 1);
        out += count == 3 ? formats.AbbrevMonthNames[index] : formats.MonthNames[index];
    }
}

void AppendYear(std::string& out, const DecodedValue& v, std::size_t count) {
    if (count <= 2) {
        AppendNumber(out, v.Date.Year % 100, static_cast<int>(count));
    } else {
        AppendNumber(out, v.Date.Year, 4);
    }
}

bool IsField(char c) {
    switch (c) {
        case 'd':
        case 'M':
        case 'y':
        case 'h':
        case 'H':
        case 'm':
        case 's':
        case 't':
            return true;
        default:
            return false;
    }
}

// Where the quoted literal that starts at `at` ends (one past its closing quote).
std::size_t QuotedEnd(const std::string& picture, std::size_t at) {
    std::size_t i = at + 1;
    while (i < picture.size()) {
        if (picture[i] == '\'') {
            if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return i;
}

}  // namespace

std::string WithoutSeconds(const std::string& picture) {
    std::string out;
    out.reserve(picture.size());
    // Unquoted separator characters seen since the last field; they belong to the seconds when
    // the next field is the seconds.
    std::string separator;
    bool afterField = false;
    bool dropLeadingSeparator = false;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            out += separator;
            separator.clear();
            const std::size_t end = QuotedEnd(picture, i);
            out.append(picture, i, end - i);
            i = end;
            continue;
        }
        if (!IsField(c)) {
            if (!dropLeadingSeparator) separator += c;
            ++i;
            continue;
        }
        dropLeadingSeparator = false;
        const std::size_t count = RunLength(picture, i);
        if (c == 's') {
            // With no field before them the seconds take the separator after them instead.
            if (!afterField) dropLeadingSeparator = true;
        } else {
            out += separator;
            out.append(picture, i, count);
            afterField = true;
        }
        separator.clear();
        i += count;
    }
    out += separator;
    return out;
}

std::string FormatPicture(const std::string& picture, DateTime value,
                          const LocaleFormats& formats) {
    const DecodedValue v = Decode(value);
    const std::string& designator = v.Time.Hour < 12 ? formats.AM : formats.PM;
    std::string out;
    out.reserve(picture.size() + 16);
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            // A quoted literal; a doubled quote stands for one quote, inside or outside.
            ++i;
            if (i < picture.size() && picture[i] == '\'') {
                out += '\'';
                ++i;
                continue;
            }
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        const std::size_t count = RunLength(picture, i);
        const int width = count >= 2 ? 2 : 1;
        switch (c) {
            case 'd':
                AppendDay(out, v, count, formats);
                break;
            case 'M':
                AppendMonth(out, v, count, formats);
                break;
            case 'y':
                AppendYear(out, v, count);
                break;
            case 'h': {
                const int hour = v.Time.Hour % 12;
                AppendNumber(out, hour == 0 ? 12 : hour, width);
                break;
            }
            case 'H':
                AppendNumber(out, v.Time.Hour, width);
                break;
            case 'm':
                AppendNumber(out, v.Time.Minute, width);
                break;
            case 's':
                AppendNumber(out, v.Time.Second, width);
                break;
            case 't':
                if (count >= 2) {
                    out += designator;
                } else if (!designator.empty()) {
                    out += designator[0];
                }
                break;
            default:
                out.append(count, c);
                break;
        }
        i += count;
    }
    return out;
}

std::string DateText(DateTime value, const LocaleFormats& formats) {
    return FormatPicture(formats.ShortDate, value, formats);
}

std::string LongDateText(DateTime value, const LocaleFormats& formats) {
    return FormatPicture(formats.LongDate, value, formats);
}

std::string TimeText(DateTime value, const LocaleFormats& formats) {
    return FormatPicture(formats.LongTime, value, formats);
}

std::string DateTimeText(DateTime value, const LocaleFormats& formats) {
    std::string text = DateText(value, formats);
    const CivilTime t = DecodeTime(value);
    if (t.Hour != 0 || t.Minute != 0 || t.Second != 0 || t.Millisecond != 0) {
        text += ' ';
        text += TimeText(value, formats);
    }
    return text;
}
