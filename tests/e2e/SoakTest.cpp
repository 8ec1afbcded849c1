// A long logging run with the viewer open: ten thousand ticks over a large log must not leak
// handles, GDI or USER objects or memory, and must leave the log intact.

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "core/log/LogFile.h"
#include "res/resource.h"

namespace e2e {
namespace {

constexpr int kPreparedSessions = 10000;
constexpr int kTicks = 10000;
constexpr int kSampleEvery = 1000;
// The first block of ticks lets caches, the heap and Wine's own tables settle.
constexpr int kWarmUpTicks = 1000;

// Allowances over the warm-up figures. A leak of one object per tick would add a thousand per
// sample, and one tree node's record per session per tick about a megabyte per tick, so these
// margins only absorb the platform's own jitter (handles Wine opens for itself, heap pages
// that fragmentation leaves behind), never a per-tick leak.
constexpr DWORD kHandleAllowance = 16;
constexpr DWORD kGdiAllowance = 16;
constexpr DWORD kUserAllowance = 16;
constexpr SIZE_T kPrivateBytesAllowance = 8u * 1024 * 1024;
// Windows of the process: the main window, its controls and the dialogs made at start.
constexpr std::size_t kWindowAllowance = 2;
// Crossing midnight during the run adds a day and its piece to the tree.
constexpr LRESULT kTreeItemAllowance = 4;

struct Usage {
    int Tick = 0;
    double MsPerTick = 0;
    DWORD Handles = 0;  // GetProcessHandleCount
    DWORD Gdi = 0;
    DWORD User = 0;
    SIZE_T PrivateBytes = 0;  // PROCESS_MEMORY_COUNTERS_EX::PrivateUsage
    // The same figures as the system's process list gives them, and the committed private
    // memory summed region by region: Wine answers the calls above with zeros, and its process
    // list gives the size of the handle table, which grows by doubling.
    ULONG ListedHandles = 0;
    SIZE_T Committed = 0;
    std::size_t Windows = 0;
    LRESULT TreeItems = 0;
};

ULONG ListedHandleCount(DWORD pid) {
    using Query = LONG(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return 0;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(SystemProcessInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) break;
        if (buffer.size() >= (1u << 24)) return 0;
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096u));
    }
    for (std::size_t offset = 0;;) {
        const auto* entry =
            reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) == pid) return entry->HandleCount;
        if (entry->NextEntryOffset == 0) return 0;
        offset += entry->NextEntryOffset;
    }
}

SIZE_T CommittedPrivateBytes(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region{};
    const char* address = nullptr;
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

std::size_t CountWindows(DWORD pid) {
    std::size_t count = 0;
    for (HWND window : TopLevelWindows(pid)) count += 1 + ChildWindows(window).size();
    return count;
}

Usage Sample(Program& program, int tick, double msPerTick) {
    Usage usage;
    usage.Tick = tick;
    usage.MsPerTick = msPerTick;
    HANDLE process = program.Process();
    if (!GetProcessHandleCount(process, &usage.Handles)) program.Fail("no handle count");
    usage.Gdi = GetGuiResources(process, GR_GDIOBJECTS);
    usage.User = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof memory))
        program.Fail("no memory figures");
    usage.PrivateBytes = memory.PrivateUsage;
    usage.ListedHandles = ListedHandleCount(program.Pid());
    usage.Committed = CommittedPrivateBytes(process);
    usage.Windows = CountWindows(program.Pid());
    DWORD_PTR items = 0;
    if (!SendMessageTimeoutA(program.Tree(), TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 30000, &items))
        program.Fail("the tree does not answer");
    usage.TreeItems = static_cast<LRESULT>(items);
    return usage;
}

