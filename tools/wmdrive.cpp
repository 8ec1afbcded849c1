// Drives the running worktally.exe from inside Wine for scripts/run and scripts/screenshots:
// waits for its windows, sends its main window messages and fills and clicks its dialogs. Every
// message, id and key may be given by its name from the program's own headers, so the scripts
// carry no numbers.
//
//   wmdrive wait-main | wait-visible | exit-wait | wait-dialog CAPTION
//   wmdrive tick | command IDM_… | tray WM_…BUTTON… | key VK_…
//   wmdrive send MSG W L | post MSG W L
//   wmdrive set-text CAPTION ID TEXT | click CAPTION ID | cursor X Y
//
// Exit status: 0 done, 1 failed or timed out, 2 a wrong command line.

#include <windows.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "res/resource.h"
#include "win32/Ids.h"

namespace {

struct Name {
    const char* Text;
    long long Value;
};

#define WMDRIVE_NAME(name) \
    { #name, static_cast < long long>(name) }

// The names a script may use in place of a number.
constexpr Name kNames[] = {
    WMDRIVE_NAME(WM_NULL),
    WMDRIVE_NAME(WM_CLOSE),
    WMDRIVE_NAME(WM_COMMAND),
    WMDRIVE_NAME(WM_TIMER),
    WMDRIVE_NAME(WM_KEYDOWN),
    WMDRIVE_NAME(WM_KEYUP),
    WMDRIVE_NAME(WM_LBUTTONUP),
    WMDRIVE_NAME(WM_LBUTTONDBLCLK),
    WMDRIVE_NAME(WM_RBUTTONUP),
    WMDRIVE_NAME(WM_CONTEXTMENU),
    WMDRIVE_NAME(WM_COMMANDPARAMS),
    WMDRIVE_NAME(WM_TRAYICON),
    WMDRIVE_NAME(kMinuteTimerId),
    WMDRIVE_NAME(kInputTimerId),
    WMDRIVE_NAME(kTrayIconId),
    WMDRIVE_NAME(VK_ESCAPE),
    WMDRIVE_NAME(VK_RETURN),
    WMDRIVE_NAME(IDOK),
    WMDRIVE_NAME(IDCANCEL),
    WMDRIVE_NAME(IDM_CHANGE_PASSWORD),
    WMDRIVE_NAME(IDM_OPTIONS),
    WMDRIVE_NAME(IDM_EXIT),
    WMDRIVE_NAME(IDM_DELETE_BRANCH),
    WMDRIVE_NAME(IDM_HELP_CONTENTS),
    WMDRIVE_NAME(IDM_ABOUT),
    WMDRIVE_NAME(IDM_SHOW),
    WMDRIVE_NAME(IDM_REFRESH),
    WMDRIVE_NAME(IDC_PASSWORD_EDIT),
    WMDRIVE_NAME(IDC_OLD_PASSWORD_EDIT),
    WMDRIVE_NAME(IDC_NEW_PASSWORD_EDIT),
    WMDRIVE_NAME(IDC_RETYPE_NEW_PASSWORD_EDIT),
    WMDRIVE_NAME(IDC_AUTO_RUN_CHECK),
    WMDRIVE_NAME(IDC_ONE_USER_CHECK),
    WMDRIVE_NAME(IDC_USER_NAME_EDIT),
    WMDRIVE_NAME(IDC_AWAY_LOCKED_CHECK),
    WMDRIVE_NAME(IDC_AWAY_IDLE_CHECK),
    WMDRIVE_NAME(IDC_AWAY_IDLE_EDIT),
    WMDRIVE_NAME(IDC_TIME_TREE),
    WMDRIVE_NAME(IDC_STATUS_BAR),
    WMDRIVE_NAME(IDC_HELP_TEXT_EDIT),
};

#undef WMDRIVE_NAME

class UsageError {
  public:
    explicit UsageError(std::string what) : what_(std::move(what)) {}
    const std::string& What() const { return what_; }

  private:
    std::string what_;
};

// A number in any C notation (0x0111, 1007, -1) or one of kNames.
long long Value(const char* text) {
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(text, &end, 0);
    if (*text != '\0' && *end == '\0' && errno == 0) return number;
    for (const Name& name : kNames)
        if (std::strcmp(name.Text, text) == 0) return name.Value;
    throw UsageError(std::string("unknown name or number: ") + text);
}

HWND MainWindow() {
    return FindWindowA(kMainWindowClass, nullptr);
}

HWND VisibleDialog(const char* caption) {
    HWND dialog = FindWindowA("#32770", caption);
    return dialog != nullptr && IsWindowVisible(dialog) ? dialog : nullptr;
}

int WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1500; ++i) {
        if (done()) return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::fprintf(stderr, "wmdrive: timed out waiting\n");
    return 1;
}

int Post(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = MainWindow();
    return window != nullptr && PostMessageA(window, message, wParam, lParam) ? 0 : 1;
}

int Send(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = MainWindow();
    DWORD_PTR result = 0;
    return window != nullptr &&
                   SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 30000, &result)
               ? 0
               : 1;
}

HWND DialogControl(const char* caption, const char* id) {
    HWND dialog = VisibleDialog(caption);
    return dialog != nullptr ? GetDlgItem(dialog, static_cast<int>(Value(id))) : nullptr;
}

int Run(int argc, char** argv) {
    if (argc < 2) throw UsageError("no command");
    const std::string_view command = argv[1];
    auto needs = [&](int count) {
        if (argc < 2 + count)
            throw UsageError(std::string(command) + " needs " + std::to_string(count) +
                             " argument(s)");
    };

    if (command == "wait-main") return WaitFor([] { return MainWindow() != nullptr; });
    if (command == "wait-visible")
        return WaitFor([] {
            HWND window = MainWindow();
            return window != nullptr && IsWindowVisible(window);
        });
    if (command == "exit-wait") return WaitFor([] { return MainWindow() == nullptr; });
    if (command == "wait-dialog") {
        needs(1);
        return WaitFor([&] { return VisibleDialog(argv[2]) != nullptr; });
    }
    if (command == "tick") return Send(WM_TIMER, kMinuteTimerId, 0);
    if (command == "command") {
        needs(1);
        return Post(WM_COMMAND, static_cast<WPARAM>(Value(argv[2])), 0);
    }
    if (command == "tray") {
        needs(1);
        return Post(WM_TRAYICON, kTrayIconId, static_cast<LPARAM>(Value(argv[2])));
    }
    if (command == "key") {
        needs(1);
        return Post(WM_KEYDOWN, static_cast<WPARAM>(Value(argv[2])), 0);
    }
    if (command == "send" || command == "post") {
        needs(3);
        const auto message = static_cast<UINT>(Value(argv[2]));
        const auto wParam = static_cast<WPARAM>(Value(argv[3]));
        const auto lParam = static_cast<LPARAM>(Value(argv[4]));
        return command == "post" ? Post(message, wParam, lParam) : Send(message, wParam, lParam);
    }
    if (command == "set-text") {
        needs(3);
        HWND control = DialogControl(argv[2], argv[3]);
        return control != nullptr &&
                       SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]))
                   ? 0
                   : 1;
    }
    if (command == "click") {
        needs(2);
        HWND control = DialogControl(argv[2], argv[3]);
        if (control == nullptr) return 1;
        SendMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "cursor") {
        needs(2);
        return SetCursorPos(static_cast<int>(Value(argv[2])), static_cast<int>(Value(argv[3]))) ? 0
                                                                                                : 1;
    }
    throw UsageError("unknown command " + std::string(command));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "wmdrive: %s\n", error.What().c_str());
        return 2;
    }
}
