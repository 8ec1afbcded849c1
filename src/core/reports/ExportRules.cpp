#include "core/reports/ExportRules.h"

#include <exception>

#include "core/reports/LogTotals.h"
#include "core/settings/CommandLine.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/Settings.h"

ExportRequest ParseExportParams(const std::string& text) {
    ExportRequest request;
    WalkOptions(text, [&](const std::string& option, ParamWords& words) {
        if (option == "/E") {
            request.Asked = true;
            request.File = words.Next();
        } else if (option == "/R") {
            const std::string kind = words.Next();
            const std::string upper = AsciiUpper(kind);
            request.UnknownKind.clear();
            if (upper == "DAYS") {
                request.Kind = CsvKind::Days;
            } else if (upper == "WEEKS") {
                request.Kind = CsvKind::Weeks;
            } else if (upper == "SESSIONS") {
                request.Kind = CsvKind::Sessions;
            } else {
                request.UnknownKind = kind.empty() ? "(none)" : kind;
            }
        } else if (option == "/F" || option == "/U") {
            words.Next();  // a log or user named like an option stays a name
        }
        return true;
    });
    return request;
}

int RunExport(const ExportRequest& request, const ProgramState& state, FileSystem& files,
              const ExportUi& ui) {
    if (request.File.empty()) {
        ui.ShowError("No file to export to after /E");
        return kExportFailed;
    }
    if (!request.UnknownKind.empty()) {
        ui.ShowError("Unknown report kind " + request.UnknownKind + " for " + request.File);
        return kExportFailed;
    }
    LogTarget log{state.LogFileName, {}};
    bool decoded = true;
    try {
        log = LogTargetOf(state);
    } catch (const ConvertError&) {
        decoded = false;
    }
    if (!state.EncodedPassword.empty()) {
        const std::string answer = ui.AskPassword();
        if (answer.empty()) return kExportFailed;
        if (!decoded) ui.ShowError("Error during decoding the password");
        if (answer != log.Password) {
            ui.ShowError("Password Incorrect");
            return kExportFailed;
        }
    }

    return ExportLog(request.File, request.Kind, log, files, ui.ShowError);
}

int ExportLog(const std::string& file, CsvKind kind, const LogTarget& log, FileSystem& files,
              const std::function<void(const std::string& text)>& showError) {
    const LogTotals totals = ReadLogTotals(files, log);
    if (totals.Failed() == LogTotals::Failure::ReadError) {
        showError(WithReason("Error reading " + log.Path, totals.FailureReason()));
        return kExportFailed;
    }
    try {
        WriteCsvFile(files, file, CsvText(totals, kind));
    } catch (const std::exception& error) {
        showError(WithReason("Error writing " + file, FailureReason(error)));
        return kExportFailed;
    }
    if (totals.Failed() == LogTotals::Failure::IncorrectRecord) {
        showError("Incorrect record in " + log.Path);
        return kExportIncomplete;
    }
    return kExportDone;
}
