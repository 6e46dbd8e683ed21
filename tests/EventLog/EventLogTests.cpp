// The EventLog.dll stand-in: undecorated exports, init before writes, writes reported.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

typedef int(WINAPI* InitFn)(const wchar_t*, DWORD);
typedef int(WINAPI* WriteFn)(WORD, const wchar_t*);

template <class Fn> Fn Bind(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

TEST(EventLogLibrary, WritesOnlyAfterInit) {
    HMODULE library = ::LoadLibraryW(L"EventLog.dll");
    ASSERT_NE(library, nullptr);
    auto init = Bind<InitFn>(library, "utlInitEventLog");
    auto write = Bind<WriteFn>(library, "utlWriteToEventLog");
    ASSERT_NE(init, nullptr);
    ASSERT_NE(write, nullptr);

    EXPECT_EQ(write(EVENTLOG_INFORMATION_TYPE, L"before init"), 0);
    EXPECT_NE(init(L"tarnUtil tests", 0), 0);
    EXPECT_NE(write(EVENTLOG_INFORMATION_TYPE, L"an event"), 0);
    EXPECT_NE(write(EVENTLOG_ERROR_TYPE, nullptr), 0);
    EXPECT_TRUE(::FreeLibrary(library));
}

} // namespace
