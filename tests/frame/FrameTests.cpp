// Library frame: the loader thread recorded at attach, and the global-memory functions.
#include "tuFrame.h"
#include "tuSettings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(LibraryFrame, RecordsTheThreadThatLoadedIt) {
    // The test program imports the library, so its first thread attached it.
    EXPECT_EQ(ssnGetUserInputThreadID(), ::GetCurrentThreadId());
    for (const wchar_t* mode : {L"frame main", L"frame worker"}) {
        SCOPED_TRACE(tutest::Narrow(mode));
        auto result = tutest::RunHostInFreshFolder(L"loaderHost.exe",
                                                   {L"tarnUtil.dll", L"BaseKit.dll"}, {}, mode);
        EXPECT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, 0u) << result.output; // 1: another thread was recorded
        EXPECT_NE(result.output.find("\\tarnUtil.dll"), std::string::npos) << result.output;
    }
}

TEST(GlobalMemory, BlocksStayLockedThroughAResize) {
    auto* p = static_cast<unsigned char*>(memGlobalAllocPtr(GMEM_MOVEABLE | GMEM_ZEROINIT, 64));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "0123456789abcdef", 16);
    auto* q = static_cast<char*>(memGlobalReAllocPtr(p, 1 << 20, GMEM_MOVEABLE));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::memcmp(q, "0123456789abcdef", 16), 0);
    EXPECT_EQ(::GlobalFlags(::GlobalHandle(q)) & GMEM_LOCKCOUNT, 1u);
    EXPECT_EQ(memGlobalFreePtr(q), nullptr);
}

TEST(GlobalMemory, FailedResizeKeepsTheBlockAndForeignPointersAreRefused) {
    // A fixed block cannot move without GMEM_MOVEABLE, so a large growth fails.
    auto* p = static_cast<char*>(memGlobalAllocPtr(GMEM_FIXED, 32));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "kept", 5);
    EXPECT_EQ(memGlobalReAllocPtr(p, 256u << 20, 0), nullptr);
    EXPECT_STREQ(p, "kept");
    EXPECT_EQ(memGlobalFreePtr(p), nullptr);
    // A resize to 0 bytes is a failed resize too: the block stays the caller's to free, once.
    auto* m = static_cast<char*>(memGlobalAllocPtr(GMEM_MOVEABLE, 32));
    ASSERT_NE(m, nullptr);
    std::memcpy(m, "kept", 5);
    for (UINT flags : {UINT{GMEM_MOVEABLE}, 0u}) {
        EXPECT_EQ(memGlobalReAllocPtr(m, 0, flags), nullptr);
        EXPECT_STREQ(m, "kept");
    }
    EXPECT_EQ(memGlobalFreePtr(m), nullptr);

    static char notGlobal[16] = "static";
    EXPECT_EQ(memGlobalReAllocPtr(nullptr, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(memGlobalFreePtr(nullptr), nullptr);
    EXPECT_EQ(memGlobalReAllocPtr(notGlobal, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(memGlobalFreePtr(notGlobal), nullptr);
    EXPECT_STREQ(notGlobal, "static");
}

} // namespace
