#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <string>

#include "win32/platform/LogLocks.h"

namespace {

TEST(LogLocks, OneLogIsOneNameHoweverItIsSpelled) {
    const std::wstring name = LogObjectName(L"X_", "C:\\Logs\\work.dat");
    EXPECT_EQ(LogObjectName(L"X_", "c:\\logs\\WORK.DAT"), name);
    EXPECT_EQ(LogObjectName(L"X_", "C:/Logs/sub/../work.dat"), name);
    EXPECT_NE(LogObjectName(L"X_", "C:\\Logs\\work2.dat"), name);
    EXPECT_NE(LogObjectName(L"Y_", "C:\\Logs\\work.dat"), name);
}

TEST(LogLocks, AGuardKeepsOthersOutUntilItGoesAndTheMarkTellsWhoRecords) {
    const std::string log = "C:\\Logs\\guarded.dat";
    auto elsewhere = [&](DWORD wait) {
        return std::async(std::launch::async,
                          [=] {
                              try {
                                  GuardLog(log, wait);
                                  return true;
                              } catch (const IoError&) {
                                  return false;
                              }
                          })
            .get();
    };
    {
        const auto guard = GuardLog(log);
        const auto again = GuardLog(log, 0);  // the same thread may take it again
        EXPECT_FALSE(elsewhere(50)) << "another thread waits and gives up";
    }
    EXPECT_TRUE(elsewhere(0)) << "free once the guard is gone";

    RecordingMark mark;
    EXPECT_FALSE(IsBeingRecorded(log));
    mark.Follow(log, true);
    EXPECT_TRUE(IsBeingRecorded("c:\\logs\\GUARDED.dat"));
    mark.Follow(log, false);
    EXPECT_FALSE(IsBeingRecorded(log));
}

}  // namespace
