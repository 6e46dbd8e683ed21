// hookCallFirst on a one-hook id, and a walk of a ten-hook chain, against a bare indirect call
// with an uncontended critical section entered and left around the lookup.
#include "tuHooks.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace {

const int kCalls = 2000000;
const int kRounds = 5;

unsigned long CALLBACK Leaf(void* parameter, unsigned long, long) {
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(parameter)) + 1;
}

unsigned long CALLBACK Pass(void* parameter, unsigned long hook, long) {
    return hookCallNext(hook, parameter) + 1;
}

double Now() {
    LARGE_INTEGER counter, frequency;
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

// Best of several rounds, in nanoseconds per call.
template <class F> double NanosecondsPerCall(F call, int calls) {
    double best = 1e30;
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        for (int i = 0; i < calls; ++i)
            call(i);
        best = std::min(best, (Now() - start) * 1e9 / calls);
    }
    return best;
}

CRITICAL_SECTION g_lock;
HOOKFUNC volatile g_target = &Leaf;
unsigned long volatile g_sink;

} // namespace

int wmain() {
    ::InitializeCriticalSection(&g_lock);
    const unsigned single = 13500, chain = 13501;
    hookSet(single, reinterpret_cast<void*>(&Leaf), 0, 0);
    hookSetDefault(chain, reinterpret_cast<void*>(&Leaf), 0);
    for (int i = 0; i < 10; ++i)
        hookSet(chain, reinterpret_cast<void*>(&Pass), 0, 0);

    double bare = NanosecondsPerCall(
        [](int i) {
            ::EnterCriticalSection(&g_lock);
            HOOKFUNC target = g_target;
            ::LeaveCriticalSection(&g_lock);
            g_sink = target(reinterpret_cast<void*>(static_cast<INT_PTR>(i)), 0, 0);
        },
        kCalls);
    double first = NanosecondsPerCall(
        [&](int i) {
            g_sink = hookCallFirst(single, reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
        },
        kCalls);
    double walk = NanosecondsPerCall(
        [&](int i) {
            g_sink = hookCallFirst(chain, reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
        },
        kCalls / 10);

    std::printf("bare lock + indirect call:   %7.1f ns\n", bare);
    std::printf("hookCallFirst, one hook:     %7.1f ns   ratio %.2f (aim <= 3)\n", first,
                first / bare);
    std::printf("ten-hook chain walk:         %7.1f ns   ratio %.2f (%.1f ns per step)\n", walk,
                walk / bare, walk / 11);
    return 0;
}
