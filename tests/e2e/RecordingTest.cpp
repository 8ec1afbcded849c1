// Recording sessions: the bytes the running program writes to the log, and when.

#include <windows.h>

#include <cctype>
#include <thread>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "core/log/LogFile.h"

namespace e2e {
namespace {

// A moment measured around an action, to bound what the program stamped during it.
struct Span {
    DateTime From;
    DateTime To;
};

template <typename Action>
Span Measure(Action action) {
    Span span{Now(), 0};
    action();
    span.To = Now();
    return span;
}

// The program stamps with millisecond resolution; allow one tick of rounding either side.
::testing::AssertionResult Within(DateTime value, const Span& span) {
    if (value >= span.From - kMillisecond && value <= span.To + kMillisecond)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << value << " is not within " << span.From << " .. " << span.To;
}

std::vector<unsigned char> Slice(const std::vector<unsigned char>& bytes, std::size_t from,
                                 std::size_t to) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(to)};
}

// Gives the clock time to move on, so that a new stamp differs from the last.
void LetTimePass() {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

class Recording : public E2ETest {};

TEST_F(Recording, FirstStartWritesOnePairScrambledWithRecordNumbers) {
    // Empty, one character (all bytes keyed alike) and a long password.
    for (const std::string password : {"", "k", "correct horse"}) {
        SCOPED_TRACE("password \"" + password + "\"");
        DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
        RemoveTree(LogPath());
        if (!password.empty()) StorePassword(password);

        Program program;
        // The session starts while the main window is created; the span ends once it is written.
        const Span start = Measure([&] {
            program.Start("/L /F " + Quoted(LogPath()));
            program.MainWindow();
            WaitForFileSize(LogPath(), 16u);
        });
        const auto bytes = ReadBytes(LogPath());
        ASSERT_EQ(bytes.size(), 16u);
        const auto records = ReadLog(LogPath(), password);
        EXPECT_EQ(records[0], records[1]);
        EXPECT_TRUE(Within(records[0], start));
        EXPECT_FALSE(program.MainWindowVisible()) << "logging starts hidden in the tray";
        if (password.size() > 1) {
            EXPECT_NE(Slice(bytes, 0, 8), Slice(bytes, 8, 16)) << "each record has its own key";
            EXPECT_NE(UnscrambleRecord("", 0, LoadRecordBytes(bytes.data())), records[0]);
        } else {
            EXPECT_EQ(Slice(bytes, 0, 8), Slice(bytes, 8, 16));
        }

        LetTimePass();
        const Span exit = Measure([&] { program.Exit(); });
        const auto after = ReadLog(LogPath(), password);
        ASSERT_EQ(after.size(), 2u);
        EXPECT_EQ(after[0], records[0]);
        EXPECT_TRUE(Within(after[1], exit)) << "the final end is the time of exit";
    }
}

TEST_F(Recording, StartAppendsBehindTheWholeRecordsAndKeepsTheRest) {
    const std::string password = "abc";
    const std::vector<DateTime> old = {
        EncodeDateTime(2001, 3, 5, 8, 0), EncodeDateTime(2001, 3, 5, 9, 0),
        EncodeDateTime(2001, 3, 6, 8, 0), EncodeDateTime(2001, 3, 6, 9, 30)};
    const auto oldBytes = LogBytes(old, password);
    struct Case {
        const char* Name;
        std::vector<unsigned char> Bytes;
    };
    auto withTail = oldBytes;
    withTail.insert(withTail.end(), {0x11, 0x22, 0x33});  // not a whole record
    for (const Case& c : {Case{"whole records", oldBytes}, Case{"trailing bytes", withTail}}) {
        SCOPED_TRACE(c.Name);
        DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
        StorePassword(password);
        WriteBytes(LogPath(), c.Bytes);

        Program program;
        const Span start = Measure([&] {
            program.Start("/L /F " + Quoted(LogPath()));
            WaitUntil([&] { return ReadBytes(LogPath()).size() == 48u; });
        });
        ASSERT_EQ(ReadBytes(LogPath()).size(), 48u);
        const auto bytes = ReadBytes(LogPath());
        EXPECT_EQ(Slice(bytes, 0, 32), oldBytes) << "older records are left byte for byte";
        const auto records = ReadLog(LogPath(), password);
        EXPECT_EQ(records[4], records[5]);
        EXPECT_TRUE(Within(records[4], start));
        program.Exit();
    }
}

TEST_F(Recording, TickMovesTheEndOfTheLastPairOnly) {
    StorePassword("tick");
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    const auto first = ReadLog(LogPath(), "tick");
    ASSERT_EQ(first.size(), 2u);

    for (int i = 0; i < 2; ++i) {
        LetTimePass();
        const Span tick = Measure([&] { program.Tick(); });
        const auto now = ReadLog(LogPath(), "tick");
        ASSERT_EQ(now.size(), 2u);
        EXPECT_EQ(now[0], first[0]);
        EXPECT_TRUE(Within(now[1], tick));
        EXPECT_GT(now[1], first[1]);
    }
    program.Exit();
}

TEST_F(Recording, WithoutLoggingNothingIsWrittenAndClosingEnds) {
    const auto bytes =
        LogBytes({EncodeDateTime(2001, 3, 5, 8, 0), EncodeDateTime(2001, 3, 5, 9, 0)}, "");
    WriteBytes(LogPath(), bytes);
    Program& program = Start("/F " + Quoted(LogPath()));
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
    program.Tick();
    program.Tick();
    EXPECT_EQ(ReadBytes(LogPath()), bytes);
    program.Post(WM_CLOSE);
    program.ExpectExit();
    EXPECT_EQ(ReadBytes(LogPath()), bytes);
}

TEST_F(Recording, EndOfWindowsSessionIsAllowedAndWritesTheFinalEnd) {
    // The close that follows the query, and the end of the session itself.
    for (const bool endSession : {false, true}) {
        SCOPED_TRACE(endSession ? "WM_ENDSESSION" : "WM_CLOSE after the query");
        DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
        RemoveTree(LogPath());
        Program program;
        program.Start("/L /F " + Quoted(LogPath()));
        program.MainWindow();
        ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
        LetTimePass();
        EXPECT_EQ(program.Send(WM_QUERYENDSESSION, 0, 0), 1);
        Span end{};
        if (endSession) {
            end = Measure([&] { program.Send(WM_ENDSESSION, TRUE, 0); });
        } else {
            end = Measure([&] {
                program.Post(WM_CLOSE);
                program.ExpectExit();
            });
            EXPECT_FALSE(program.Running());
        }
        const auto records = ReadLog(LogPath(), "");
        ASSERT_EQ(records.size(), 2u);
        EXPECT_TRUE(Within(records[1], end));
        // The end steps ran: settings and window position are stored.
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password"), "");
        EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Width").has_value());
        program.Kill();
    }
}

TEST_F(Recording, SecondStartWithLogAppendsInTheRunningInstance) {
    Program& first = Start("/L /F " + Quoted(LogPath()));
    first.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    LetTimePass();
    first.Tick();
    const auto before = ReadLog(LogPath(), "");

    LetTimePass();
    Program& second = Start("/L /F " + Quoted(LogPath()));
    // The running instance applies the command line once the second start has gone.
    const Span handOver = Measure([&] {
        second.ExpectExit();
        WaitForFileSize(LogPath(), 32u);
    });
    EXPECT_TRUE(TopLevelWindows(second.Pid()).empty());
    const auto after = ReadLog(LogPath(), "");
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], before[1]) << "the first session keeps the end of its last tick";
    EXPECT_EQ(after[2], after[3]);
    EXPECT_GT(after[2], before[1]);
    EXPECT_LE(after[2], handOver.To + kMillisecond);

    LetTimePass();
    first.Tick();
    const auto ticked = ReadLog(LogPath(), "");
    ASSERT_EQ(ticked.size(), 4u);
    EXPECT_EQ(ticked[1], before[1]);
    EXPECT_GT(ticked[3], after[3]) << "the tick extends the new session";
    first.Exit();
}

