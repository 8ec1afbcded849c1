#include "core/reports/ExportRules.h"

#include <exception>

#include "core/reports/DayMarks.h"
#include "core/reports/LogTotals.h"
#include "core/reports/Timesheet.h"
#include "core/settings/CommandLine.h"
#include "core/settings/PasswordCodec.h"

ExportRequest ParseExportParams(const std::string& text) {
    ExportRequest request;
    std::size_t position = 1;
    while (position <= text.size()) {
        const std::string option = AsciiUpper(NextToken(text, position));
        if (option == "/E") {
            request.Asked = true;
            request.File = NextToken(text, position);
        } else if (option == "/R") {
            const std::string kind = NextToken(text, position);
            const std::string upper = AsciiUpper(kind);
            request.UnknownKind.clear();
            if (upper == "DAYS") {
                request.Kind = CsvKind::Days;
            } else if (upper == "WEEKS") {
                request.Kind = CsvKind::Weeks;
            } else if (upper == "SESSIONS") {
                request.Kind = CsvKind::Sessions;
            } else if (upper == "TIMESHEET") {
                request.Kind = CsvKind::Timesheet;
            } else {
                request.UnknownKind = kind.empty() ? "(none)" : kind;
            }
        } else if (option == "/F" || option == "/U") {
            NextToken(text, position);  // a log or user named like an option stays a name
        }
    }
    return request;
}

int RunExport(const ExportRequest& request, const ProgramState& state, FileSystem& files,
              const ExportUi& ui, DateTime now) {
    if (request.File.empty()) {
        ui.ShowError("No file to export to after /E");
        return kExportFailed;
    }
    if (!request.UnknownKind.empty()) {
        ui.ShowError("Unknown report kind " + request.UnknownKind + " for " + request.File);
        return kExportFailed;
    }
    if (!state.EncodedPassword.empty()) {
        const std::string answer = ui.AskPassword();
        if (answer.empty()) return kExportFailed;
        std::string password;
        try {
            DecodePassword(state.EncodedPassword, password);
        } catch (const ConvertError&) {
            ui.ShowError("Error during decoding the password");
        }
        if (answer != password) {
            ui.ShowError("Password Incorrect");
            return kExportFailed;
        }
    }

    return ExportLog(request.File, request.Kind, state, files, ui.ShowError, now);
}

int ExportLog(const std::string& file, CsvKind kind, const ProgramState& state, FileSystem& files,
              const std::function<void(const std::string& text)>& showError, DateTime now) {
    const LogTotals totals = ReadLogTotals(files, state.LogFileName, state.EncodedPassword);
    if (totals.Failed() == LogTotals::Failure::ReadError) {
        showError("Error reading " + state.LogFileName);
        return kExportFailed;
    }
    std::string text;
    if (kind == CsvKind::Timesheet) {
        // Where the marks are kept is decided here for every export.
        const std::string marksPath = DayMarksPath(state.LogFileName);
        DayMarks marks;
        try {
            marks = ReadDayMarks(files, marksPath);
        } catch (const IoError&) {
            showError("Error reading " + marksPath);
            return kExportFailed;
        }
        text = TimesheetCsv(totals.Days(), state.WorkTime, marks, now);
    } else {
        text = CsvText(totals, kind);
    }
    try {
        WriteCsvFile(files, file, text);
    } catch (const std::exception&) {
        showError("Error writing " + file);
        return kExportFailed;
    }
    if (totals.Failed() == LogTotals::Failure::IncorrectRecord) {
        showError("Incorrect record in " + state.LogFileName);
        return kExportIncomplete;
    }
    return kExportDone;
}
