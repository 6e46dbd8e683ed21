// The class-library subset where the library relies on it beyond its own tests: lock exclusion,
// window objects that die first or elsewhere, temporary ones, extension modules leaving the chain.
#include <afxmt.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <thread>
#include <tuple>
#include <vector>

namespace {

// The automatic events the UI-call executor reuses are checked by its own waiting tests.
TEST(SyncObjects, SingleLockExcludes) {
    CCriticalSection section;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                CSingleLock lock(&section, TRUE);
                ++counter;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 8000);
}

// Counts its final notifications; the UI-call executor, such a window, covers its messages.
class RecordingWnd : public CWnd {
public:
    int ncDestroyed = 0;

    bool Create() {
        return CreateEx(0, L"Message", L"message_only", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    }

protected:
    void PostNcDestroy() override { ++ncDestroyed; }
};

// The library lends the caller's owner window to the shell as such a temporary object.
TEST(CWnd, FromHandleLendsATemporaryObjectForAWindowWithout) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    HWND bare = ::CreateWindowExW(0, L"Message", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    CWnd* temporary = CWnd::FromHandle(bare);
    EXPECT_EQ(temporary ? temporary->m_hWnd : nullptr, bare);
    ::DestroyWindow(bare);
}

TEST(CWnd, WindowAndObjectEndTogether) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    HWND window = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(std::make_tuple(wnd.m_hWnd, wnd.ncDestroyed, CWnd::FromHandlePermanent(window),
                              ::IsWindow(window)),
              std::make_tuple(HWND(nullptr), 1, static_cast<CWnd*>(nullptr), FALSE));
    {
        RecordingWnd scoped;
        ASSERT_TRUE(scoped.Create());
        window = scoped.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(window));

    // An object deleted in another thread leaves its window with no route to it.
    auto* other = new RecordingWnd;
    ASSERT_TRUE(other->Create());
    window = other->m_hWnd;
    std::thread([other] { delete other; }).join();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    ::SendMessageW(window, WM_USER, 1, 1); // must not reach the deleted object
    ::DestroyWindow(window);
}

TEST(ExtensionModule, LibraryObjectsJoinAndLeaveTheChain) {
    AFX_EXTENSION_MODULE first = {}, second = {};
    HMODULE self = ::GetModuleHandleW(nullptr), other = ::GetModuleHandleW(L"kernel32.dll");
    EXPECT_TRUE(AfxInitExtensionModule(first, self) && AfxInitExtensionModule(second, other));
    auto* a = new CDynLinkLibrary(first);
    new CDynLinkLibrary(second);
    AfxTermExtensionModule(second);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), a);
    AfxTermExtensionModule(first);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), nullptr);
}

} // namespace
