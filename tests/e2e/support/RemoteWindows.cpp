#include "e2e/support/RemoteWindows.h"

#include <commctrl.h>

#include <cstring>
#include <sstream>

#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

namespace e2e {

namespace {

// A block of memory inside another process, for messages that carry pointers.
class RemoteMemory {
  public:
    RemoteMemory(DWORD pid, std::size_t size)
        : process_(OpenProcess(
              PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
              FALSE, pid)) {
        if (!process_) throw HarnessError("cannot open process for its memory");
        address_ =
            VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (address_ == nullptr) throw HarnessError("VirtualAllocEx failed");
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() { VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE); }

    char* Address() const { return static_cast<char*>(address_); }
    void Write(const void* data, std::size_t size, std::size_t offset = 0) {
        SIZE_T done = 0;
        if (!WriteProcessMemory(process_.Get(), Address() + offset, data, size, &done) ||
            done != size)
            throw HarnessError("WriteProcessMemory failed");
    }
    void Read(void* data, std::size_t size, std::size_t offset = 0) const {
        SIZE_T done = 0;
        if (!ReadProcessMemory(process_.Get(), Address() + offset, data, size, &done) ||
            done != size)
            throw HarnessError("ReadProcessMemory failed");
    }

  private:
    UniqueKernelObject process_;
    void* address_ = nullptr;
};

std::string Describe(HWND window) {
    std::ostringstream line;
    RECT rect{};
    GetWindowRect(window, &rect);
    line << window << " id=" << GetDlgCtrlID(window) << " class=\"" << ClassOf(window)
         << "\" text=\"" << TextOf(window) << "\"" << (IsWindowVisible(window) ? " visible" : "")
         << (IsWindowEnabled(window) ? "" : " disabled") << " owner=" << GetWindow(window, GW_OWNER)
         << " rect=" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    return line.str();
}

struct WindowSearch {
    DWORD Pid;
    std::vector<HWND> Found;
};

// Enumeration callbacks are named functions: a lambda has the wrong calling convention on i686.
BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    if (ProcessOf(window) == search->Pid) search->Found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

struct TreeWalk {
    HWND Tree;
    RemoteMemory& Memory;
    bool ExpandAll;
    std::vector<TreeNode>& Nodes;
    std::vector<HTREEITEM>& Items;

    static constexpr int kTextMax = 1024;

    void Walk(HTREEITEM item, int depth, bool shown) {
        for (; item != nullptr;
             item = reinterpret_cast<HTREEITEM>(
                 SendTo(Tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
            // Wide, so that texts outside the code page come back whole (as UTF-8).
            TVITEMW data{};
            data.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN;
            data.hItem = item;
            data.stateMask = TVIS_EXPANDED;
            data.pszText = reinterpret_cast<wchar_t*>(Memory.Address() + sizeof(TVITEMW));
            data.cchTextMax = kTextMax;
            Memory.Write(&data, sizeof data);
            const wchar_t nothing = 0;
            Memory.Write(&nothing, sizeof nothing, sizeof(TVITEMW));
            if (!SendTo(Tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(Memory.Address())))
                throw HarnessError("TVM_GETITEMW failed");
            Memory.Read(&data, sizeof data);
            std::vector<wchar_t> text(kTextMax + 1, 0);
            Memory.Read(text.data(), kTextMax * sizeof(wchar_t), sizeof(TVITEMW));

            TreeNode node;
            node.Depth = depth;
            node.Text = Narrow(text.data());
            node.Expanded = (data.state & TVIS_EXPANDED) != 0;
            node.Shown = shown;
            Nodes.push_back(node);
            Items.push_back(item);

            if (ExpandAll && !node.Expanded && data.cChildren != 0)
                SendTo(Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            const auto child = reinterpret_cast<HTREEITEM>(
                SendTo(Tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
            Walk(child, depth + 1, shown && node.Expanded);
        }
    }
};

std::vector<HTREEITEM> WalkTree(HWND tree, bool expandAll, std::vector<TreeNode>& nodes) {
    RemoteMemory memory(ProcessOf(tree),
                        sizeof(TVITEMW) + (TreeWalk::kTextMax + 16) * sizeof(wchar_t));
    std::vector<HTREEITEM> items;
    TreeWalk walk{tree, memory, expandAll, nodes, items};
    const auto root = reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    walk.Walk(root, 0, true);
    return items;
}

}  // namespace

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) == 0) {
        // A caption is read without asking the window, so a busy program cannot stall this.
        char caption[512] = {};
        GetWindowTextA(window, caption, sizeof caption);
        return caption;
    }
    constexpr UINT kTextLimitMs = 5000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kTextLimitMs, &length))
        return "<no answer>";
    std::vector<char> text(length + 2, 0);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, kTextLimitMs, &copied))
        return "<no answer>";
    return std::string(text.data());
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::string DumpWindows(DWORD pid) {
    std::ostringstream out;
    out << "windows of process " << pid << ":\n";
    for (HWND window : TopLevelWindows(pid)) {
        out << "  " << Describe(window) << "\n";
        for (HWND child : ChildWindows(window)) out << "    " << Describe(child) << "\n";
    }
    return out.str();
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               std::chrono::milliseconds limit) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL,
                             static_cast<UINT>(limit.count()), &result)) {
        std::ostringstream what;
        what << "message " << message << " to window " << window << " (" << ClassOf(window)
             << ") was not handled in time\n"
             << DumpWindows(ProcessOf(window));
        throw HarnessError(what.str());
    }
    return static_cast<LRESULT>(result);
}

