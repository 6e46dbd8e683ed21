// A recording EventLog.dll for the event-log tests: prints every call it receives as a
// "lib: ..." line on the process's standard output, and a line of its own when two writes
// are inside it at once. Built a second time without "utlWriteToEventLog".
#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {
void Record(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::printf("\n");
    std::fflush(stdout);
}
} // namespace

extern "C" int WINAPI utlInitEventLog(const wchar_t* name, DWORD reserved) {
    Record("lib: init %ls %lu", name ? name : L"(null)", reserved);
    return 1;
}

#ifndef RECORDING_WITHOUT_WRITE
// Writers inside utlWriteToEventLog right now.
LONG g_writersInside;

// Returns 1000 plus the type, so that callers can see the result handed through.
extern "C" int WINAPI utlWriteToEventLog(WORD type, const wchar_t* text) {
    if (::InterlockedIncrement(&g_writersInside) != 1)
        Record("lib: overlapping write");
    Record("lib: write %u %ls", type, text ? text : L"(null)");
    // Stays inside a while, so that a second writer let in too early would be seen.
    for (int i = 0; i < 20; ++i)
        ::SwitchToThread();
    ::InterlockedDecrement(&g_writersInside);
    return 1000 + type;
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        Record("lib: load");
    else if (reason == DLL_PROCESS_DETACH)
        Record("lib: unload");
    return TRUE;
}
