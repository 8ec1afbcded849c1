#pragma once

// The command-line export, `/E FILE [/R days|weeks|sessions|timesheet] [/F LOG]`, apart from the
// prompt and the boxes that ask and tell.

#include <functional>
#include <optional>
#include <string>

#include "core/settings/PasswordCodec.h"
#include "core/settings/ProgramState.h"
#include "core/log/LogFile.h"
#include "core/log/LogFolder.h"
#include "core/log/LogTarget.h"
#include "core/reports/CsvReports.h"
#include "core/settings/WorkTimeSettings.h"

struct ExportRequest {
    bool Asked = false;  // /E was given
    std::string File;    // empty when /E has no file after it
    CsvKind Kind = CsvKind::Days;
    std::string UnknownKind;  // the text after /R when it names no kind
};

// Finds /E and /R among the parameters; /F and /U keep their own operands.
ExportRequest ParseExportParams(const std::string& text);

struct ExportUi {
    // The typed password, or the empty text on cancel.
    std::function<TypedPassword()> AskPassword;
    std::function<void(const std::string& text)> ShowError;
};

// Exit codes: everything written; nothing written; written up to an incorrect record; a
// shared folder's union written without the logs that were left out.
inline constexpr int kExportDone = 0;
inline constexpr int kExportFailed = 1;
inline constexpr int kExportIncomplete = 2;
inline constexpr int kExportLeftOut = 3;

// Asks for the stored password, reads the log and writes the file; returns the exit code. `now`
// ends a timesheet.
int RunExport(const ExportRequest& request, const ProgramState& state, FileSystem& files,
              const ExportUi& ui, DateTime now);

// What an export reads: the log, or the union of a shared folder's logs with the log's password,
// and for a timesheet the working-time settings and the marks.
struct ExportSource {
    LogTarget Log;
    std::string Folder;  // empty: the log alone; the marks are where DayMarksPath puts them
    WorkTimeSettings WorkTime;
};
// The state's log with its stored password decoded, its folder and its working-time settings.
// Throws ConvertError on a stored password that is not hexadecimal.
ExportSource ExportSourceOf(const ProgramState& state);

// The file name File > Export suggests for `kind`: "worktally-days.csv" and so on, after the
// kind's name for /R.
std::string SuggestedExportName(CsvKind kind);

// Reads the log and writes the file, without asking: the viewer holds the password already.
// Returns the exit code, and says what failed; a folder's logs that were left out are named
// after the file is written. A timesheet runs through `now`.
int ExportLog(const std::string& file, CsvKind kind, const ExportSource& source, FileSystem& files,
              const std::function<void(const std::string& text)>& showError, DateTime now);

// The exit code of an export of a folder's union once its file is written: kExportLeftOut
// when a log was left out, kExportFailed when the folder could not be listed.
int FolderExportCode(const FolderUnion& logs);

// The box that follows such an export: the logs left out, one a line with the reason; empty
// when every log was counted.
std::string ExportLeftOutText(const FolderUnion& logs);
