// Host for the event-log tests, run in a fresh folder with or without an EventLog.dll beside
// it. Prints "host: ..." lines for what the library answered; the recording EventLog.dll
// prints its own "lib: ..." lines on the same output, so the order of both shows.
#include "tuSettings.h"

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <thread>
#include <vector>

namespace {

void Report(const char* what, int result) {
    std::printf("host: %s -> %d\n", what, result);
}

// Init twice, a formatted write, exit, a write after exit, init again; then an object of its
// own, whose text is passed as it is and whose destruction releases the library.
void Sequence() {
    Report("init first", ssnInitEventLog(L"first"));
    Report("init second", ssnInitEventLog(L"second"));
    Report("write", ssnWriteToEventLog(7, L"%s has %d items", L"basket", 3));
    ssnExitEventLog();
    Report("write after exit", ssnWriteToEventLog(7, L"lost"));
    Report("init again", ssnInitEventLog(L"again"));
    ssnExitEventLog();
    utl::CEventLog log;
    Report("object init", log.Init(L"object"));
    Report("object write", log.Write(3, L"plain %s text"));
}

// Init and writes when the library is missing or incomplete, and whether it stayed loaded.
void Refused() {
    Report("init", ssnInitEventLog(L"refused"));
    Report("loaded", ::GetModuleHandleW(L"EventLog.dll") != nullptr);
    Report("write", ssnWriteToEventLog(1, L"nowhere"));
}

// Four threads write 50 times each at once and count the results handed through.
void Threads() {
    ssnInitEventLog(L"threads");
    std::atomic<int> handedThrough{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                handedThrough +=
                    ssnWriteToEventLog(2, L"thread %lu, %d", ::GetCurrentThreadId(), i) == 1002;
        });
    for (std::thread& writer : writers)
        writer.join();
    Report("results handed through", handedThrough);
    ssnExitEventLog();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const wchar_t* scenario = argc > 1 ? argv[1] : L"";
    void (*run)() = wcscmp(scenario, L"sequence") == 0  ? &Sequence
                    : wcscmp(scenario, L"refused") == 0 ? &Refused
                    : wcscmp(scenario, L"threads") == 0 ? &Threads
                                                        : nullptr;
    if (!run)
        return 2;
    run();
    return 0;
}
