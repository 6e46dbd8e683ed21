// EventLog.dll: registers an event source under the given name and reports messages to it.
#include <windows.h>

namespace {
// Set by utlInitEventLog, closed at unload; the caller serializes every call.
HANDLE g_source;

void CloseSource() {
    if (g_source)
        ::DeregisterEventSource(g_source);
    g_source = nullptr;
}
} // namespace

// Opens the event source named after the program; a later call replaces it.
extern "C" int WINAPI utlInitEventLog(const wchar_t* name, DWORD) {
    CloseSource();
    g_source = ::RegisterEventSourceW(nullptr, name && *name ? name : L"Korvo");
    return g_source != nullptr;
}

// Reports one message with the given event type (EVENTLOG_ERROR_TYPE, ...); nonzero on success.
extern "C" int WINAPI utlWriteToEventLog(WORD type, const wchar_t* text) {
    if (!g_source)
        return 0;
    const wchar_t* strings[] = {text ? text : L""};
    return ::ReportEventW(g_source, type, 0, 0, nullptr, 1, 0, strings, nullptr);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH)
        CloseSource();
    return TRUE;
}
