// Benchmark of calls into the UI thread: the round trip of a waiting call from a worker against
// a bare PostMessageW + event round trip, and a burst of calls that are not waited for against
// one PostMessageW per call. The main thread is the UI thread and only dispatches messages.
#include "tuUICall.h"

#include <boost/make_shared.hpp>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

const int kRoundTrips = 2000;
const int kBurstCalls = 10000;
const int kBursts = 5;
const UINT kBareRoundTrip = WM_USER;
const UINT kBareBurst = WM_USER + 1;

std::atomic<int> g_burstRuns{0};
HANDLE g_burstDone;

double NowMicroseconds() {
    static const double perSecond = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1e6 / perSecond;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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
    double libraryRoundTrip = 0;
    double bareRoundTrip = 0;
    double libraryBurst = 0;
    double bareBurst = 0;
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

// Alternates the two round trips, and which goes first, so that both see the same conditions
// (the one that follows the other finds the UI thread still awake).
void MeasureRoundTrips(HWND bare, Results& results) {
    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<double> library, baseline;
    for (int i = 0; i < kRoundTrips + 100; ++i) {
        double libraryTime, bareTime;
        if (i % 2) {
            libraryTime = LibraryRoundTrip();
            bareTime = BareRoundTrip(bare, event);
        } else {
            bareTime = BareRoundTrip(bare, event);
            libraryTime = LibraryRoundTrip();
        }
        if (i >= 100) { // the first ones warm up
            library.push_back(libraryTime);
            baseline.push_back(bareTime);
        }
    }
    ::CloseHandle(event);
    results.libraryRoundTrip = Median(library);
    results.bareRoundTrip = Median(baseline);
}

// Calls per second from the first call until the UI thread has run the last one.
template <class Send> double MeasureBurst(Send send) {
    std::vector<double> rates;
    for (int burst = 0; burst < kBursts; ++burst) {
        g_burstRuns = 0;
        double start = NowMicroseconds();
        for (int i = 0; i < kBurstCalls; ++i)
            send();
        ::WaitForSingleObject(g_burstDone, INFINITE);
        rates.push_back(kBurstCalls / ((NowMicroseconds() - start) / 1e6));
    }
    return Median(rates);
}

void Measure(HWND bare, DWORD uiThread, Results& results) {
    MeasureRoundTrips(bare, results);
    results.libraryBurst =
        MeasureBurst([] { utl::CallInUIThread(boost::make_shared<BurstWork>(), 0); });
    results.bareBurst = MeasureBurst([bare] { ::PostMessageW(bare, kBareBurst, 0, 0); });
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

    std::printf("waiting call from a worker, round trip (median of %d):\n", kRoundTrips);
    std::printf("  CallInUIThread:          %8.1f us\n", results.libraryRoundTrip);
    std::printf("  PostMessageW + event:    %8.1f us\n", results.bareRoundTrip);
    std::printf("  ratio library/bare:      %8.2f  (aim: at most 1.3)\n",
                results.libraryRoundTrip / results.bareRoundTrip);
    std::printf("burst of %d calls not waited for (median of %d bursts):\n", kBurstCalls, kBursts);
    std::printf("  CallInUIThread:          %10.0f calls/s\n", results.libraryBurst);
    std::printf("  one PostMessageW a call: %10.0f calls/s\n", results.bareBurst);
    std::printf("  ratio library/bare:      %8.1f  (aim: at least 50)\n",
                results.libraryBurst / results.bareBurst);
    return 0;
}
