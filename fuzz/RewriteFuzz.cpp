// The two log rewrites on any log bytes, with any one file operation failing: afterwards the
// log holds exactly the expected pairs under their new record numbers, or the bytes it had.

#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/time/DateTime.h"
#include "core/log/Rewrite.h"

namespace {

ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

class FixedClock : public Clock {
  public:
    explicit FixedClock(DateTime now) : now_(now) {}
    DateTime Now() const override { return now_; }

  private:
    DateTime now_;
};

struct Pair {
    double Start;
    double End;
};

std::vector<Pair> Unscrambled(const std::string& log, const std::string& password) {
    std::vector<Pair> pairs;
    const auto* bytes = reinterpret_cast<const unsigned char*>(log.data());
    for (std::size_t i = 0; (i + 1) * 16 <= log.size(); ++i) {
        const auto number = static_cast<std::int32_t>(2 * i);
        pairs.push_back(
            {UnscrambleRecord(password, number, LoadRecordBytes(bytes + 16 * i)),
             UnscrambleRecord(password, number + 1, LoadRecordBytes(bytes + 16 * i + 8))});
    }
    return pairs;
}

// Every record of the new log, unscrambled with its new record number, has the bits expected.
void CheckHolds(const std::string& log, const std::string& password,
                const std::vector<Pair>& expected) {
    FUZZ_CHECK(log.size() == 16 * expected.size());
    const std::vector<Pair> pairs = Unscrambled(log, password);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(Bits(pairs[i].Start) == Bits(expected[i].Start));
        FUZZ_CHECK(Bits(pairs[i].End) == Bits(expected[i].End));
    }
}

// The branch rule stated on its own, through std::chrono's calendar rather than the code's
// day arithmetic: a value's day is its whole-day part (toward zero) counted from 1899-12-30, and
// the branch of a year, month or day is the half-open run of days that period covers.
using std::chrono::days;
using std::chrono::sys_days;

// The value's day, when it falls in the years 1..9999 (a wrong password gives any bits).
std::optional<sys_days> DayOf(double value) {
    // Four million days reach past the year 9999 either way and stay within what
    // year_month_day can hold (its years wrap beyond ±32767).
    if (!std::isfinite(value) || std::fabs(value) > 4e6) return std::nullopt;
    const sys_days day = sys_days{std::chrono::year{1899} / 12 / 30} +
                         days{static_cast<long long>(std::trunc(value))};
    const std::chrono::year year = std::chrono::year_month_day{day}.year();
    if (year < std::chrono::year{1} || year > std::chrono::year{9999}) return std::nullopt;
    return day;
}

bool InBranch(PeriodKind kind, double start, double pairStart) {
    if (kind == PeriodKind::Total) return true;
    if (kind == PeriodKind::Session) return pairStart == start;
    const std::optional<sys_days> selected = DayOf(start);
    const std::optional<sys_days> day = DayOf(pairStart);
    // Values without a date share one branch: the one a dateless selection names.
    if (!selected || !day) return !selected && !day;
    const std::chrono::year_month_day date{*selected};
    sys_days first = *selected;
    sys_days end = first + days{1};
    if (kind == PeriodKind::Month) {
        first = sys_days{date.year() / date.month() / 1};
        end = sys_days{(date.year() / date.month() + std::chrono::months{1}) / 1};
    } else if (kind == PeriodKind::Year) {
        first = sys_days{date.year() / 1 / 1};
        end = sys_days{(date.year() + std::chrono::years{1}) / 1 / 1};
    }
    return first <= *day && *day < end;
}

// The statement above on dates worked out by hand (serial 45351 is 2024-02-29).
[[maybe_unused]] const bool kRuleHolds = [] {
    struct Case {
        PeriodKind Kind;
        double Start;
        double Pair;
        bool In;
    };
    const Case cases[] = {
        {PeriodKind::Day, 45351.9, 45351.0, true},
        {PeriodKind::Day, 45351.0, 45352.0, false},
        {PeriodKind::Month, 45351.5, 45323.0, true},
        {PeriodKind::Month, 45351.5, 45322.9, false},
        {PeriodKind::Month, 45351.5, 45352.0, false},
        {PeriodKind::Year, 45351.5, 45292.0, true},
        {PeriodKind::Year, 45351.5, 45291.99, false},
        {PeriodKind::Year, 45351.5, 45657.5, true},
        {PeriodKind::Year, 45351.5, 45658.0, false},
        {PeriodKind::Day, -0.5, 0.5, true},
        {PeriodKind::Day, -1.5, -0.5, false},
        {PeriodKind::Day, 2958466.0, NAN, true},
        {PeriodKind::Year, 2958465.5, 2958466.0, false},
        {PeriodKind::Session, NAN, NAN, false},
    };
    for (const Case& c : cases) FUZZ_CHECK(InBranch(c.Kind, c.Start, c.Pair) == c.In);
    return true;
}();

