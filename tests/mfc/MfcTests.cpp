// The class-library subset: CString buffers and formatting, locks and events, window routing,
// extension-module records.
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
    wchar_t* buffer = text.GetBuffer(10);
    wcscpy(buffer, L"0123456");
    text.ReleaseBuffer();
    EXPECT_EQ(text, L"0123456");
    text.GetBuffer(3);
    text.ReleaseBuffer(2);
    EXPECT_EQ(text, L"01");
}

TEST(CString, PiecesAreCutToTheText) {
    CString text(L"hello");
    struct Row {
        int first, count;
        const wchar_t* expected;
    } rows[] = {{0, 2, L"he"}, {3, 10, L"lo"}, {-4, 2, L"he"}, {9, 1, L""}, {1, -1, L""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.first);
        EXPECT_EQ(text.Mid(row.first, row.count), row.expected);
    }
    EXPECT_EQ(text.Left(99), L"hello");
    EXPECT_EQ(text.Right(3), L"llo");
    EXPECT_EQ(text.Right(-1), L"");
    EXPECT_EQ(text.Find(L'l'), 2);
    EXPECT_EQ(text.ReverseFind(L'l'), 3);
    EXPECT_EQ(text.Find(L"xyz"), -1);
}

TEST(CString, FormatUsesWideConventionsAndGrows) {
    CString text;
    text.Format(L"%s=%d", L"width", 42);
    EXPECT_EQ(text, L"width=42");
    std::wstring longArg(5000, L'x');
    text.Format(L"[%s]", longArg.c_str());
    EXPECT_EQ(text.GetLength(), 5002);
}

TEST(CString, NullTextsReadAsEmpty) {
    CString text(static_cast<const wchar_t*>(nullptr));
    EXPECT_TRUE(text.IsEmpty());
    text += static_cast<const wchar_t*>(nullptr);
    EXPECT_EQ(text, static_cast<const wchar_t*>(nullptr));
}

TEST(SyncObjects, SingleLockReleasesWhatItHolds) {
    CCriticalSection section;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                CSingleLock lock(&section, TRUE);
                ++counter;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 40000);

    CSingleLock lock(&section);
    EXPECT_FALSE(lock.IsLocked());
    EXPECT_TRUE(lock.Lock());
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_TRUE(lock.Unlock());
    EXPECT_FALSE(lock.IsLocked());
}

TEST(SyncObjects, AutomaticEventReleasesOneWait) {
    CEvent event;
    EXPECT_EQ(::WaitForSingleObject(event.m_hObject, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    event.SetEvent();
    EXPECT_EQ(::WaitForSingleObject(event.m_hObject, 0), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(event.m_hObject, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    CEvent manual(FALSE, TRUE);
    manual.SetEvent();
    EXPECT_TRUE(manual.Lock(0));
    EXPECT_TRUE(manual.Lock(0));
}

// A window object that records the messages it is given.
class RecordingWnd : public CWnd {
public:
    std::vector<UINT> seen;
    bool handleUser = true;
    int ncDestroyed = 0;

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

bool CreateMessageWindow(CWnd& wnd, const wchar_t* className = L"Message") {
    return wnd.CreateEx(0, className, L"message_only", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

TEST(CWnd, RoutesCreationAndLaterMessagesToOnWndMsg) {
    RecordingWnd wnd;
    ASSERT_TRUE(CreateMessageWindow(wnd));
    ASSERT_NE(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    // Attached before the window's first message: creation messages arrive too.
    ASSERT_FALSE(wnd.seen.empty());
    EXPECT_NE(std::find(wnd.seen.begin(), wnd.seen.end(), static_cast<UINT>(WM_CREATE)),
              wnd.seen.end());

    EXPECT_EQ(::SendMessageW(wnd.m_hWnd, WM_USER, 2, 3), 5);
    ASSERT_TRUE(::PostMessageW(wnd.m_hWnd, WM_USER, 0, 0));
    size_t before = wnd.seen.size();
    EXPECT_TRUE(tutest::PumpMessagesUntil([&] { return wnd.seen.size() > before; }, 2000));
    EXPECT_EQ(wnd.seen.back(), static_cast<UINT>(WM_USER));
}

TEST(CWnd, UnhandledMessagesReachTheWindowsOwnProcedure) {
    RecordingWnd wnd;
    wnd.handleUser = false;
    ASSERT_TRUE(CreateMessageWindow(wnd, L"STATIC")); // a class that keeps its text
    ::SetWindowTextW(wnd.m_hWnd, L"renamed");
    wchar_t text[32] = L"";
    ::GetWindowTextW(wnd.m_hWnd, text, 32);
    EXPECT_STREQ(text, L"renamed");
    EXPECT_EQ(::SendMessageW(wnd.m_hWnd, WM_USER, 2, 3), 0);
}

TEST(CWnd, DestroyingTheWindowDetachesTheObject) {
    RecordingWnd wnd;
    ASSERT_TRUE(CreateMessageWindow(wnd));
    HWND window = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.ncDestroyed, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(wnd.DestroyWindow());
}

TEST(CWnd, DestroyingTheObjectDestroysItsWindow) {
    HWND window;
    {
        RecordingWnd wnd;
        ASSERT_TRUE(CreateMessageWindow(wnd));
        window = wnd.m_hWnd;
        EXPECT_FALSE(CreateMessageWindow(wnd)) << "a second window for one object";
    }
    EXPECT_FALSE(::IsWindow(window));
}

TEST(CWnd, ObjectDestroyedInAnotherThreadLeavesNoDanglingRoute) {
    auto* wnd = new RecordingWnd;
    ASSERT_TRUE(CreateMessageWindow(*wnd));
    HWND window = wnd->m_hWnd;
    std::thread([wnd] { delete wnd; }).join();
    ASSERT_TRUE(::IsWindow(window));
    EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
    ::SendMessageW(window, WM_USER, 1, 1); // reaches the original procedure only
    ::DestroyWindow(window);
}

TEST(CWnd, UnknownClassFails) {
    RecordingWnd wnd;
    EXPECT_FALSE(wnd.CreateEx(0, L"NoSuchClass_tarn", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(ExtensionModule, LibraryObjectsJoinAndLeaveTheChain) {
    AFX_EXTENSION_MODULE first = {}, second = {};
    HMODULE self = ::GetModuleHandleW(nullptr);
    HMODULE other = ::GetModuleHandleW(L"kernel32.dll");
    EXPECT_TRUE(AfxInitExtensionModule(first, self));
    EXPECT_TRUE(AfxInitExtensionModule(second, other));
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
