#include "e2e/Harness.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "core/settings/PasswordCodec.h"
#include "core/settings/Settings.h"
#include "core/log/LogFile.h"

namespace e2e {

namespace {

constexpr UINT kSendLimitMs = 30000;
constexpr char kMainClass[] = "TWorktallyMainForm";

// Closes a kernel handle at the end of a scope.
class HandleGuard {
  public:
    explicit HandleGuard(HANDLE handle) : handle_(handle) {}
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
    ~HandleGuard() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

class KeyGuard {
  public:
    KeyGuard() = default;
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;
    ~KeyGuard() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// A block of memory inside another process, for messages that carry pointers.
class RemoteMemory {
  public:
    RemoteMemory(DWORD pid, std::size_t size)
        : process_(OpenProcess(
              PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
              FALSE, pid)),
          size_(size) {
        if (process_.Get() == nullptr) throw HarnessError("cannot open process for its memory");
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
    HandleGuard process_;
    void* address_ = nullptr;
    std::size_t size_;
};

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendLimitMs, &result)) {
        std::ostringstream what;
        what << "message " << message << " to window " << window << " (" << ClassOf(window)
             << ") was not handled in time\n"
             << DumpWindows(ProcessOf(window));
        throw HarnessError(what.str());
    }
    return static_cast<LRESULT>(result);
}

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
            TVITEMA data{};
            data.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN;
            data.hItem = item;
            data.stateMask = TVIS_EXPANDED;
            data.pszText = Memory.Address() + sizeof(TVITEMA);
            data.cchTextMax = kTextMax;
            Memory.Write(&data, sizeof data);
            const char nothing = 0;
            Memory.Write(&nothing, 1, sizeof(TVITEMA));
            if (!SendTo(Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(Memory.Address())))
                throw HarnessError("TVM_GETITEMA failed");
            Memory.Read(&data, sizeof data);
            std::vector<char> text(kTextMax + 1, 0);
            Memory.Read(text.data(), kTextMax, sizeof(TVITEMA));

            TreeNode node;
            node.Depth = depth;
            node.Text = text.data();
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
    RemoteMemory memory(ProcessOf(tree), sizeof(TVITEMA) + TreeWalk::kTextMax + 16);
    std::vector<HTREEITEM> items;
    TreeWalk walk{tree, memory, expandAll, nodes, items};
    const auto root = reinterpret_cast<HTREEITEM>(SendTo(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    walk.Walk(root, 0, true);
    return items;
}

std::string TestRoot() {
    const char* configured = std::getenv("WORKTALLY_E2E_DIR");
    if (configured != nullptr && *configured != 0) return ToWindowsPath(configured);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string root = temp;
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return root + "\\worktally-e2e";
}

void KillStrayInstances() {
    for (int i = 0; i < 20; ++i) {
        HWND window = FindWindowA(kMainClass, nullptr);
        if (window == nullptr) return;
        HandleGuard process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ProcessOf(window)));
        if (process.Get() == nullptr) return;
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 10000);
    }
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string ToWindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string result = "Z:" + path;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

std::string ProgramPath() {
    const char* exe = std::getenv("WORKTALLY_EXE");
    if (exe == nullptr || *exe == 0)
        throw HarnessError("WORKTALLY_EXE must name the worktally.exe under test");
    return ToWindowsPath(exe);
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

DateTime Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return EncodeDate(t.wYear, t.wMonth, t.wDay) +
           EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

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

namespace {

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

}  // namespace

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

std::string MessageText(HWND box) {
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

// ---- Program ----

Program::~Program() {
    Kill();
    if (process_ != nullptr) CloseHandle(process_);
}

void Program::Start(const std::string& arguments, const std::string& lang,
                    const std::string& exePath) {
    if (process_ != nullptr) throw HarnessError("program already started");
    const std::string exe = exePath.empty() ? ProgramPath() : ToWindowsPath(exePath);
    std::string commandLine = Quoted(exe);
    if (!arguments.empty()) commandLine += " " + arguments;

    if (!lang.empty()) {
        // Wine takes a process's locale from the Unix environment it was started in, not from
        // the Windows environment block: start it through the Unix loader with that LANG.
        const std::string name = exe.substr(exe.find_last_of('\\') + 1);
        const std::vector<DWORD> before = ProcessesNamed(name);
        RunUnixDetached("/usr/bin/env LANG=" + lang + " LC_ALL=" + lang + " " + WineLoader() + " " +
                        commandLine);
        DWORD pid = 0;
        WaitUntil([&] {
            for (DWORD candidate : ProcessesNamed(name))
                if (std::find(before.begin(), before.end(), candidate) == before.end())
                    pid = candidate;
            return pid != 0;
        });
        if (pid == 0) throw HarnessError("the program did not start: " + commandLine);
        process_ = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
        if (process_ == nullptr) throw HarnessError("cannot open the started program");
        pid_ = pid;
        return;
    }

    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::ostringstream what;
        what << "cannot start " << commandLine << ": error " << GetLastError();
        throw HarnessError(what.str());
    }
    mainThread_.Attach(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
}

bool Program::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(std::chrono::milliseconds limit) {
    if (process_ == nullptr) return true;
    return WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_ != nullptr) GetExitCodeProcess(process_, &code);
    return code;
}

void Program::Kill() {
    if (!Running()) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 10000);
}

void Program::Suspend() {
    if (!mainThread_) throw HarnessError("no main thread to suspend");
    if (SuspendThread(mainThread_.Get()) == static_cast<DWORD>(-1))
        throw HarnessError("cannot suspend the program: error " + std::to_string(GetLastError()));
    // A suspension takes effect later; reading the context waits until the thread has stopped.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(mainThread_.Get(), &context);
}

void Program::Resume() {
    if (!mainThread_ || ResumeThread(mainThread_.Get()) == static_cast<DWORD>(-1))
        throw HarnessError("cannot resume the program");
}

void Program::Fail(const std::string& what) const {
    std::ostringstream text;
    text << what << "\n"
         << (Running() ? "the program is running\n" : "the program has ended\n")
         << DumpWindows(pid_);
    throw HarnessError(text.str());
}

HWND Program::MainWindow() {
    if (main_ != nullptr && IsWindow(main_)) return main_;
    main_ = nullptr;
    const bool found = WaitUntil([&] {
        for (HWND window : TopLevelWindows(pid_))
            if (ClassOf(window) == kMainClass) {
                main_ = window;
                return true;
            }
        return !Running();
    });
    if (!found || main_ == nullptr) Fail("no main window");
    return main_;
}

LRESULT Program::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendTo(MainWindow(), message, wParam, lParam);
}

