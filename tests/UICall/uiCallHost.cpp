// Host for the unload test: makes the executor in the main thread, queues a call from a
// worker, and ends without dispatching; the call object reports when the library drops it.
#include "tuUICall.h"

#include <windows.h>

#include <cstdio>
#include <thread>

namespace {
int g_runs;

void Write(const char* text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written,
                nullptr);
}

class ReportingCall : public utl::CUICall {
public:
    ~ReportingCall() override { Write(g_runs ? "released ran=1\n" : "released ran=0\n"); }
    void Execute() override { ++g_runs; }
};

class NoCall : public utl::CUICall {
public:
    void Execute() override {}
};
} // namespace

int wmain() {
    utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(new NoCall), 0);
    std::thread([] {
        utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(new ReportingCall), 0);
    }).join();
    Write(g_runs ? "queued ran=1\n" : "queued ran=0\n");
    return 0;
}
