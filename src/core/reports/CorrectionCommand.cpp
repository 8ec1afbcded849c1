#include "core/reports/CorrectionCommand.h"

#include <cstddef>
#include <exception>

#include "core/settings/CommandLine.h"
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

// Reads FROM or TO at `position`; on failure says why in `error`, unless it holds a reason yet.
std::optional<DateTime> ReadDateTime(const std::string& text, std::size_t& position,
                                     const std::string& option, std::string& error) {
    std::string typed = NextToken(text, position);
    std::size_t next = position;
    const std::string following = NextToken(text, next);
    if (LooksLikeSplitDateTime(typed, following)) {
        typed += ' ' + following;
        position = next;
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
    std::size_t position = 1;
    while (position <= text.size()) {
        const std::string option = AsciiUpper(NextToken(text, position));
        if (option == "/A" || option == "/X") {
            std::string error;
            if (request.Asked) error = "Give only one of /A and /X";
            request.Asked = true;
            request.Kind = option == "/A" ? ChangeKind::AddTime : ChangeKind::RemoveTime;
            const std::optional<DateTime> from = ReadDateTime(text, position, option, error);
            const std::optional<DateTime> to =
                from ? ReadDateTime(text, position, option, error) : std::nullopt;
            if (from && to) request.Range = {*from, *to};
            if (request.Error.empty()) request.Error = error;
        } else if (option == "/F" || option == "/U" || option == "/E" || option == "/R") {
            NextToken(text, position);  // an operand named like an option stays an operand
        }
    }
    return request;
}

int RunCorrection(const CorrectionRequest& request, const ProgramState& state, FileSystem& files,
                  const CorrectionUi& ui, DateTime now, bool recording) {
    if (!request.Error.empty()) {
        ui.ShowError(request.Error);
        return kCorrectionFailed;
    }
    LogTarget target{state.LogFileName, std::string()};
    try {
        DecodePassword(state.EncodedPassword, target.Password);
    } catch (const ConvertError&) {
        ui.ShowError("Error during decoding the password");
        return kCorrectionFailed;
    }
    if (!state.EncodedPassword.empty()) {
        const std::string answer = ui.AskPassword();
        if (answer.empty()) return kCorrectionFailed;
        if (answer != target.Password) {
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
        std::string text = "Error changing " + state.LogFileName;
        if (!error.Reason().empty()) text += ": " + error.Reason();
        ui.ShowError(text);
        return kCorrectionFailed;
    }
    if (result.Refusal != CorrectionRefusal::None) {
        ui.ShowError(RefusalText(result.Refusal));
        return kCorrectionFailed;
    }
    return kCorrectionDone;
}
