// A recording EventLog.dll: prints each call as a "lib: ..." line, and a line of its own when two
// writes are inside it at once. Built a second time without "utlWriteToEventLog".
#include <windows.h>

#include <cstdio>

extern "C" int WINAPI utlInitEventLog(const wchar_t* name, DWORD reserved) {
    std::printf("lib: init %ls %lu\n", name ? name : L"(null)", reserved);
    return 1;
}

#ifndef RECORDING_WITHOUT_WRITE
// Writers inside utlWriteToEventLog right now.
LONG g_writersInside;

// Returns 1000 plus the type, so that callers can see the result handed through.
extern "C" int WINAPI utlWriteToEventLog(WORD type, const wchar_t* text) {
    if (::InterlockedIncrement(&g_writersInside) != 1)
        std::printf("lib: overlapping write\n");
    std::printf("lib: write %u %ls\n", type, text ? text : L"(null)");
    // Stays inside a while, so that a second writer let in too early would be seen.
    for (int i = 0; i < 20; ++i)
        ::SwitchToThread();
    ::InterlockedDecrement(&g_writersInside);
    return 1000 + type;
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        std::printf("lib: load\n");
    else if (reason == DLL_PROCESS_DETACH)
        std::printf("lib: unload\n");
    return TRUE;
}
