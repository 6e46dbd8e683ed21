// Shortcut files created and resolved through the shell's link object, in a fresh folder.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using tutest::GuardedBuffer;

class Shortcut : public ::testing::Test {
protected:
    Shortcut() {
        ::CoInitialize(nullptr);
        m_dir.WriteFile(L"first.txt", "1");
        m_dir.WriteFile(L"second.txt", "2");
        m_dir.WriteFile(L"plain.lnk", "no shortcut inside");
    }
    ~Shortcut() override { ::CoUninitialize(); }

    // The resolved target, or "<none>" when resolving fails; the buffer's guard must hold.
    std::wstring Resolve(const std::wstring& link, size_t size = MAX_PATH) {
        GuardedBuffer buffer(size, L"stale");
        const BOOL resolved =
            osResolveShortcut(nullptr, link.c_str(), buffer.Data(), static_cast<int>(size));
        EXPECT_TRUE(buffer.GuardIntact() && (resolved || buffer.Text().empty()));
        return resolved ? buffer.Text() : L"<none>";
    }

    tutest::TempDir m_dir;
};

TEST_F(Shortcut, ResolvesToTheLatestTargetOnlyIntoABufferThatHoldsIt) {
    const std::wstring link = m_dir / L"go.lnk";
    const std::wstring first = m_dir / L"first.txt", second = m_dir / L"second.txt";
    ASSERT_TRUE(osCreateShortcut(first.c_str(), link.c_str(), L"the first"));
    EXPECT_EQ(first, Resolve(link));
    ASSERT_TRUE(osCreateShortcut(second.c_str(), link.c_str(), nullptr));
    EXPECT_EQ(second, Resolve(link));
    // Exactly large enough, then one character too small.
    EXPECT_EQ(second, Resolve(link, second.size() + 1));
    EXPECT_EQ(L"<none>", Resolve(link, second.size()));
    // Missing, not a shortcut, and files that cannot be written.
    EXPECT_EQ(L"<none>", Resolve(m_dir / L"missing.lnk"));
    EXPECT_EQ(L"<none>", Resolve(m_dir / L"plain.lnk"));
    EXPECT_FALSE(osCreateShortcut(first.c_str(), (m_dir / L"no\\such\\dir.lnk").c_str(), L""));
    const std::wstring tooLong = ostest::PathOfLength(m_dir.Path(), MAX_PATH) + L".lnk";
    EXPECT_FALSE(osCreateShortcut(first.c_str(), tooLong.c_str(), L""));
    EXPECT_FALSE(osCreateShortcut(nullptr, (m_dir / L"x.lnk").c_str(), L""));
}

} // namespace
