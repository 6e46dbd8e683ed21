// The class-library subset, as far as the library relies on it: CString buffers, locks and
// events, window routing, extension-module records.
#include <afxmt.h>
#include <afxwin.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

TEST(CString, BufferWritesEndAtTheTerminatorOrTheGivenLength) {
    CString text(L"abc");
    wcscpy(text.GetBuffer(10), L"0123456");
    text.ReleaseBuffer();
    EXPECT_EQ(text, L"0123456");
    EXPECT_EQ(text.Left(99), L"0123456");
    EXPECT_EQ(text.Left(2), L"01");
    EXPECT_EQ(text.ReverseFind(L'6'), 6);
    EXPECT_EQ(text.ReverseFind(L'x'), -1);
    text.GetBuffer(3);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text, L"01");

    CString empty(static_cast<const wchar_t*>(nullptr));
    empty += static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(SyncObjects, SingleLockReleasesWhatItHoldsAndEventsWake) {
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
    CSingleLock lock(&section);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_TRUE(lock.Lock() && lock.IsLocked());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLocked());

    // An automatic event releases one wait; a manual one stays set.
    CEvent event, manual(FALSE, TRUE);
    EXPECT_EQ(::WaitForSingleObject(event.m_hObject, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    event.SetEvent();
    EXPECT_EQ(::WaitForSingleObject(event.m_hObject, 0), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(event.m_hObject, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    manual.SetEvent();
    EXPECT_TRUE(manual.Lock(0) && manual.Lock(0));
}

// A window object that records the messages it is given and answers WM_USER with a sum.
class RecordingWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool handleUser = true;
    int ncDestroyed = 0;

    bool Create(const wchar_t* className = L"Message") {
        return CreateEx(0, className, L"message_only", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    }

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        seen.push_back(message);
        if (message == WM_USER && handleUser) {
            *result = static_cast<LRESULT>(wParam + lParam);
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
    void PostNcDestroy() override { ++ncDestroyed; }
};

TEST(CWnd, RoutesCreationAndLaterMessagesToOnWndMsg) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    // Attached before the window's first message: creation messages arrive too.
    EXPECT_NE(std::find(wnd.seen.begin(), wnd.seen.end(), static_cast<UINT>(WM_CREATE)),
              wnd.seen.end());
    EXPECT_EQ(::SendMessageW(wnd.m_hWnd, WM_USER, 2, 3), 5);
    ASSERT_TRUE(::PostMessageW(wnd.m_hWnd, WM_USER, 0, 0));
    size_t before = wnd.seen.size();
    EXPECT_TRUE(tutest::PumpMessagesUntil([&] { return wnd.seen.size() > before; }, 2000));
    EXPECT_EQ(wnd.seen.back(), static_cast<UINT>(WM_USER));

    // Unhandled messages reach the window's own procedure (a class that keeps its text).
    RecordingWnd unhandled;
    unhandled.handleUser = false;
    ASSERT_TRUE(unhandled.Create(L"STATIC"));
    ::SetWindowTextW(unhandled.m_hWnd, L"renamed");
    wchar_t text[32] = L"";
    ::GetWindowTextW(unhandled.m_hWnd, text, 32);
    EXPECT_STREQ(text, L"renamed");
    EXPECT_EQ(::SendMessageW(unhandled.m_hWnd, WM_USER, 2, 3), 0);
}

TEST(CWnd, FromHandleLendsATemporaryObjectForAWindowWithout) {
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.Create());
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    HWND bare = ::CreateWindowExW(0, L"Message", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    CWnd* temporary = CWnd::FromHandle(bare);
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(temporary->m_hWnd, bare);
    EXPECT_EQ(CWnd::FromHandle(bare), temporary);
    EXPECT_EQ(CWnd::FromHandlePermanent(bare), nullptr);
    ::DestroyWindow(bare);
}

TEST(CWnd, WindowAndObjectEndTogether) {
    RecordingWnd wnd;
    EXPECT_FALSE(wnd.Create(L"NoSuchClass_tarn"));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    ASSERT_TRUE(wnd.Create());
    HWND window = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.ncDestroyed, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(wnd.DestroyWindow());

    {
        RecordingWnd scoped;
        ASSERT_TRUE(scoped.Create());
        window = scoped.m_hWnd;
        EXPECT_FALSE(scoped.Create()) << "a second window for one object";
    }
    EXPECT_FALSE(::IsWindow(window));

    // An object deleted in another thread leaves its window with no route to it.
    auto* other = new RecordingWnd;
    ASSERT_TRUE(other->Create());
    window = other->m_hWnd;
    std::thread([other] { delete other; }).join();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    ::SendMessageW(window, WM_USER, 1, 1); // reaches the original procedure only
    ::DestroyWindow(window);
}

TEST(ExtensionModule, LibraryObjectsJoinAndLeaveTheChain) {
    AFX_EXTENSION_MODULE first = {}, second = {};
    HMODULE self = ::GetModuleHandleW(nullptr), other = ::GetModuleHandleW(L"kernel32.dll");
    EXPECT_TRUE(AfxInitExtensionModule(first, self) && AfxInitExtensionModule(second, other));
    EXPECT_EQ(first.hResource, self);
    auto* a = new CDynLinkLibrary(first);
    auto* b = new CDynLinkLibrary(second);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), b);
    EXPECT_EQ(b->m_pNextDLL, a);
    EXPECT_EQ(a->m_hResource, self);
    AfxTermExtensionModule(second);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), a);
    AfxTermExtensionModule(first);
    EXPECT_EQ(AfxGetFirstDynLinkLibrary(), nullptr);
}

} // namespace