TEST_F(Recording, SecondStartWithoutLogShowsTheLogAndKeepsRecording) {
    for (const std::string password : {"", "stop"}) {
        SCOPED_TRACE("password \"" + password + "\"");
        DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
        RemoveTree(LogPath());
        if (!password.empty()) StorePassword(password);
        Program first;
        first.Start("/L /F " + Quoted(LogPath()));
        first.MainWindow();
        ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));

        Program second;
        second.Start("/F " + Quoted(LogPath()));
        if (!password.empty()) {
            HWND prompt = first.WaitForDialog("Password - Worktally");
            SetControlText(prompt, 3002, password);
            Click(prompt, IDOK);
        }
        second.ExpectExit();
        ASSERT_TRUE(WaitUntil([&] { return first.MainWindowVisible(); })) << first.Dump();

        const auto before = ReadLog(LogPath(), password);
        LetTimePass();
        first.Tick();
        const auto after = ReadLog(LogPath(), password);
        ASSERT_EQ(after.size(), 2u);
        EXPECT_GT(after[1], before[1]) << "the recording goes on while the viewer is open";
        first.Post(WM_CLOSE);  // still logging: closing only hides
        ASSERT_TRUE(WaitUntil([&] { return !first.MainWindowVisible(); }));
        EXPECT_TRUE(first.Running());
        first.Exit();
    }
}

