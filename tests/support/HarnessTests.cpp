// The test harness's own promise: a child process that hangs is ended at its time-out, so a
// hung host fails its test instead of holding up the whole run.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A child that never ends on its own: this program run again with only this test.
TEST(Harness, DISABLED_Hang) {
    ::Sleep(INFINITE);
}

TEST(Harness, AHungChildIsEndedAtItsTimeOut) {
    const DWORD start = ::GetTickCount();
    tutest::ProcessResult result =
        tutest::RunProcess(tutest::BinDir() + L"\\harnessTests.exe",
                           L"--gtest_filter=Harness.DISABLED_Hang --gtest_also_run_disabled_tests",
                           tutest::BinDir(), 2000);
    EXPECT_FALSE(result.finished);
    EXPECT_EQ(result.exitCode, 1u); // ended by the harness, not still running (STILL_ACTIVE)
    EXPECT_LT(::GetTickCount() - start, 15000u);
}

} // namespace