void Program::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageA(MainWindow(), message, wParam, lParam)) Fail("PostMessage failed");
}

void Program::Exit() {
    Command(IDM_EXIT);
    ExpectExit();
}

void Program::ExpectExit(std::chrono::milliseconds limit) {
    if (!WaitForExit(limit)) Fail("the program did not end");
}

std::vector<HWND> Program::Dialogs(const std::string& caption, bool visibleOnly) const {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(pid_))
        if (ClassOf(window) == "#32770" && (!visibleOnly || IsWindowVisible(window)) &&
            TextOf(window) == caption)
            found.push_back(window);
    return found;
}

HWND Program::WaitForDialog(const std::string& caption) {
    HWND dialog = nullptr;
    WaitUntil([&] {
        const auto found = Dialogs(caption);
        if (!found.empty()) dialog = found.front();
        return dialog != nullptr || !Running();
    });
    if (dialog == nullptr) Fail("no dialog \"" + caption + "\"");
    return dialog;
}

void Program::WaitForNoDialog(const std::string& caption) {
    if (!WaitUntil([&] { return Dialogs(caption).empty(); }))
        Fail("dialog \"" + caption + "\" is still open");
}

// ---- tree view and status bar ----

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

std::string StatusText(HWND statusBar) {
    const auto length = LOWORD(SendTo(statusBar, SB_GETTEXTLENGTHA, 0, 0));
    RemoteMemory memory(ProcessOf(statusBar), length + 16u);
    const std::vector<char> zeros(length + 16u, 0);
    memory.Write(zeros.data(), zeros.size());
    SendTo(statusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(memory.Address()));
    std::vector<char> text(length + 16u, 0);
    memory.Read(text.data(), length + 1u);
    return std::string(text.data());
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

// ---- registry ----

void DeleteRegistryTree(HKEY root, const std::string& key) {
    const LONG result = RegDeleteTreeA(root, key.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        throw HarnessError("cannot delete registry key " + key);
    RegDeleteKeyA(root, key.c_str());
}

std::optional<std::string> ReadRegistryString(HKEY root, const std::string& key,
                                              const std::string& name) {
    KeyGuard opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.Out()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ) throw HarnessError("registry value " + name + " is not REG_SZ");
    std::string data(size, '\0');
    if (size != 0 && RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        throw HarnessError("cannot read registry value " + name);
    data.resize(size);
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

void WriteRegistryString(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value) {
    KeyGuard opened;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, opened.Out(),
                        nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(opened.Get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw HarnessError("cannot write registry value " + name);
}

void DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name) {
    KeyGuard opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, opened.Out()) != ERROR_SUCCESS) return;
    RegDeleteValueA(opened.Get(), name.c_str());
}

void StorePassword(const std::string& password) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password", EncodePassword(password));
}