TEST_F(Recording, OnlyTheNamedUserIsLogged) {
    char name[256] = {};
    DWORD size = sizeof name;
    ASSERT_TRUE(GetUserNameA(name, &size));
    std::string otherCase = name;
    for (char& c : otherCase) {  // the check ignores ASCII case
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(std::isupper(u) ? std::tolower(u) : std::toupper(u));
    }

    Program& other = Start("/L /U someone-else /F " + Quoted(LogPath()));
    bool windowSeen = false;
    WaitUntil([&] {
        for (HWND window : TopLevelWindows(other.Pid()))
            windowSeen = windowSeen || ClassOf(window) == "TWorktallyMainForm";
        return !other.Running();
    });
    other.ExpectExit();
    EXPECT_FALSE(windowSeen);
    EXPECT_FALSE(FileExists(LogPath()));
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password").has_value())
        << "a program that stopped at start stores nothing";

    Program& same = Start("/l /u " + Quoted(otherCase) + " /F " + Quoted(LogPath()));
    same.MainWindow();
    EXPECT_TRUE(WaitForFileSize(LogPath(), 16u));
    same.Exit();
    EXPECT_EQ(ReadBytes(LogPath()).size(), 16u);
}

TEST_F(Recording, LogPathsWithSpacesAtStartAndInTheHandOver) {
    const std::string firstFolder = PathIn("my logs");
    const std::string secondFolder = PathIn("other logs");
    ASSERT_TRUE(CreateDirectoryA(firstFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(secondFolder.c_str(), nullptr));
    const std::string firstLog = firstFolder + "\\work log.dat";
    const std::string secondLog = secondFolder + "\\second log.dat";

    Program& first = Start("/L /F " + Quoted(firstLog));
    first.MainWindow();
    ASSERT_TRUE(WaitForFileSize(firstLog, 16u)) << first.Dump();
    EXPECT_EQ(ReadBytes(firstLog).size(), 16u);

    Program& second = Start("/L /F " + Quoted(secondLog));
    second.ExpectExit();
    ASSERT_TRUE(WaitForFileSize(secondLog, 16u)) << first.Dump();
    EXPECT_EQ(ReadBytes(secondLog).size(), 16u);
    EXPECT_EQ(ReadBytes(firstLog).size(), 16u);
    first.Exit();
}

TEST_F(Recording, FirstRunStoresTheSettings) {
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    program.Exit();
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password"), "");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR One User"), "0");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR User Name"), "");
    for (const char* name : {"Top", "Left", "Width", "Height"}) {
        const auto value = ReadRegistryString(HKEY_CURRENT_USER, kMainWindowKey, name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_NE(value->find_first_of("0123456789"), std::string::npos) << name << "=" << *value;
        EXPECT_EQ(value->find_first_not_of("-0123456789"), std::string::npos)
            << name << "=" << *value;
    }
}

