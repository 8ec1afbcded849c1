#include "core/reports/CorrectionCommand.h"

#include <cstddef>
#include <exception>

#include "core/settings/CommandLine.h"
#include "core/settings/Settings.h"
#include "core/settings/PasswordCodec.h"

namespace {

constexpr char kFormat[] = "\"YYYY-MM-DD HH:MM\"";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number written by the digits text[at, at + count); -1 when one is no digit.
int Number(const std::string& text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// A date token followed by a time token is one FROM or TO typed without its quotes.
bool LooksLikeSplitDateTime(const std::string& date, const std::string& time) {
    return date.size() == 10 && !time.empty() && time.size() <= 5 &&
           time.find(':') != std::string::npos;
}

// Reads FROM or TO from the words; on failure says why in `error`, unless it holds a reason yet.
std::optional<DateTime> ReadDateTime(ParamWords& words, const std::string& option,
                                     std::string& error) {
    std::string typed = words.Next();
    ParamWords ahead = words;
    const std::string following = ahead.Next();
    if (LooksLikeSplitDateTime(typed, following)) {
        typed += ' ' + following;
        words = ahead;
    }
    const std::optional<DateTime> value = ParseCommandDateTime(typed);
    if (value) return value;
    if (!error.empty()) return std::nullopt;
    if (typed.empty()) {
        error = option + " needs FROM and TO, each as " + kFormat;
    } else {
        error = "\"" + typed + "\" after " + option + " is no date and time as " + kFormat;
    }
    return std::nullopt;
}

}  // namespace

std::optional<DateTime> ParseCommandDateTime(const std::string& text) {
    if (text.size() != 16 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':')
        return std::nullopt;
    const int year = Number(text, 0, 4);
    const int month = Number(text, 5, 2);
    const int day = Number(text, 8, 2);
    const int hour = Number(text, 11, 2);
    const int minute = Number(text, 14, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59)
        return std::nullopt;
    // A day past the month's end would roll into the next month.
    const DateTime date = EncodeDate(year, month, day);
    const CivilDate decoded = DecodeDate(date);
    if (decoded.Month != month || decoded.Day != day) return std::nullopt;
    return date + EncodeTime(hour, minute, 0);
}

CorrectionRequest ParseCorrectionParams(const std::string& text) {
    CorrectionRequest request;
    WalkOptions(text, [&](const std::string& option, ParamWords& words) {
        if (option == "/A" || option == "/X") {
            std::string error;
            if (request.Asked) error = "Give only one of /A and /X";
            request.Asked = true;
            request.Kind = option == "/A" ? ChangeKind::AddTime : ChangeKind::RemoveTime;
            const std::optional<DateTime> from = ReadDateTime(words, option, error);
            const std::optional<DateTime> to =
                from ? ReadDateTime(words, option, error) : std::nullopt;
            if (from && to) request.Range = {*from, *to};
            if (request.Error.empty()) request.Error = error;
        } else if (option == "/F" || option == "/U" || option == "/E" || option == "/R") {
            words.Next();  // an operand named like an option stays an operand
        }
        return true;
    });
    return request;
}

int RunCorrection(const CorrectionRequest& request, const ProgramState& state, FileSystem& files,
                  const CorrectionUi& ui, DateTime now, bool recording) {
    if (!request.Error.empty()) {
        ui.ShowError(request.Error);
        return kCorrectionFailed;
    }
    LogTarget target;
    try {
        target = LogTargetOf(state);
    } catch (const ConvertError&) {
        ui.ShowError("Error during decoding the password");
        return kCorrectionFailed;
    }
    if (!state.EncodedPassword.empty()) {
        const TypedPassword answer = ui.AskPassword();
        if (answer.empty()) return kCorrectionFailed;
        if (!MatchPassword(target.Password, answer)) {
            ui.ShowError("Password Incorrect");
            return kCorrectionFailed;
        }
    }

    CorrectionResult result;
    try {
        result = request.Kind == ChangeKind::AddTime
                     ? AddTime(files, target, request.Range, now, recording)
                     : RemoveTime(files, target, request.Range, now, recording);
    } catch (const IoError& error) {
        ui.ShowError(WithReason("Error changing " + state.LogFileName, FailureReason(error)));
        return kCorrectionFailed;
    }
    if (result.Refusal != CorrectionRefusal::None) {
        ui.ShowError(RefusalText(result.Refusal));
        return kCorrectionFailed;
    }
    return kCorrectionDone;
}
