// Second instances that start while the first one is running or still starting: each hand-over
// is applied once or refused with a message box, and the running instance and its logs come
// through intact.

#include <windows.h>
#include <winternl.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "core/log/LogFile.h"

namespace e2e {
namespace {

constexpr int kSecondInstances = 20;
// Twenty Wine processes starting together and queueing for one window take a while.
constexpr std::chrono::milliseconds kStormLimit{240000};

enum class Kind { Log, LogOther, Show };

struct Box {
    std::string Caption;
    std::string Text;
};

struct Second {
    Kind What;
    Program* Process;
    std::vector<Box> Boxes;
};

// Answers every message box the process shows, once each, and adds what it said.
void AnswerBoxes(DWORD pid, std::set<HWND>& answered, std::vector<Box>& boxes) {
    for (HWND window : TopLevelWindows(pid)) {
        if (ClassOf(window) != "#32770" || !IsWindowVisible(window)) continue;
        if (!answered.insert(window).second) continue;
        Box box{TextOf(window), {}};
        try {
            box.Text = MessageText(window);
            if (GetDlgItem(window, IDOK) != nullptr) {
                Click(window, IDOK);
            } else {
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
        } catch (const HarnessError&) {
            // The box went away with its process while being answered.
        }
        boxes.push_back(box);
    }
}

// The pairs of a log written without a password, each checked; fails when not aligned.
std::vector<std::pair<DateTime, DateTime>> Pairs(const std::string& path, DateTime from,
                                                 DateTime to) {
    std::vector<std::pair<DateTime, DateTime>> pairs;
    if (!FileExists(path)) return pairs;
    const auto size = ReadBytes(path).size();
    EXPECT_EQ(size % 16, 0u) << path << " holds a torn pair";
    const auto records = ReadLog(path, "");
    for (std::size_t r = 0; r + 1 < records.size(); r += 2) {
        const DateTime start = records[r];
        const DateTime end = records[r + 1];
        EXPECT_LE(start, end) << path << " pair " << r / 2;
        EXPECT_GE(start, from - kMillisecond) << path << " pair " << r / 2;
        EXPECT_LE(end, to + kMillisecond) << path << " pair " << r / 2;
        pairs.emplace_back(start, end);
    }
    return pairs;
}

// Handles open on the object in every process.
ULONG HandleCount(HANDLE object) {
    PUBLIC_OBJECT_BASIC_INFORMATION info{};
    ULONG size = 0;
    if (NtQueryObject(object, ObjectBasicInformation, &info, sizeof(info), &size) != 0)
        throw HarnessError("cannot query the handle count");
    return info.HandleCount;
}

// A hidden window of the test's own. Wine starts its desktop process with a first window and
// ends it some time after the last one; a program started meanwhile waits seconds for it and
// counts as idle for input from then on, before it has a window at all.
class DesktopKeeper {
  public:
    DesktopKeeper()
        : window_(CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr)) {}
    DesktopKeeper(const DesktopKeeper&) = delete;
    DesktopKeeper& operator=(const DesktopKeeper&) = delete;
    ~DesktopKeeper() { DestroyWindow(window_); }

  private:
    HWND window_;
};

class Concurrency : public E2ETest {};

TEST_F(Concurrency, ASecondStartBeforeTheFirstHasItsWindowIsHandedOverOnceItAppears) {
    const std::string firstLog = PathIn("log1.dat");
    const std::string secondLog = PathIn("log2.dat");
    const DesktopKeeper desktop;
    const DateTime begun = Now();

    // The first instance is held between creating the section and creating its window, as a
    // slow log-on holds it: its main thread is stopped the moment the section appears. When
    // its window came first after all, it starts again.
    Program* first = nullptr;
    UniqueKernelObject section;
    for (int attempt = 0; attempt < 10 && first == nullptr; ++attempt) {
        Program& candidate = Start("/L /F " + Quoted(firstLog));
        const auto end = std::chrono::steady_clock::now() + kWaitLimit;
        while (!section && candidate.Running() && std::chrono::steady_clock::now() < end) {
            section.Attach(OpenFileMappingA(FILE_MAP_READ, FALSE, kParamsSectionName));
            if (!section) Sleep(1);
        }
        if (!section) candidate.Fail("the first instance created no section");
        candidate.Suspend();
        if (FindWindowA(kMainWindowClass, nullptr) == nullptr) {
            first = &candidate;
            break;
        }
        std::printf("attempt %d: the first instance had its window already\n", attempt + 1);
        candidate.Kill();
        section.Close();
        DeleteFileA(firstLog.c_str());
    }
    ASSERT_NE(first, nullptr) << "the first instance was never caught before its window";

    Program& second = Start("/L /F " + Quoted(secondLog));
    // Open in the first instance, here and in the second start: that one is at its search.
    if (!WaitUntil([&] { return HandleCount(section.Get()) >= 3 || !second.Running(); }))
        second.Fail("the second start never opened the section");
    // Its first search follows at once: give it time to find no window.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    first->Resume();

    std::set<HWND> answered;
    std::vector<Box> firstBoxes;
    std::vector<Box> secondBoxes;
    const bool ended = WaitUntil([&] {
        AnswerBoxes(second.Pid(), answered, secondBoxes);
        AnswerBoxes(first->Pid(), answered, firstBoxes);
        return !second.Running();
    });
    ASSERT_TRUE(ended) << second.Dump();
    for (const Box& box : secondBoxes)
        ADD_FAILURE() << "the second start showed [" << box.Caption << "] " << box.Text;
    for (const Box& box : firstBoxes)
        ADD_FAILURE() << "the first instance showed [" << box.Caption << "] " << box.Text;
    EXPECT_EQ(second.ExitCode(), 0u);

    // The first session went to the first log, and the handed-over "/L /F" added one to the
    // second log.
    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        // Applied by the running instance after the second start has ended.
        WaitUntil([&] { return FileExists(secondLog) && ReadBytes(secondLog).size() >= 16; });
        const DateTime now = Now();
        EXPECT_EQ(Pairs(firstLog, begun, now).size(), 1u);
        EXPECT_EQ(Pairs(secondLog, begun, now).size(), 1u);
    };
    check("after the hand-over");
    first->Exit();
    check("after exit");
}

TEST_F(Concurrency, TwentySecondStartsAtOnceAreEachAppliedOrRefused) {
    // A copy of the program in the test's folder, so that its default log lands there too.
    const std::string exe = PathIn("worktally.exe");
    if (!CopyFileA(ProgramPath().c_str(), exe.c_str(), FALSE))
        FAIL() << "cannot copy the program to " << exe;
    const std::string firstLog = LogPath();
    const std::string defaultLog = PathIn("worktaly.dat");
    const std::string otherLog = PathIn("other log with spaces.dat");
    // A start without parameters may come before any "/L" to the default log; reading a log
    // that is not there yet would rightly report an error, so it starts out empty.
    WriteBytes(defaultLog, {});

    const DateTime begun = Now();
    Program& first = Start("/L /F " + Quoted(firstLog), {}, exe);
    first.MainWindow();
    if (!WaitForFileSize(firstLog, 16u)) first.Fail("the first session was not written");

    std::vector<Second> seconds;
    seconds.reserve(kSecondInstances);
    for (int i = 0; i < kSecondInstances; ++i) {
        const Kind kind = i % 3 == 0 ? Kind::Log : i % 3 == 1 ? Kind::LogOther : Kind::Show;
        seconds.push_back({kind,
                           &Start(kind == Kind::Log        ? "/L"
                                  : kind == Kind::LogOther ? "/L /F " + Quoted(otherLog)
                                                           : "",
                                  {}, exe),
                           {}});
    }

    std::set<HWND> answered;
    std::vector<Box> firstBoxes;
    const bool allEnded = WaitUntil(
        [&] {
            bool ended = true;
            for (Second& second : seconds) {
                AnswerBoxes(second.Process->Pid(), answered, second.Boxes);
                ended = ended && !second.Process->Running();
            }
            AnswerBoxes(first.Pid(), answered, firstBoxes);
            return ended;
        },
        kStormLimit);
    ASSERT_TRUE(allEnded) << "second instances still running";
    AnswerBoxes(first.Pid(), answered, firstBoxes);

    int expectedDefault = 0;
    int expectedOther = 0;
    int shownApplied = 0;
    int refused = 0;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        const Second& second = seconds[i];
        SCOPED_TRACE("second instance " + std::to_string(i));
        EXPECT_EQ(second.Process->ExitCode(), 0u);
        for (const Box& box : second.Boxes)
            std::printf("second instance %zu refused: [%s] %s\n", i, box.Caption.c_str(),
                        box.Text.c_str());
        if (!second.Boxes.empty()) {
            ++refused;
            continue;
        }
        if (second.What == Kind::Log) ++expectedDefault;
        if (second.What == Kind::LogOther) ++expectedOther;
        if (second.What == Kind::Show) ++shownApplied;
    }
    for (const Box& box : firstBoxes)
        ADD_FAILURE() << "the running instance showed [" << box.Caption << "] " << box.Text;
    std::printf("hand-overs: %d to the default log, %d to the other log, %d to show, %d refused\n",
                expectedDefault, expectedOther, shownApplied, refused);

