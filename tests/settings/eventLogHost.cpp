// Host for the event-log tests, run in a fresh folder with or without an EventLog.dll beside
// it. Prints "host: ..." lines for what the library answered; the recording EventLog.dll
// prints its own "lib: ..." lines on the same output, so the order of both shows.
#include "tuSettings.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

void Report(const char* what, int result) {
    std::printf("host: %s -> %d\n", what, result);
}

// Init twice, a formatted write, exit, a write after exit, init again.
void Sequence() {
    Report("init first", ssnInitEventLog(L"first"));
    Report("init second", ssnInitEventLog(L"second"));
    Report("write", ssnWriteToEventLog(7, L"%s has %d items", L"basket", 3));
    ssnExitEventLog();
    Report("write after exit", ssnWriteToEventLog(7, L"lost"));
    Report("init again", ssnInitEventLog(L"again"));
    ssnExitEventLog();
}

// Init and a write when the library is missing or incomplete; whether it stayed loaded.
void Refused() {
    Report("init", ssnInitEventLog(L"refused"));
    Report("loaded", ::GetModuleHandleW(L"EventLog.dll") != nullptr);
    Report("write", ssnWriteToEventLog(1, L"nowhere"));
    utl::CEventLog log;
    Report("object init", log.Init(L"refused"));
    Report("object write", log.Write(1, L"nowhere"));
}

// An object of its own: the text is passed as it is, and destruction releases the library.
void Object() {
    utl::CEventLog log;
    Report("object init", log.Init(L"object"));
    Report("object write", log.Write(3, L"plain %s text"));
}

const int kThreads = 4;
const int kWritesPerThread = 50;

DWORD WINAPI WriteMany(LPVOID) {
    DWORD handedThrough = 0;
    for (int i = 0; i < kWritesPerThread; ++i)
        handedThrough +=
            ssnWriteToEventLog(2, L"thread %lu write %d", ::GetCurrentThreadId(), i) == 1002;
    return handedThrough;
}

// Several threads writing at once.
void Threads() {
    Report("init", ssnInitEventLog(L"threads"));
    std::vector<HANDLE> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.push_back(::CreateThread(nullptr, 0, &WriteMany, nullptr, 0, nullptr));
    int handedThrough = 0;
    for (HANDLE thread : threads) {
        ::WaitForSingleObject(thread, INFINITE);
        DWORD count = 0;
        ::GetExitCodeThread(thread, &count);
        handedThrough += static_cast<int>(count);
        ::CloseHandle(thread);
    }
    Report("results handed through", handedThrough);
    ssnExitEventLog();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const wchar_t* scenario = argc > 1 ? argv[1] : L"";
    if (wcscmp(scenario, L"sequence") == 0)
        Sequence();
    else if (wcscmp(scenario, L"refused") == 0)
        Refused();
    else if (wcscmp(scenario, L"object") == 0)
        Object();
    else if (wcscmp(scenario, L"threads") == 0)
        Threads();
    else
        return 2;
    return 0;
}
