// The checked build's guard pages at work: a one-byte overrun and a use after free of a block
// of the library's heap, and of a C++ allocation, each end the probe with an access violation
// at exactly the faulting byte; a write inside the block does not.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(GuardPages, FaultsAtTheFirstByteOutsideALiveBlock) {
    const struct {
        const wchar_t* fault;
        DWORD exitCode;
    } rows[] = {
        {L"inBounds", 0},
        {L"libraryOverrun", EXCEPTION_ACCESS_VIOLATION},
        {L"libraryUseAfterFree", EXCEPTION_ACCESS_VIOLATION},
        {L"newOverrun", EXCEPTION_ACCESS_VIOLATION},
        {L"newUseAfterFree", EXCEPTION_ACCESS_VIOLATION},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.fault));
        const auto result =
            tutest::RunProcess(tutest::BinDir() + L"\\guardProbe.exe", row.fault, tutest::BinDir());
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(row.exitCode, result.exitCode) << result.output;
    }
}

} // namespace