TEST_F(Recording, DeletedLogGivesOneErrorBoxForTheWholeOutage) {
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    // The program may have the file open for a moment (without delete sharing): retry.
    ASSERT_TRUE(WaitUntil([&] { return DeleteFileA(LogPath().c_str()) != 0; }));

    program.Post(WM_TIMER, 1, 0);  // blocks in its message box
    HWND box = program.WaitForDialog("Worktally");
    const std::string text = MessageText(box);
    EXPECT_EQ(text.substr(0, text.find('\n')), "Error writting " + LogPath());
    EXPECT_NE(text.find('\n'), std::string::npos) << "the system's reason: " << text;
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr) << "seen while the main window is hidden";
    // Ticks go on inside the box's message loop; each returns without a box of its own.
    for (int i = 0; i < 3; ++i) program.Tick();
    EXPECT_EQ(program.Dialogs("Worktally").size(), 1u) << program.Dump();
    EXPECT_FALSE(FileExists(LogPath())) << "a tick never creates the log";

    Click(box, IDOK);
    program.WaitForNoDialog("Worktally");
    program.Tick();
    EXPECT_TRUE(program.Dialogs("Worktally", false).empty()) << "one box for one outage";

    // The log comes back (restored from a backup): its last pair is not stretched to now.
    const std::vector<DateTime> restored = {EncodeDateTime(2001, 3, 5, 8, 0),
                                            EncodeDateTime(2001, 3, 5, 9, 0)};
    WriteBytes(LogPath(), LogBytes(restored, ""));
    program.Tick();
    const auto records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1], restored[1]);
    EXPECT_EQ(records[2], records[3]) << "a new session";
    program.Exit();
}

TEST_F(Recording, SuspendEndsTheSessionAndOneWakeStartsOneNewOne) {
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    LetTimePass();
    const Span suspend = Measure([&] { program.Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0); });
    program.Tick();  // asleep: the session is not extended
    const auto asleep = ReadLog(LogPath(), "");
    ASSERT_EQ(asleep.size(), 2u);
    EXPECT_TRUE(Within(asleep[1], suspend)) << "the session ends at the suspend";

    std::this_thread::sleep_for(std::chrono::seconds(3));  // the machine sleeps
    const Span resume =
        Measure([&] { program.Send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0); });
    const auto records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[1], asleep[1]);
    EXPECT_EQ(records[2], records[3]);
    EXPECT_TRUE(Within(records[2], resume));
    const double gapSeconds = (records[2] - records[1]) * 86400.0;
    EXPECT_GE(gapSeconds, 3.0);
    EXPECT_LE(gapSeconds, (resume.To - suspend.From) * 86400.0 + 0.01);

    // A wake the user starts follows with the second resume event: still one new session.
    program.Send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    LetTimePass();
    program.Tick();
    const auto woken = ReadLog(LogPath(), "");
    ASSERT_EQ(woken.size(), 4u) << "one wake, one session";
    EXPECT_EQ(woken[2], records[2]);
    EXPECT_GT(woken[3], records[3]) << "the tick extends the new session";
    program.Exit();
}