    // Applied by the running instance after the starts have ended: wait for the last effect.
    const auto sizeOf = [](const std::string& path) {
        return FileExists(path) ? ReadBytes(path).size() : 0u;
    };
    WaitUntil([&] {
        return sizeOf(defaultLog) >= 16u * expectedDefault &&
               sizeOf(otherLog) >= 16u * expectedOther &&
               (shownApplied == 0 || first.MainWindowVisible());
    });
    // Still alive and answering its messages.
    ASSERT_TRUE(first.Running());
    DWORD_PTR result = 0;
    EXPECT_NE(
        SendMessageTimeoutA(first.MainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result),
        0);
    // A start without parameters shows the viewer, and a later "/L" does not hide it.
    if (shownApplied > 0) {
        EXPECT_TRUE(first.MainWindowVisible()) << first.Dump();
    }

    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        const DateTime now = Now();
        EXPECT_EQ(Pairs(firstLog, begun, now).size(), 1u) << "only the first session";
        EXPECT_EQ(Pairs(defaultLog, begun, now).size(), static_cast<std::size_t>(expectedDefault));
        EXPECT_EQ(Pairs(otherLog, begun, now).size(), static_cast<std::size_t>(expectedOther));
    };
    check("after the hand-overs");
    first.Exit();
    check("after exit");
}

