// Benchmark of calls into the UI thread: the round trip of a waiting call from a worker against
// a bare PostMessageW + event round trip, and a burst of calls that are not waited for against
// one PostMessageW per call. The main thread is the UI thread and only dispatches messages.
#include "tuUICall.h"

#include "BenchSupport.h"

#include <boost/make_shared.hpp>

#include <atomic>
#include <cstdio>
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
    int warmUp = kWarmUpTrips; // only the first repetition warms up
    const auto [roundTrip, burst] = bench::Compare<2>([&] {
        const bench::Pair trip = MeasureRoundTrips(bare, event, std::exchange(warmUp, 0));
        const bench::Pair rates{
            MeasureBurst([] { utl::CallInUIThread(boost::make_shared<BurstWork>(), 0); }),
            MeasureBurst([bare] { ::PostMessageW(bare, kBareBurst, 0, 0); })};
        return std::array{trip, rates};
    });
    results = {roundTrip, burst};
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
    return 0;
}