double MiB(SIZE_T bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void Print(const Usage& u, const char* note) {
    std::printf(
        "soak tick %5d: %6.2f ms/tick  handles %4lu (listed %4lu)  gdi %4lu  user %4lu  "
        "private %7.2f MiB (committed %7.2f MiB)  windows %2zu  tree items %4lld  %s\n",
        u.Tick, u.MsPerTick, static_cast<unsigned long>(u.Handles),
        static_cast<unsigned long>(u.ListedHandles), static_cast<unsigned long>(u.Gdi),
        static_cast<unsigned long>(u.User), MiB(u.PrivateBytes), MiB(u.Committed), u.Windows,
        static_cast<long long>(u.TreeItems), note);
    std::fflush(stdout);
}

// Three sessions a working day for about nine years, one of them now and then past midnight.
std::vector<DateTime> PreparedSessions() {
    std::vector<DateTime> records;
    records.reserve(2 * kPreparedSessions);
    const DateTime first = EncodeDate(2010, 1, 4);
    for (int k = 0; k < kPreparedSessions; ++k) {
        const DateTime day = first + k / 3;
        const int minute = (k * 7) % 60;
        DateTime start = 0;
        DateTime end = 0;
        switch (k % 3) {
            case 0:
                start = day + EncodeTime(8, minute, 0);
                end = day + EncodeTime(11, 30, 0);
                break;
            case 1:
                start = day + EncodeTime(12, 30, 0);
                end = day + EncodeTime(17, minute, 0);
                break;
            default:
                start = day + EncodeTime(22, minute, 0);
                end = k % 9 == 2 ? day + 1 + EncodeTime(0, 45, 0) : day + EncodeTime(23, 50, 0);
                break;
        }
        records.push_back(start);
        records.push_back(end);
    }
    return records;
}

class Soak : public E2ETest {};

TEST_F(Soak, TenThousandTicksWithTheViewerShownLeakNothing) {
    const std::vector<unsigned char> prepared = LogBytes(PreparedSessions(), "");
    WriteBytes(LogPath(), prepared);
    const std::size_t expectedSize = prepared.size() + 16;

    const DateTime started = Now();
    Program& program = Start("/L /F " + Quoted(LogPath()));
    if (!WaitUntil([&] { return ReadBytes(LogPath()).size() == expectedSize; }))
        program.Fail("the session was not appended");
    program.Send(WM_COMMAND, IDM_SHOW, 0);
    if (!WaitUntil([&] { return program.MainWindowVisible(); })) program.Fail("no viewer");
    Print(Sample(program, 0, 0), "(viewer shown)");

    Usage baseline;
    // Each figure counts only where the system gives it (Wine answers some with zeros).
    const auto expectWithin = [](bool counted, const char* what, int tick, auto value, auto base,
                                 auto allowance) {
        if (counted) {
            EXPECT_LE(value, base + allowance) << what << " grew by tick " << tick;
        }
    };
    const auto expectNoGrowth = [&](const Usage& u) {
        const Usage& b = baseline;
        const bool gui = b.Gdi != 0 || b.User != 0;
        expectWithin(b.Handles != 0, "handles", u.Tick, u.Handles, b.Handles, kHandleAllowance);
        expectWithin(b.ListedHandles != 0, "listed handles", u.Tick, u.ListedHandles,
                     b.ListedHandles, kHandleAllowance);
        expectWithin(b.PrivateBytes != 0, "private bytes", u.Tick, u.PrivateBytes, b.PrivateBytes,
                     kPrivateBytesAllowance);
        expectWithin(b.Committed != 0, "committed private bytes", u.Tick, u.Committed, b.Committed,
                     kPrivateBytesAllowance);
        expectWithin(gui, "GDI objects", u.Tick, u.Gdi, b.Gdi, kGdiAllowance);
        expectWithin(gui, "USER objects", u.Tick, u.User, b.User, kUserAllowance);
        expectWithin(true, "windows", u.Tick, u.Windows, b.Windows, kWindowAllowance);
        expectWithin(true, "tree items", u.Tick, u.TreeItems, b.TreeItems, kTreeItemAllowance);
    };

    DateTime beforeLastTick = 0;
    auto blockStart = std::chrono::steady_clock::now();
    for (int tick = 1; tick <= kTicks; ++tick) {
        if (tick == kTicks) beforeLastTick = Now();
        program.Tick();
        if (tick % kSampleEvery != 0) continue;
        const auto now = std::chrono::steady_clock::now();
        const double ms =
            std::chrono::duration<double, std::milli>(now - blockStart).count() / kSampleEvery;
        const Usage usage = Sample(program, tick, ms);
        if (tick == kWarmUpTicks) {
            baseline = usage;
            Print(usage, "(warm-up figures)");
            ASSERT_TRUE(usage.Handles != 0 || usage.ListedHandles != 0) << "no handle count";
            ASSERT_TRUE(usage.PrivateBytes != 0 || usage.Committed != 0) << "no memory figure";
        } else if (tick > kWarmUpTicks) {
            Print(usage, "");
            expectNoGrowth(usage);
            if (HasFailure()) return;  // a leak is proven; more ticks would only feed it
        } else {
            Print(usage, "(warming up)");
        }
        ASSERT_TRUE(program.Dialogs("Worktally").empty()) << program.Dump();
        ASSERT_TRUE(program.MainWindowVisible()) << program.Dump();
        blockStart = std::chrono::steady_clock::now();
    }

    const auto bytes = ReadBytes(LogPath());
    ASSERT_EQ(bytes.size(), expectedSize) << "10,001 whole pairs";
    EXPECT_TRUE(std::equal(prepared.begin(), prepared.end(), bytes.begin()))
        << "the prepared sessions are left byte for byte";
    const auto records = ReadLog(LogPath(), "");
    const DateTime start = records[records.size() - 2];
    const DateTime end = records.back();
    EXPECT_GE(start, started - kMillisecond);
    EXPECT_LE(start, beforeLastTick);
    EXPECT_GE(end, beforeLastTick - kMillisecond) << "the last tick moved the end";
    EXPECT_LE(end, Now() + kMillisecond);

    program.Exit();
    const auto after = ReadLog(LogPath(), "");
    ASSERT_EQ(after.size(), records.size()) << "exit appends nothing";
    EXPECT_EQ(after[after.size() - 2], start);
    EXPECT_GE(after.back(), end);
}

}  // namespace
}  // namespace e2e