// A pair's start when the pick names one, the given value otherwise.
double Pick(std::uint8_t pick, double given, const std::vector<Pair>& pairs) {
    if (pick < 0x80 && !pairs.empty()) return pairs[pick % pairs.size()].Start;
    return given;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::string password = in.Text(60);
    const std::string newPassword = in.Text(60);
    const std::uint8_t startPick = in.Byte();
    const double startGiven = in.Double();
    const std::uint8_t sessionPick = in.Byte();
    const double sessionGiven = in.Double();
    const double now = in.Double();
    const int failAt = in.Byte() % 16;  // 0: nothing fails
    const std::string log = in.Rest();

    const bool rekey = (flags & 1) != 0;
    const auto kind = static_cast<PeriodKind>(((flags >> 1) & 7) % 5);
    const bool logging = (flags & 16) != 0;
    const bool noFile = (flags & 32) != 0;

    const std::string path = Scratch().LogPath();
    const std::string temporary = RewriteTemporaryPath(path);
    NativeFileSystem().Remove(temporary);
    if (noFile) {
        NativeFileSystem().Remove(path);
    } else {
        WriteWholeFile(path, log);
    }
    FailingFileSystem files(NativeFileSystem(), failAt);
    const std::vector<Pair> pairs = Unscrambled(log, password);
    const bool wholePairs = log.size() % 16 == 0;

    bool threw = false;
    if (rekey) {
        std::optional<RekeyResult> result;
        try {
            result = RekeyLog(files, LogTarget{path, password}, newPassword);
        } catch (const IoError&) {
            threw = true;
        }
        if (noFile) {
            // Nothing to rewrite, unless the look for the log was the call that failed.
            FUZZ_CHECK(threw ? files.Failed() : result == RekeyResult::NoLogFile);
            FUZZ_CHECK(!ReadWholeFile(path));
        } else if (!threw) {
            FUZZ_CHECK(wholePairs && result == RekeyResult::Rekeyed);
            CheckHolds(*ReadWholeFile(path), newPassword, pairs);
        }
    } else {
        const double start = Pick(startPick, startGiven, pairs);
        const double sessionStart = Pick(sessionPick, sessionGiven, pairs);
        if (!noFile && wholePairs) {
            std::size_t dropped = 0;
            for (const Pair& pair : pairs) dropped += InBranch(kind, start, pair.Start) ? 1 : 0;
            FUZZ_CHECK(CountLogBranch(NativeFileSystem(), LogTarget{path, password}, kind, start) ==
                       dropped);
        }
        std::optional<DateTime> appended;
        try {
            appended = DeleteLogBranch(files, LogTarget{path, password}, kind, start, sessionStart,
                                       logging, FixedClock(now));
        } catch (const IoError&) {
            threw = true;
        }
        if (noFile) FUZZ_CHECK(threw && !ReadWholeFile(path));
        if (!threw) {
            FUZZ_CHECK(wholePairs);
            std::vector<Pair> expected;
            bool foundSession = false;
            for (const Pair& pair : pairs) {
                if (InBranch(kind, start, pair.Start)) continue;
                foundSession = foundSession || pair.Start == sessionStart;
                expected.push_back(pair);
            }
            if (logging && !foundSession) {
                FUZZ_CHECK(appended && Bits(*appended) == Bits(now));
                expected.push_back({now, now});
            } else {
                FUZZ_CHECK(!appended);
            }
            CheckHolds(*ReadWholeFile(path), password, expected);
        }
    }

    // A rewrite that failed left the log as it was; none leaves its temporary file behind.
    if (!noFile && (threw || !wholePairs)) {
        FUZZ_CHECK(threw);
        FUZZ_CHECK(ReadWholeFile(path) == log);
    }
    if (threw && !noFile && wholePairs) FUZZ_CHECK(files.Failed());
    FUZZ_CHECK(!ReadWholeFile(temporary));
    return 0;
}
