// Shortcut files created and resolved through the shell's link object, in a fresh folder.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using tutest::GuardedBuffer;

// The resolved target, or "<none>" when resolving fails; the buffer's guard must hold.
std::wstring Resolve(const std::wstring& link, size_t size = MAX_PATH) {
    GuardedBuffer buffer(size, L"stale");
    const BOOL resolved =
        osResolveShortcut(nullptr, link.c_str(), buffer.Data(), static_cast<int>(size));
    EXPECT_TRUE(buffer.GuardIntact() && (resolved || buffer.Text().empty()));
    return resolved ? buffer.Text() : L"<none>";
}

TEST(Shortcut, ResolvesToTheLatestTargetOnlyIntoABufferThatHoldsIt) {
    ::CoInitialize(nullptr);
    tutest::TempDir dir;
    for (const wchar_t* name : {L"first.txt", L"second.txt", L"plain.lnk"})
        dir.WriteFile(name, "no shortcut inside");
    const std::wstring link = dir / L"go.lnk";
    const std::wstring first = dir / L"first.txt", second = dir / L"second.txt";
    ASSERT_TRUE(osCreateShortcut(first.c_str(), link.c_str(), L"the first"));
    EXPECT_EQ(first, Resolve(link));
    ASSERT_TRUE(osCreateShortcut(second.c_str(), link.c_str(), nullptr));
    EXPECT_EQ(second, Resolve(link));
    // Exactly large enough, then one character too small.
    EXPECT_EQ(second, Resolve(link, second.size() + 1));
    EXPECT_EQ(L"<none>", Resolve(link, second.size()));
    // Missing, not a shortcut, and files that cannot be written.
    EXPECT_EQ(L"<none>", Resolve(dir / L"missing.lnk"));
    EXPECT_EQ(L"<none>", Resolve(dir / L"plain.lnk"));
    EXPECT_FALSE(osCreateShortcut(first.c_str(), (dir / L"no\\such\\dir.lnk").c_str(), L""));
    const std::wstring tooLong = ostest::PathOfLength(dir.Path(), MAX_PATH) + L".lnk";
    EXPECT_FALSE(osCreateShortcut(first.c_str(), tooLong.c_str(), L""));
    EXPECT_FALSE(osCreateShortcut(nullptr, (dir / L"x.lnk").c_str(), L""));
    ::CoUninitialize();
}

} // namespace