TEST_F(Concurrency, ASecondStartEndsWhileTheRunningInstanceAsksForThePassword) {
    // Far beyond a hand-over, far below a hang: the old hand-over waited for the prompt.
    constexpr std::chrono::milliseconds kEndsBy{5000};
    StorePassword("s3cret");
    Program& first = Start("/L /F " + Quoted(LogPath()));
    first.MainWindow();
    ASSERT_TRUE(WaitUntil([&] { return FileExists(LogPath()); })) << first.Dump();

    Program& second = Start("/F " + Quoted(LogPath()));
    const HWND prompt = first.WaitForDialog("Password - Worktally");
    EXPECT_TRUE(second.WaitForExit(kEndsBy)) << "the second start waits on the prompt";
    Program& third = Start("/F " + Quoted(LogPath()));
    EXPECT_TRUE(third.WaitForExit(kEndsBy)) << "a later start waits on the prompt";
    EXPECT_EQ(first.Dialogs("Password - Worktally").size(), 1u);

    // The handed-over command line is applied: the viewer opens behind the prompt.
    SetControlText(prompt, IDC_PASSWORD_EDIT, "s3cret");
    Click(prompt, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return first.MainWindowVisible(); })) << first.Dump();
    first.Exit();
}

}  // namespace
}  // namespace e2e
