#include "win32/dialogs/ExportDialog.h"

#include <commdlg.h>

#include <array>
#include <string>

#include "core/reports/ExportRules.h"

namespace {

// The filters in the order of their index (1-based, as the dialog counts them).
constexpr std::array<CsvKind, 3> kKinds = {CsvKind::Days, CsvKind::Weeks, CsvKind::Sessions};
constexpr char kFilters[] = "Days (*.csv)\0*.csv\0Weeks (*.csv)\0*.csv\0Sessions (*.csv)\0*.csv\0";

}  // namespace

void ExportFromViewer(HWND owner, const ProgramState& state) {
    std::array<char, 32768> file{};  // long paths fit
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = "csv";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetSaveFileNameA(&dialog)) return;
    const std::size_t index = dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= kKinds.size()
                                  ? dialog.nFilterIndex - 1
                                  : 0;
    ExportSource source;
    try {
        source = ExportSourceOf(state);
    } catch (const std::exception&) {
        ::MessageBoxA(owner, "Error during decoding the password", "Worktally",
                      MB_OK | MB_ICONERROR);
        return;
    }
    ExportLog(
        file.data(), kKinds[index], source, NativeFileSystem(),
        [owner](const std::string& text) {
            ::MessageBoxA(owner, text.c_str(), "Worktally", MB_OK | MB_ICONERROR);
        },
        SystemClock().Now());
}
