#include "core/reports/ExportRules.h"

#include <exception>
#include <optional>

#include "core/reports/DayMarks.h"
#include "core/reports/LogTotals.h"
#include "core/reports/Timesheet.h"
#include "core/settings/CommandLine.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/Settings.h"

namespace {

ExportSource ExportSourceOf(const ProgramState& state, LogTarget log) {
    return ExportSource{std::move(log), state.LogFolder, state.WorkTime};
}

// The totals of the log, or of the folder's union; nullopt when nothing can be read, said.
std::optional<LogTotals> ReadSource(const ExportSource& source, FileSystem& files,
                                    const std::function<void(const std::string& text)>& showError,
                                    LogFolderReader& folder, const FolderUnion*& folderLogs) {
    if (source.Folder.empty()) {
        LogTotals totals = ReadLogTotals(files, source.Log);
        if (totals.Failed() != LogTotals::Failure::ReadError) return totals;
        showError(WithReason("Error reading " + source.Log.Path, totals.FailureReason()));
        return std::nullopt;
    }
    const FolderUnion& logs = folder.Read(files, source.Folder, source.Log.Password);
    if (!logs.Listed) {
        showError(ExportLeftOutText(logs));
        return std::nullopt;
    }
    LogTotalsReader reader;
    LogTotals totals = reader.Read(logs.Spans, nullptr, true);
    folderLogs = &logs;
    return totals;
}

}  // namespace

std::string SuggestedExportName(CsvKind kind) {
    switch (kind) {
        case CsvKind::Days:
            return "worktally-days.csv";
        case CsvKind::Weeks:
            return "worktally-weeks.csv";
        case CsvKind::Sessions:
            return "worktally-sessions.csv";
        case CsvKind::Timesheet:
            return "worktally-timesheet.csv";
    }
    return "worktally.csv";
}

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
            } else if (upper == "TIMESHEET") {
                request.Kind = CsvKind::Timesheet;
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
              const ExportUi& ui, DateTime now) {
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
        const TypedPassword answer = ui.AskPassword();
        if (answer.empty()) return kExportFailed;
        if (!decoded) ui.ShowError("Error during decoding the password");
        if (!MatchPassword(log.Password, answer)) {
            ui.ShowError("Password Incorrect");
            return kExportFailed;
        }
    }

    const ExportSource source = ExportSourceOf(state, log);
    return ExportLog(request.File, request.Kind, source, files, ui.ShowError, now);
}

ExportSource ExportSourceOf(const ProgramState& state) {
    return ExportSourceOf(state, LogTargetOf(state));
}

int ExportLog(const std::string& file, CsvKind kind, const ExportSource& source, FileSystem& files,
              const std::function<void(const std::string& text)>& showError, DateTime now) {
    const LogTarget& log = source.Log;
    LogFolderReader folder;
    const FolderUnion* folderLogs = nullptr;
    const std::optional<LogTotals> read = ReadSource(source, files, showError, folder, folderLogs);
    if (!read) return kExportFailed;
    const LogTotals& totals = *read;
    std::string text;
    if (kind == CsvKind::Timesheet) {
        // Where the marks are kept is decided here for every export.
        const std::string marksPath = DayMarksPath(source.Log.Path, source.Folder);
        DayMarks marks;
        try {
            marks = ReadDayMarks(files, marksPath);
        } catch (const IoError& error) {
            showError(WithReason("Error reading " + marksPath, FailureReason(error)));
            return kExportFailed;
        }
        text = TimesheetCsv(totals.Days(), source.WorkTime, marks, now);
    } else {
        text = CsvText(totals, kind);
    }
    try {
        WriteCsvFile(files, file, text);
    } catch (const std::exception& error) {
        showError(WithReason("Error writing " + file, FailureReason(error)));
        return kExportFailed;
    }
    if (folderLogs != nullptr) {
        const std::string leftOut = ExportLeftOutText(*folderLogs);
        if (!leftOut.empty()) showError(leftOut);
        return FolderExportCode(*folderLogs);
    }
    if (totals.Failed() == LogTotals::Failure::IncorrectRecord) {
        showError("Incorrect record in " + log.Path);
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