// ---- files ----

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFileSize(const std::string& path, std::size_t size) {
    return WaitUntil([&] {
        try {
            return FileExists(path) && ReadBytes(path).size() == size;
        } catch (const HarnessError&) {
            return false;  // created but not yet open to us
        }
    });
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    HandleGuard file(CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) throw HarnessError("cannot open " + path);
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        throw HarnessError("cannot read " + path);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    HandleGuard file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) throw HarnessError("cannot create " + path);
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                      &written, nullptr) ||
                           written != bytes.size()))
        throw HarnessError("cannot write " + path);
}

void RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") RemoveTree(path + "\\" + name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<DateTime> ReadLog(const std::string& path, const std::string& password) {
    const auto bytes = ReadBytes(path);
    std::vector<DateTime> records;
    for (std::size_t r = 0; r + 8 <= bytes.size(); r += 8)
        records.push_back(UnscrambleRecord(password, static_cast<std::int32_t>(r / 8),
                                           LoadRecordBytes(bytes.data() + r)));
    return records;
}

std::vector<unsigned char> LogBytes(const std::vector<DateTime>& records,
                                    const std::string& password) {
    std::vector<unsigned char> bytes(records.size() * 8);
    for (std::size_t r = 0; r < records.size(); ++r)
        StoreRecordBytes(ScrambleRecord(password, static_cast<std::int32_t>(r), records[r]),
                         bytes.data() + r * 8);
    return bytes;
}

void RunUnixDetached(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        throw HarnessError("cannot run " + commandLine);
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
}

int RunUnix(const std::string& shellCommand) {
    // A Unix process started from Wine cannot be waited for: it leaves its exit code in a file.
    const char* root = std::getenv("WORKTALLY_E2E_DIR");
    if (root == nullptr || root[0] != '/')
        throw HarnessError("Unix commands need WORKTALLY_E2E_DIR as a Unix path");
    static int serial = 0;
    const std::string marker = std::string(root) + "/unix-" +
                               std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++serial);
    const std::string windowsMarker = ToWindowsPath(marker);
    DeleteFileA(windowsMarker.c_str());
    RunUnixDetached("/bin/sh -c \"" + shellCommand + "; echo $? > " + marker + ".tmp; mv " +
                    marker + ".tmp " + marker + "\"");
    if (!WaitUntil([&] { return FileExists(windowsMarker); }))
        throw HarnessError("no end of " + shellCommand);
    const auto bytes = ReadBytes(windowsMarker);
    DeleteFileA(windowsMarker.c_str());
    return std::atoi(std::string(bytes.begin(), bytes.end()).c_str());
}

std::string WineLoader() {
    const char* configured = std::getenv("WINE64");
    return configured != nullptr && *configured != 0 ? configured : "/usr/lib/wine/wine64";
}

std::vector<DWORD> ProcessesNamed(const std::string& exeName) {
    std::vector<DWORD> found;
    HandleGuard snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, exeName.c_str()) == 0) found.push_back(entry.th32ProcessID);
    return found;
}

ImmutableFolder::ImmutableFolder(std::string unixPath) : path_(std::move(unixPath)) {
    if (path_.empty() || RunUnix("/usr/bin/chattr +i " + path_) != 0)
        throw HarnessError("cannot make " + path_ + " immutable");
}

ImmutableFolder::~ImmutableFolder() {
    RunUnix("/usr/bin/chattr -i " + path_);
}

// ---- fixture ----

void E2ETest::SetUp() {
    KillStrayInstances();
    DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
    DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, "Worktally");

    const std::string root = TestRoot();
    CreateDirectoryA(root.c_str(), nullptr);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/' || c == '\\') c = '_';
    folder_ = root + "\\" + name;
    RemoveTree(folder_);
    if (!CreateDirectoryA(folder_.c_str(), nullptr))
        throw HarnessError("cannot create test folder " + folder_);
}

void E2ETest::TearDown() {
    for (auto& program : programs_) program->Kill();
    programs_.clear();
}

std::string E2ETest::UnixFolder() const {
    if (folder_.size() < 3 || (folder_[0] != 'Z' && folder_[0] != 'z') || folder_[1] != ':')
        return {};
    std::string path = folder_.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

Program& E2ETest::Start(const std::string& arguments, const std::string& lang,
                        const std::string& exePath) {
    programs_.push_back(std::make_unique<Program>());
    programs_.back()->Start(arguments, lang, exePath);
    return *programs_.back();
}

}  // namespace e2e
