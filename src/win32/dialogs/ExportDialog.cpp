#include "win32/dialogs/ExportDialog.h"

#include <commdlg.h>

#include <array>
#include <string>

#include "core/reports/ExportRules.h"
#include "win32/platform/ErrorBox.h"
#include "win32/platform/WideText.h"

namespace {

// The filters in the order of their index (1-based, as the dialog counts them).
constexpr std::array<CsvKind, 4> kKinds = {CsvKind::Days, CsvKind::Weeks, CsvKind::Sessions,
                                           CsvKind::Timesheet};
constexpr wchar_t kFilters[] =
    L"Days (*.csv)\0*.csv\0Weeks (*.csv)\0*.csv\0Sessions (*.csv)\0*.csv\0"
    L"Timesheet (*.csv)\0*.csv\0";

// The kind chosen last in this run: the next export offers it again, with its name.
std::size_t lastKind = 0;

}  // namespace

void ExportFromViewer(HWND owner, const ProgramState& state) {
    std::array<wchar_t, 32768> file{};  // long paths fit
    const std::wstring suggestion = Widen(SuggestedExportName(kKinds[lastKind]));
    suggestion.copy(file.data(), file.size() - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilters;
    dialog.nFilterIndex = static_cast<DWORD>(lastKind + 1);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = L"csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetSaveFileNameW(&dialog)) return;
    const std::size_t index = dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= kKinds.size()
                                  ? dialog.nFilterIndex - 1
                                  : 0;
    lastKind = index;
    const std::string path = Narrow(file.data());
    ExportSource source;
    try {
        source = ExportSourceOf(state);
    } catch (const std::exception&) {
        ShowBox(owner, "Error during decoding the password", MB_OK | MB_ICONERROR);
        return;
    }
    const int result = ExportLog(
        path, kKinds[index], source, NativeFileSystem(),
        [owner](const std::string& text) { ShowBox(owner, text, MB_OK | MB_ICONERROR); },
        SystemClock().Now());
    if (result == kExportDone) ShowBox(owner, "Exported to " + path, MB_OK | MB_ICONINFORMATION);
}
