// Library frame: the loader thread recorded at attach, and the global-memory functions.
#include "tuFrame.h"
#include "tuSettings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

TEST(LibraryFrame, RecordsTheThreadThatLoadedIt) {
    // The test program imports the library, so its first thread attached it.
    EXPECT_EQ(ssnGetUserInputThreadID(), ::GetCurrentThreadId());
    for (const wchar_t* mode : {L"frame main", L"frame worker"}) {
        SCOPED_TRACE(tutest::Narrow(mode));
        auto result = tutest::RunHostInFreshFolder(L"loaderHost.exe",
                                                   {L"tarnUtil.dll", L"BaseKit.dll"}, {}, mode);
        EXPECT_EQ(result.exitCode, 0u) << result.output; // 1: another thread, or no end in time
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
    // A fixed block cannot grow by moving, and a resize to 0 fails: the block stays to free once.
    using Row = std::tuple<UINT, DWORD, UINT>; // allocation flags, new size, resize flags
    for (const auto& [allocation, size, flags] :
         {Row{GMEM_FIXED, 256u << 20, 0}, Row{GMEM_MOVEABLE, 0, GMEM_MOVEABLE},
          Row{GMEM_MOVEABLE, 0, 0}}) {
        auto* p = static_cast<char*>(memGlobalAllocPtr(allocation, 32));
        ASSERT_NE(p, nullptr);
        std::memcpy(p, "kept", 5);
        EXPECT_EQ(memGlobalReAllocPtr(p, size, flags), nullptr);
        EXPECT_STREQ(p, "kept");
        EXPECT_EQ(memGlobalFreePtr(p), nullptr);
    }

    static char notGlobal[16] = "static";
    EXPECT_EQ(memGlobalReAllocPtr(nullptr, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(memGlobalFreePtr(nullptr), nullptr);
    EXPECT_EQ(memGlobalReAllocPtr(notGlobal, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(memGlobalFreePtr(notGlobal), nullptr);
    EXPECT_STREQ(notGlobal, "static");
}

} // namespace
