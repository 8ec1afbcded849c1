#include "core/reports/ExportRules.h"

#include <exception>

#include "core/reports/LogTotals.h"
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
              const ExportUi& ui) {
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

    return ExportLog(request.File, request.Kind, state, files, ui.ShowError);
}

int ExportLog(const std::string& file, CsvKind kind, const ProgramState& state, FileSystem& files,
              const std::function<void(const std::string& text)>& showError) {
    const LogTotals totals = ReadLogTotals(files, state.LogFileName, state.EncodedPassword);
    if (totals.Failed() == LogTotals::Failure::ReadError) {
        showError("Error reading " + state.LogFileName);
        return kExportFailed;
    }
    try {
        WriteCsvFile(files, file, CsvText(totals, kind));
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

int FolderExportCode(const FolderUnion& logs) {
    if (!logs.Listed) return kExportFailed;
    return logs.CountedLogs() == logs.Logs.size() ? kExportDone : kExportLeftOut;
}

std::string ExportLeftOutText(const FolderUnion& logs) {
    if (!logs.Listed) {
        return "Error reading " + logs.Folder +
               (logs.ListFailure.empty() ? std::string() : "\n" + logs.ListFailure);
    }
    const std::size_t leftOut = logs.Logs.size() - logs.CountedLogs();
    if (leftOut == 0) return std::string();
    std::string text = "The export leaves out " +
                       (leftOut == 1 ? std::string("1 log") : std::to_string(leftOut) + " logs") +
                       ":";
    for (const FolderLog& log : logs.Logs) {
        if (log.State == FolderLogState::NotOpened) {
            text += "\n" + log.Name + ": the password does not open it";
        } else if (log.State == FolderLogState::Unreadable) {
            text += "\n" + log.Name + ": cannot be read" +
                    (log.Reason.empty() ? std::string() : " (" + log.Reason + ")");
        }
    }
    return text;
}