TEST_F(Recording, OpeningTheViewerFromTheStartMenuKeepsRecording) {
    Program& logging = Start("/L /F " + Quoted(LogPath()));
    logging.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));

    // A start without /L, like the Start menu's: the viewer opens on the recorded log.
    Program& viewer = Start("");
    viewer.ExpectExit();
    ASSERT_TRUE(WaitUntil([&] { return logging.MainWindowVisible(); })) << logging.Dump();
    LetTimePass();
    logging.Tick();
    auto records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_GT(records[1], records[0]) << "the tick still extends the session";

    // Closing the viewer hides it; the program goes on recording.
    logging.Post(WM_CLOSE);
    ASSERT_TRUE(WaitUntil([&] { return !logging.MainWindowVisible(); }));
    EXPECT_TRUE(logging.Running());

    // Naming another log: the box says where the recording goes, and nothing else changes.
    const std::string other = PathIn("other.dat");
    Program& naming = Start("/F " + Quoted(other));
    HWND box = logging.WaitForDialog("Worktally");
    EXPECT_EQ(MessageText(box), "Worktally is recording into " + LogPath() +
                                    "\n\nExit Worktally first to view " + other);
    Click(box, IDOK);
    naming.ExpectExit();
    ASSERT_TRUE(WaitUntil([&] { return logging.MainWindowVisible(); })) << logging.Dump();
    LetTimePass();
    const DateTime before = ReadLog(LogPath(), "")[1];
    logging.Tick();
    records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_GT(records[1], before);
    EXPECT_FALSE(FileExists(other));
    logging.Exit();
}

TEST_F(Recording, AwayWhenLockedIsChosenInOptionsAndLockTimeIsNotCounted) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Away When Locked", "0");
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    const auto lockAndUnlock = [&] {
        program.Send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
        LetTimePass();
        program.Tick();
        program.Send(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    };

    // Off: a lock is time at work like any other.
    LetTimePass();
    lockAndUnlock();
    auto records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_GT(records[1], records[0]) << "the tick during the lock extended the session";

    program.Command(IDM_OPTIONS);
    HWND dialog = program.WaitForDialog("Options - Worktally");
    EXPECT_FALSE(IsChecked(dialog, IDC_AWAY_LOCKED_CHECK));
    EXPECT_FALSE(IsChecked(dialog, IDC_AWAY_IDLE_CHECK));
    EXPECT_FALSE(IsWindowEnabled(Control(dialog, IDC_AWAY_IDLE_EDIT)));
    Click(dialog, IDC_AWAY_LOCKED_CHECK);
    Click(dialog, IDC_AWAY_IDLE_CHECK);
    SetControlText(dialog, IDC_AWAY_IDLE_EDIT, "30");
    Click(dialog, IDOK);
    program.WaitForNoDialog("Options - Worktally");
    program.Send(WM_NULL);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Away When Locked"), "1");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Away Idle Minutes"), "30");

    // On at once: the lock ends the session, the tick leaves it, the unlock starts a new one.
    LetTimePass();
    const Span lock = Measure([&] { program.Send(WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0); });
    LetTimePass();
    program.Tick();
    records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(Within(records[1], lock));
    const Span unlock = Measure([&] { program.Send(WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0); });
    records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_TRUE(Within(records[2], unlock));
    EXPECT_EQ(records[2], records[3]);

    program.Command(IDM_OPTIONS);
    dialog = program.WaitForDialog("Options - Worktally");
    EXPECT_TRUE(IsChecked(dialog, IDC_AWAY_LOCKED_CHECK));
    EXPECT_TRUE(IsChecked(dialog, IDC_AWAY_IDLE_CHECK));
    EXPECT_EQ(ControlText(dialog, IDC_AWAY_IDLE_EDIT), "30");
    Click(dialog, IDCANCEL);
    program.WaitForNoDialog("Options - Worktally");
    program.Exit();
}

}  // namespace
}  // namespace e2e
