// The EventLog.dll stand-in: undecorated exports, init before writes, writes reported.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

template <class Fn> Fn Bind(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

TEST(EventLogLibrary, WritesOnlyAfterInit) {
    HMODULE library = ::LoadLibraryW(L"EventLog.dll");
    ASSERT_NE(library, nullptr);
    auto init = Bind<int(WINAPI*)(const wchar_t*, DWORD)>(library, "utlInitEventLog");
    auto write = Bind<int(WINAPI*)(WORD, const wchar_t*)>(library, "utlWriteToEventLog");
    ASSERT_TRUE(init && write);
    EXPECT_EQ(write(EVENTLOG_INFORMATION_TYPE, L"before init"), 0);
    EXPECT_NE(init(L"tarnUtil tests", 0), 0);
    EXPECT_NE(write(EVENTLOG_INFORMATION_TYPE, L"an event"), 0);
    EXPECT_NE(write(EVENTLOG_ERROR_TYPE, nullptr), 0);
    EXPECT_TRUE(::FreeLibrary(library));
}

} // namespace
