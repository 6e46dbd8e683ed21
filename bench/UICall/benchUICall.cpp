// Benchmark of calls into the UI thread: the round trip of a waiting call from a worker against
// a bare PostMessageW + event round trip, and a burst of calls that are not waited for against
// one PostMessageW per call and against a bare hand-off to another thread. The main thread is
// the UI thread and only dispatches messages.
#include "tuUICall.h"

#include "BenchSupport.h"

#include <boost/make_shared.hpp>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

const int kRoundTrips = 400; // in each repetition
const int kWarmUpTrips = 100;
const int kBurstCalls = 10000;
const UINT kBareRoundTrip = WM_USER;
const UINT kBareBurst = WM_USER + 1;

std::atomic<int> g_burstRuns{0};
HANDLE g_burstDone;

double NowMicroseconds() {
    return bench::Now() * 1e6;
}

void CountBurstRun() {
    if (++g_burstRuns == kBurstCalls)
        ::SetEvent(g_burstDone);
}

class NoWork : public utl::CUICall {
public:
    void Execute() override {}
};

class BurstWork : public utl::CUICall {
public:
    void Execute() override { CountBurstRun(); }
};

// The baseline's window: a round-trip message signals the event in wParam, a burst message
// counts one run.
LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kBareRoundTrip) {
        ::SetEvent(reinterpret_cast<HANDLE>(wParam));
        return 0;
    }
    if (message == kBareBurst) {
        CountBurstRun();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// The honest limit of a cross-thread hand-off: call objects queued under a mutex for a thread
// that wakes on an event, takes the whole queue at once and runs it; like the library, only the
// push that makes the queue non-empty wakes it.
class HandOff {
public:
    HandOff()
        : m_wake(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_thread([this] { Run(); }) {}
    ~HandOff() {
        Push(nullptr); // the empty call stops the thread
        m_thread.join();
        ::CloseHandle(m_wake);
    }
    void Push(boost::shared_ptr<utl::CUICall> call) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_queue.push_back(std::move(call));
        if (m_queue.size() == 1)
            ::SetEvent(m_wake);
    }

private:
    void Run() {
        std::vector<boost::shared_ptr<utl::CUICall>> batch;
        for (;;) {
            ::WaitForSingleObject(m_wake, INFINITE);
            {
                std::lock_guard<std::mutex> guard(m_lock);
                batch.swap(m_queue);
            }
            for (auto& call : batch) {
                if (!call)
                    return;
                call->Execute();
            }
            batch.clear();
        }
    }

    HANDLE m_wake;
    std::mutex m_lock;
    std::vector<boost::shared_ptr<utl::CUICall>> m_queue;
    std::thread m_thread;
};

HWND CreateBareWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &BareProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"benchBare";
    ::RegisterClassW(&windowClass);
    return ::CreateWindowExW(0, L"benchBare", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
}

struct Results {
    bench::Comparison roundTrip; // microseconds
    bench::Comparison burst;     // calls per second
    bench::Comparison handOff;   // nanoseconds a call
};

double LibraryRoundTrip() {
    double start = NowMicroseconds();
    utl::CallInUIThread(boost::make_shared<NoWork>(), INFINITE);
    return NowMicroseconds() - start;
}

double BareRoundTrip(HWND bare, HANDLE event) {
    double start = NowMicroseconds();
    ::PostMessageW(bare, kBareRoundTrip, reinterpret_cast<WPARAM>(event), 0);
    ::WaitForSingleObject(event, INFINITE);
    return NowMicroseconds() - start;
}

// Median round trips of the library and the baseline, in microseconds. Alternates the two, and
// which goes first, so that both see the same conditions (the one that follows the other finds
// the UI thread still awake).
bench::Pair MeasureRoundTrips(HWND bare, HANDLE event, int warmUp) {
    std::vector<double> library, baseline;
    for (int i = 0; i < kRoundTrips + warmUp; ++i) {
        double libraryTime, bareTime;
        if (i % 2) {
            libraryTime = LibraryRoundTrip();
            bareTime = BareRoundTrip(bare, event);
        } else {
            bareTime = BareRoundTrip(bare, event);
            libraryTime = LibraryRoundTrip();
        }
        if (i >= warmUp) {
            library.push_back(libraryTime);
            baseline.push_back(bareTime);
        }
    }
    return {bench::Median(library), bench::Median(baseline)};
}

// Calls per second from the first call of a burst until the UI thread has run the last one.
template <class Send> double MeasureBurst(Send send) {
    g_burstRuns = 0;
    double start = bench::Now();
    for (int i = 0; i < kBurstCalls; ++i)
        send();
    ::WaitForSingleObject(g_burstDone, INFINITE);
    return kBurstCalls / (bench::Now() - start);
}

void Measure(HWND bare, DWORD uiThread, Results& results) {
    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HandOff handOff;
    int warmUp = kWarmUpTrips; // only the first repetition warms up
    const auto [roundTrip, burst, perCall] = bench::Compare<3>([&] {
        const bench::Pair trip = MeasureRoundTrips(bare, event, std::exchange(warmUp, 0));
        const double ours =
            MeasureBurst([] { utl::CallInUIThread(boost::make_shared<BurstWork>(), 0); });
        const double posted = MeasureBurst([bare] { ::PostMessageW(bare, kBareBurst, 0, 0); });
        const double handedOff =
            MeasureBurst([&] { handOff.Push(boost::make_shared<BurstWork>()); });
        return std::array{trip, bench::Pair{ours, posted},
                          bench::Pair{1e9 / ours, 1e9 / handedOff}};
    });
    results = {roundTrip, burst, perCall};
    ::CloseHandle(event);
    ::PostThreadMessageW(uiThread, WM_QUIT, 0, 0);
}

} // namespace

int wmain() {
    // The first call, made here, gives the executor's window to this (the UI) thread.
    utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(new NoWork), 0);
    HWND bare = CreateBareWindow();
    g_burstDone = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);

    Results results;
    std::thread worker(&Measure, bare, ::GetCurrentThreadId(), std::ref(results));
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    worker.join();

    std::printf("waiting call from a worker, round trip (median of %d in each repetition):\n",
                kRoundTrips);
    std::printf("  CallInUIThread:          %8.1f us\n", results.roundTrip.ours);
    std::printf("  PostMessageW + event:    %8.1f us\n", results.roundTrip.theirs);
    bench::PrintRatio(results.roundTrip.ratio, "at most 1.3");
    std::printf("burst of %d calls not waited for:\n", kBurstCalls);
    std::printf("  CallInUIThread:          %10.0f calls/s\n", results.burst.ours);
    std::printf("  one PostMessageW a call: %10.0f calls/s\n", results.burst.theirs);
    bench::PrintRatio(results.burst.ratio, "at least 50");
    std::printf("the same burst, time a call:\n");
    std::printf("  CallInUIThread:          %8.1f ns\n", results.handOff.ours);
    std::printf("  mutex queue + event:     %8.1f ns\n", results.handOff.theirs);
    bench::PrintRatio(results.handOff.ratio, "at most 2");
    return 0;
}
