// Host for fresh-process tests of the executor. No argument: a worker queues a call, and the
// process ends without dispatching. "call", "hook": a worker makes the first cross-thread call that
// way while the main thread pumps; "no-window": the same, but the main thread refuses windows;
// "listener": listeners that never forwarded anything end, and the main thread pumps.
#include "ExecutorWindow.h"
#include "TestSupport.h"
#include "tuHooks.h"
#include "tuUICall.h"

#include <BaseKit/TestDrive.h>

#include <boost/make_shared.hpp>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {
int g_runs;
const DWORD kMainThread = ::GetCurrentThreadId();

void Write(const char* text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, nullptr);
}

// Records in which thread it ran.
struct WhereCall : utl::CUICall {
    explicit WhereCall(std::string& where) : where(where) {}
    void Execute() override { where += ::GetCurrentThreadId() == kMainThread ? "ui " : "worker "; }
    std::string& where;
};

// Says, when the library releases it, whether it ran.
struct ReportingCall : utl::CUICall {
    ~ReportingCall() override { Write(g_runs ? "released ran=1\n" : "released ran=0\n"); }
    void Execute() override { ++g_runs; }
};

int RunUnloadCase() {
    std::string where;
    utl::CallInUIThread(boost::make_shared<WhereCall>(where), 0); // the window, in this thread
    std::thread([] { utl::CallInUIThread(boost::make_shared<ReportingCall>(), 0); }).join();
    Write(g_runs ? "queued ran=1\n" : "queued ran=0\n");
    return 0;
}

unsigned long CALLBACK ReportThread(void*) {
    return ::GetCurrentThreadId();
}

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    return code == HCBT_CREATEWND ? 1 : ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The first call (waited for, or a chain call in the UI thread), then one not waited for and
// one waited for: what each returned and reported, and where the calls ran.
std::string FirstCallsFromWorker(bool hookFirst) {
    std::string where, results;
    if (hookFirst)
        results = hookCallFirstInUI(13400, nullptr) == kMainThread ? "hook=ui " : "hook=other ";
    auto timeouts = hookFirst ? std::vector<unsigned long>{0, INFINITE}
                              : std::vector<unsigned long>{INFINITE, 0, INFINITE};
    for (unsigned long timeout : timeouts) {
        bk::ClearLastErrorRecord();
        results +=
            utl::CallInUIThread(boost::make_shared<WhereCall>(where), timeout) ? "true" : "false";
        bk::tErrorRecord e;
        if (bk::GetLastErrorRecord(e))
            results += "(" + std::to_string(e.line) + "," + std::to_string(e.code) + ")";
        results += " ";
    }
    return results + "ran: " + where + "\n";
}

// A worker makes the first calls while this thread, the UI thread, pumps.
int RunFirstCallFromWorker(bool hookFirst, bool refuseWindows) {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the UI thread has its message queue
    hookSet(13400, reinterpret_cast<void*>(&ReportThread), HOOKF_PARAMONLY, 0);
    if (refuseWindows)
        ::SetWindowsHookExW(WH_CBT, &RefuseWindows, nullptr, ::GetCurrentThreadId());
    std::string report;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        report = FirstCallsFromWorker(hookFirst);
        done = true;
    });
    if (!tutest::PumpMessagesUntil([&] { return done.load(); }, 20000))
        ::ExitProcess(1); // the worker is still blocked
    worker.join();
    Write(report.c_str());
    return 0;
}

int RunListenerEnds() {
    struct Quiet : utl::CUIListener {
        void WorkUI(unsigned int, unsigned int, boost::any const&) override {}
    };
    { Quiet here; }
    std::thread([] { Quiet there; }).join();
    tutest::PumpMessagesUntil([] { return false; }, 200);
    Write(tutest::ExecutorWindow() ? "window\n" : "no window\n");
    return 0;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode.empty())
        return RunUnloadCase();
    if (mode == L"listener")
        return RunListenerEnds();
    return RunFirstCallFromWorker(mode == L"hook", mode == L"no-window");
}