HWND Control(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        std::ostringstream what;
        what << "no control " << id << " in " << Describe(dialog) << "\n"
             << DumpWindows(ProcessOf(dialog));
        throw HarnessError(what.str());
    }
    return control;
}

std::string ControlText(HWND dialog, int id) {
    return TextOf(Control(dialog, id));
}

void SetControlText(HWND dialog, int id, const std::string& text) {
    SendTo(Control(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsChecked(HWND dialog, int id) {
    return SendTo(Control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND dialog, int id) {
    SendTo(Control(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND window, WORD virtualKey) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
        info.hwndFocus != nullptr)
        target = info.hwndFocus;
    const auto scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | scan);
    PostMessageA(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u) | scan);
}

std::string MessageTextAsShown(HWND box) {
    if (HWND text = GetDlgItem(box, 0xFFFF)) return TextOf(text);
    // Otherwise the longest static text of the box.
    std::string best;
    for (HWND child : ChildWindows(box)) {
        if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
        std::string text = TextOf(child);
        if (text.size() > best.size()) best = text;
    }
    return best;
}

std::string MessageText(HWND box) {
    std::string text = MessageTextAsShown(box);
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 2);
    return text;
}

std::vector<TreeNode> ReadTree(HWND tree, bool expandAll) {
    std::vector<TreeNode> nodes;
    WalkTree(tree, expandAll, nodes);
    return nodes;
}

void SelectTreeNode(HWND tree, std::size_t preorderIndex) {
    std::vector<TreeNode> nodes;
    const auto items = WalkTree(tree, true, nodes);
    if (preorderIndex >= items.size()) throw HarnessError("no such tree node");
    if (!SendTo(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[preorderIndex])))
        throw HarnessError("TVM_SELECTITEM failed");
}

