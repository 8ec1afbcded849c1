// The main window's side of a folder shared with the user's other computers: which log the
// recording follows, the status bar's part that counts the folder's logs, and the other logs
// that a change of this computer's log leaves as they are.

#include "win32/main_window/MainWindow.h"

#include "core/log/LogFolder.h"
#include "core/reports/FolderTexts.h"
#include "core/settings/LogPlace.h"
#include "win32/main_window/MainWindowParts.h"
#include "win32/platform/ErrorBox.h"
#include "win32/platform/SystemError.h"
#include "win32/platform/WideText.h"

namespace {

// The folder's part takes this share of the status bar's width, in percent.
constexpr int kFolderPartShare = 45;

}  // namespace

void MainWindow::FollowLog() {
    // A folder named for the first time is made, so that the first tick can write into it.
    if (state_.Logging && !state_.LogFolder.empty())
        ::CreateDirectoryW(Widen(state_.LogFolder).c_str(), nullptr);
    recording_.SetLog(LogTargetOf(state_));
    recording_.SetFolder(state_.LogFolder);
    recording_.SetWorkTime(state_.WorkTime);
    SetStatusParts();
}

void MainWindow::SetStatusParts() {
    if (statusBar_ == nullptr) return;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (state_.LogFolder.empty()) {
        int parts[] = {-1};  // the total reaches the right edge
        ::SendMessageW(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
        return;
    }
    int parts[] = {static_cast<int>(client.right * (100 - kFolderPartShare) / 100), -1};
    ::SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

void MainWindow::ShowFolderStatus() {
    const FolderUnion* logs = recording_.FolderLogs();
    if (statusBar_ == nullptr || logs == nullptr) return;
    const std::wstring text = Widen(FolderStatusText(*logs));
    ::SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string MainWindow::OwnLogName() const {
    const std::string& path = state_.LogFileName;
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> MainWindow::OtherLogsIn(PeriodKind kind, DateTime start) const {
    const FolderUnion* logs = recording_.FolderLogs();
    return logs == nullptr ? std::vector<std::string>()
                           : OtherLogsInPeriod(*logs, OwnLogName(), kind, start);
}

std::vector<std::string> MainWindow::OtherLogsIn(Span range) const {
    const FolderUnion* logs = recording_.FolderLogs();
    return logs == nullptr ? std::vector<std::string>()
                           : OtherLogsInSpan(*logs, OwnLogName(), range.Start, range.End);
}

std::optional<std::vector<DateTime>> MainWindow::OwnSessionsIn(DateTime start) const {
    const FolderUnion* logs = recording_.FolderLogs();
    if (logs == nullptr) return std::nullopt;
    return OwnSessionsInPiece(*logs, OwnLogName(), start);
}

void MainWindow::FollowSharedFolder() {
    if (state_.LogFileNamed) {
        const std::string named = state_.LogFolder.empty() ? state_.LogFileName : state_.LogFolder;
        ShowBox(hwnd_,
                "Worktally keeps using " + named +
                    ", as its command line named it. The shared folder is used from the next "
                    "start without /F.",
                MB_OK | MB_ICONINFORMATION, kCaptionW);
        return;
    }
    const std::string before = state_.LogFileName;
    PlaceLog(state_, environment_);
    if (state_.LogFileName == before) return;
    // The session ends in the old log and goes on in the new one; the old log stays where it is.
    if (state_.Logging) AfterStep(recording_.Tick(true));
    if (!state_.LogFolder.empty()) CopyLogOnce(before, state_.LogFileName);
    undo_ = UndoList();  // its spans were the old log's
    UpdateUndoItem();
    FollowLog();
    if (state_.Logging && !recording_.Recorder().Away()) StartSession();
    BuildLogTree(Visible());
}

void MainWindow::CopyLogOnce(const std::string& from, const std::string& to) {
    // The log recorded so far comes along the first time, so that its history is counted; a log
    // this computer already keeps in the folder is never overwritten. The Options took only a
    // folder that exists.
    const std::wstring source = Widen(from);
    if (::GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    if (!::CopyFileW(source.c_str(), Widen(to).c_str(), TRUE) &&
        ::GetLastError() != ERROR_FILE_EXISTS) {
        ShowError(WithReason("Your log was not copied into the shared folder: cannot write " + to,
                             LastErrorText()));
    }
}
