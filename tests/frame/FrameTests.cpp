// Library frame: the loader thread recorded at attach, and the global-memory functions.
#include "tuFrame.h"
#include "tuSettings.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

struct HostReport {
    unsigned long loader = 0;
    unsigned long loading = 1;
    std::string module;
};

HostReport RunFrameHost(const std::wstring& mode) {
    auto result =
        tutest::RunHostInFreshFolder(L"frameHost.exe", {L"tarnUtil.dll", L"BaseKit.dll"}, {}, mode);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    HostReport report;
    std::istringstream in(result.output);
    std::string field;
    while (in >> field) {
        if (field.rfind("loader=", 0) == 0)
            report.loader = std::stoul(field.substr(7));
        else if (field.rfind("loading=", 0) == 0)
            report.loading = std::stoul(field.substr(8));
        else if (field.rfind("module=", 0) == 0)
            report.module = field.substr(7);
    }
    return report;
}

TEST(LibraryFrame, RecordsTheThreadThatLoadedIt) {
    for (const wchar_t* mode : {L"main", L"worker"}) {
        SCOPED_TRACE(tutest::Narrow(mode));
        HostReport report = RunFrameHost(mode);
        EXPECT_EQ(report.loader, report.loading);
        EXPECT_NE(report.module.find("tarnUtil.dll"), std::string::npos) << report.module;
    }
}

TEST(LibraryFrame, LoaderThreadOfThisProcessIsItsMainThread) {
    // The test program imports the library, so its first thread attached it.
    EXPECT_EQ(ssnGetUserInputThreadID(), ::GetCurrentThreadId());
}

TEST(GlobalMemory, AllocatesLockedBlocksAndFreesThem) {
    auto* p = static_cast<unsigned char*>(memGlobalAllocPtr(GMEM_MOVEABLE | GMEM_ZEROINIT, 64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(p[i], 0) << i;
    HGLOBAL block = ::GlobalHandle(p);
    EXPECT_EQ(::GlobalFlags(block) & GMEM_LOCKCOUNT, 1u);
    EXPECT_EQ(memGlobalFreePtr(p), nullptr);
}

TEST(GlobalMemory, ResizeKeepsTheContentAndTheLock) {
    auto* p = static_cast<char*>(memGlobalAllocPtr(GMEM_MOVEABLE, 16));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "0123456789abcdef", 16);
    auto* q = static_cast<char*>(memGlobalReAllocPtr(p, 1 << 20, GMEM_MOVEABLE));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::memcmp(q, "0123456789abcdef", 16), 0);
    EXPECT_EQ(::GlobalFlags(::GlobalHandle(q)) & GMEM_LOCKCOUNT, 1u);
    EXPECT_EQ(memGlobalFreePtr(q), nullptr);
}

TEST(GlobalMemory, FailedResizeLeavesTheOldBlockUsable) {
    // A fixed block cannot move without GMEM_MOVEABLE, so a large growth fails.
    auto* p = static_cast<char*>(memGlobalAllocPtr(GMEM_FIXED, 32));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "kept", 5);
    EXPECT_EQ(memGlobalReAllocPtr(p, 256u << 20, 0), nullptr);
    EXPECT_STREQ(p, "kept");
    EXPECT_EQ(::GlobalHandle(p), static_cast<HGLOBAL>(p));
    EXPECT_EQ(memGlobalFreePtr(p), nullptr);
}

TEST(GlobalMemory, ForeignPointersAreRefused) {
    static char notGlobal[16] = "static";
    EXPECT_EQ(memGlobalReAllocPtr(nullptr, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(memGlobalFreePtr(nullptr), nullptr);
    EXPECT_EQ(memGlobalReAllocPtr(notGlobal, 16, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(memGlobalFreePtr(notGlobal), nullptr);
    EXPECT_STREQ(notGlobal, "static");
}

} // namespace
