// Date and time pictures: any picture and any value format without fault, text with no picture
// letter passes through, and the numeric fields print the value's own date and time.

#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "core/time/DateTime.h"
#include "core/time/DateTimeFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const double value = in.Double();
    const std::string picture = in.Rest();
    const LocaleFormats formats;

    const std::string text = FormatPicture(picture, value, formats);
    // The longest expansion of one picture character is a nine-letter month or day name.
    FUZZ_CHECK(text.size() <= 9 * picture.size());
    if (picture.find_first_of("dMyhHmst'") == std::string::npos) FUZZ_CHECK(text == picture);

    LocaleFormats custom;
    custom.ShortDate = picture;
    custom.LongTime = picture;
    custom.AM = picture;
    (void)DateTimeText(value, custom);
    (void)FormatPicture(picture, value, custom);

    if (value >= kFirstLogDate && value < kLastLogDateEnd) {
        const std::string fields = FormatPicture("yyyy|MM|dd|HH|mm|ss", value, formats);
        int y = -1, mo = -1, d = -1, h = -1, mi = -1, s = -1;
        FUZZ_CHECK(std::sscanf(fields.c_str(), "%d|%d|%d|%d|%d|%d", &y, &mo, &d, &h, &mi, &s) == 6);
        const CivilDate date = DecodeDate(value);
        const CivilTime time = DecodeTime(value);
        FUZZ_CHECK(y == date.Year && mo == date.Month && d == date.Day);
        FUZZ_CHECK(h == time.Hour && mi == time.Minute && s == time.Second);
        FUZZ_CHECK(fields.size() == 19);
    }
    return 0;
}