RECT SelectedItemRect(HWND tree) {
    const auto item = reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item == nullptr) throw HarnessError("no tree node selected");
    RemoteMemory memory(ProcessOf(tree), sizeof(RECT));
    RECT rect{};
    std::memcpy(&rect, &item, sizeof item);  // the item goes in, its rectangle comes out
    memory.Write(&rect, sizeof rect);
    if (!SendTo(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(memory.Address())))
        throw HarnessError("the selected node is not visible");
    memory.Read(&rect, sizeof rect);
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string StatusText(HWND statusBar, int part) {
    const auto length = LOWORD(SendTo(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
    const std::size_t bytes = (length + 16u) * sizeof(wchar_t);
    RemoteMemory memory(ProcessOf(statusBar), bytes);
    const std::vector<char> zeros(bytes, 0);
    memory.Write(zeros.data(), zeros.size());
    SendTo(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part),
           reinterpret_cast<LPARAM>(memory.Address()));
    std::vector<wchar_t> text(length + 16u, 0);
    memory.Read(text.data(), (length + 1u) * sizeof(wchar_t));
    return Narrow(text.data());
}

// ---- list view ----

std::vector<std::vector<std::string>> ReadListRows(HWND list, int columns) {
    constexpr int kTextMax = 256;
    RemoteMemory memory(ProcessOf(list), sizeof(LVITEMA) + kTextMax + 16);
    std::vector<std::vector<std::string>> rows;
    const auto count = static_cast<int>(SendTo(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::string>& cells = rows.emplace_back();
        for (int column = 0; column < columns; ++column) {
            LVITEMA item{};
            item.iSubItem = column;
            item.pszText = memory.Address() + sizeof(LVITEMA);
            item.cchTextMax = kTextMax;
            memory.Write(&item, sizeof item);
            const char nothing = 0;
            memory.Write(&nothing, 1, sizeof(LVITEMA));
            const auto length =
                static_cast<std::size_t>(SendTo(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                                reinterpret_cast<LPARAM>(memory.Address())));
            std::vector<char> text(kTextMax + 1, 0);
            memory.Read(text.data(), std::min<std::size_t>(length + 1, kTextMax), sizeof(LVITEMA));
            cells.emplace_back(text.data());
        }
    }
    return rows;
}

std::vector<std::string> ReadListHeaders(HWND list, int columns) {
    constexpr int kTextMax = 256;
    RemoteMemory memory(ProcessOf(list), sizeof(LVCOLUMNA) + kTextMax + 16);
    std::vector<std::string> headers;
    for (int column = 0; column < columns; ++column) {
        LVCOLUMNA entry{};
        entry.mask = LVCF_TEXT;
        entry.pszText = memory.Address() + sizeof(LVCOLUMNA);
        entry.cchTextMax = kTextMax;
        memory.Write(&entry, sizeof entry);
        const char nothing = 0;
        memory.Write(&nothing, 1, sizeof(LVCOLUMNA));
        if (!SendTo(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                    reinterpret_cast<LPARAM>(memory.Address())))
            throw HarnessError("LVM_GETCOLUMNA failed");
        std::vector<char> text(kTextMax + 1, 0);
        memory.Read(text.data(), kTextMax, sizeof(LVCOLUMNA));
        headers.emplace_back(text.data());
    }
    return headers;
}

void SelectListRow(HWND list, int row) {
    RemoteMemory memory(ProcessOf(list), sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.Write(&item, sizeof item);
    if (!SendTo(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                reinterpret_cast<LPARAM>(memory.Address())))
        throw HarnessError("LVM_SETITEMSTATE failed");
}

int SelectedListRow(HWND list) {
    return static_cast<int>(SendTo(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// ---- notification area ----

namespace {

BOOL CALLBACK CollectTooltips(HWND window, LPARAM found) {
    if (ClassOf(window) == TOOLTIPS_CLASSA)
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<std::string> TrayTips() {
    constexpr std::size_t kTextOffset = 1024;
    constexpr std::size_t kTextMax = 1024;  // characters
    std::vector<HWND> tooltips;
    EnumWindows(CollectTooltips, reinterpret_cast<LPARAM>(&tooltips));
    std::vector<std::string> tips;
    for (HWND tooltip : tooltips) {
        const auto count = static_cast<int>(SendTo(tooltip, TTM_GETTOOLCOUNT, 0, 0));
        if (count <= 0) continue;
        RemoteMemory memory(ProcessOf(tooltip), kTextOffset + 2 * kTextMax + 16);
        for (int tool = 0; tool < count; ++tool) {
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<WCHAR*>(memory.Address() + kTextOffset);
            memory.Write(&info, sizeof info);
            const WCHAR nothing = 0;
            memory.Write(&nothing, sizeof nothing, kTextOffset);
            if (!SendTo(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(tool),
                        reinterpret_cast<LPARAM>(memory.Address())))
                continue;
            std::vector<WCHAR> text(kTextMax + 1, 0);
            memory.Read(text.data(), kTextMax * sizeof(WCHAR), kTextOffset);
            char narrow[4 * kTextMax] = {};
            WideCharToMultiByte(CP_UTF8, 0, text.data(), -1, narrow, sizeof narrow, nullptr,
                                nullptr);
            tips.emplace_back(narrow);
        }
    }
    return tips;
}

}  // namespace e2e
