// hookCallFirst on a one-hook id, and a walk of a ten-hook chain, against a bare indirect call
// with an uncontended critical section entered and left around the lookup.
#include "tuHooks.h"

#include "BenchSupport.h"

#include <cstdio>

namespace {

const int kCalls = 2000000;

unsigned long CALLBACK Leaf(void* parameter, unsigned long, long) {
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(parameter)) + 1;
}

unsigned long CALLBACK Pass(void* parameter, unsigned long hook, long) {
    return hookCallNext(hook, parameter) + 1;
}

// Nanoseconds per call over one round of `calls` calls.
template <class F> double NanosecondsPerCall(F call, int calls) {
    const double start = bench::Now();
    for (int i = 0; i < calls; ++i)
        call(i);
    return (bench::Now() - start) * 1e9 / calls;
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

    const auto [first, walk] = bench::Compare<2>([&] {
        const double bare = NanosecondsPerCall(
            [](int i) {
                ::EnterCriticalSection(&g_lock);
                HOOKFUNC target = g_target;
                ::LeaveCriticalSection(&g_lock);
                g_sink = target(reinterpret_cast<void*>(static_cast<INT_PTR>(i)), 0, 0);
            },
            kCalls);
        const double one = NanosecondsPerCall(
            [&](int i) {
                g_sink = hookCallFirst(single, reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
            },
            kCalls);
        const double ten = NanosecondsPerCall(
            [&](int i) {
                g_sink = hookCallFirst(chain, reinterpret_cast<void*>(static_cast<INT_PTR>(i)));
            },
            kCalls / 10);
        return std::array{bench::Pair{one, bare}, bench::Pair{ten, bare}};
    });

    std::printf("bare lock + indirect call:   %7.1f ns\n", first.theirs);
    std::printf("hookCallFirst, one hook:     %7.1f ns\n", first.ours);
    bench::PrintRatio(first.ratio, "at most 3");
    std::printf("ten-hook chain walk:         %7.1f ns   (%.1f ns per step)\n", walk.ours,
                walk.ours / 11);
    bench::PrintRatio(walk.ratio);
    return 0;
}
