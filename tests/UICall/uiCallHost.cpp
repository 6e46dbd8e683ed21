// Host for the unload test: makes the executor in the main thread, queues a call from a
// worker, and ends without dispatching; the call object reports when the library drops it.
#include "tuUICall.h"

#include <windows.h>

#include <thread>

namespace {
int g_runs;

void Write(const char* text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, nullptr);
}

struct ReportingCall : utl::CUICall {
    explicit ReportingCall(bool report) : report(report) {}
    ~ReportingCall() override {
        if (report)
            Write(g_runs ? "released ran=1\n" : "released ran=0\n");
    }
    void Execute() override { g_runs += report; }
    bool report;
};
} // namespace

int wmain() {
    utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(new ReportingCall(false)), 0);
    std::thread([] {
        utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(new ReportingCall(true)), 0);
    }).join();
    Write(g_runs ? "queued ran=1\n" : "queued ran=0\n");
    return 0;
}
