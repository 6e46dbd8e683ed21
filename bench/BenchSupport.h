// What every benchmark shares: one clock, the fastest of several runs, and comparisons with a
// baseline repeated several times, each ratio reported as its median with its lowest and highest.
//
// Single runs on a shared machine swing by a third, so a benchmark measures the library and its
// baseline back to back in each repetition and reports the ratio of every repetition:
//
//   auto [copy] = bench::Compare<1>([&] {
//       return std::array{bench::Pair{OursPerSecond(), TheirsPerSecond()}};
//   });
//   std::printf("ours %.1f MiB/s, theirs %.1f MiB/s\n", copy.ours, copy.theirs);
//   bench::PrintRatio(copy.ratio, "at least 1");
//   // -> "  ratio 1.12   lowest 1.05, highest 1.30 of 5 repetitions   (aim: at least 1)"
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <vector>

namespace bench {

// The fewest repetitions a reported ratio is the median of.
inline constexpr int kRepetitions = 5;

// Seconds on the performance counter since an arbitrary start.
inline double Now() {
    static const double perSecond = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart);
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / perSecond;
}

// Seconds of the fastest of `runs` calls of `work`.
template <class Work> double BestSeconds(int runs, Work&& work) {
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        const double start = Now();
        work();
        best = std::min(best, Now() - start);
    }
    return best;
}

// The middle value (the upper of the two middle ones for an even count); values is not empty.
inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A ratio over repetitions: its median, lowest and highest, and how many repetitions.
struct Spread {
    double median = 0;
    double lowest = 0;
    double highest = 0;
    int repetitions = 0;
};

inline Spread SpreadOf(const std::vector<double>& values) {
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    return {Median(values), *lowest, *highest, static_cast<int>(values.size())};
}

// One repetition's figure of the library (ours) and of its baseline (theirs), in one unit.
struct Pair {
    double ours = 0;
    double theirs = 0;
};

// A comparison over repetitions: the median of each side's figure and the spread of ours/theirs.
struct Comparison {
    double ours = 0;
    double theirs = 0;
    Spread ratio;
};

// Calls `measure` `repetitions` times (at least kRepetitions); each call returns N pairs
// (std::array<Pair, N>). Returns for each of the N the medians and the spread of the ratio.
template <std::size_t N, class Measure>
std::array<Comparison, N> Compare(Measure&& measure, int repetitions = kRepetitions) {
    repetitions = std::max(repetitions, kRepetitions);
    std::array<std::vector<double>, N> ours, theirs, ratios;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        const std::array<Pair, N> pairs = measure();
        for (std::size_t i = 0; i < N; ++i) {
            ours[i].push_back(pairs[i].ours);
            theirs[i].push_back(pairs[i].theirs);
            ratios[i].push_back(pairs[i].ours / pairs[i].theirs);
        }
    }
    std::array<Comparison, N> comparisons;
    for (std::size_t i = 0; i < N; ++i)
        comparisons[i] = {Median(ours[i]), Median(theirs[i]), SpreadOf(ratios[i])};
    return comparisons;
}

// Prints the ratio's median, lowest and highest on one line, with the aim when there is one.
inline void PrintRatio(const Spread& ratio, const char* aim = nullptr) {
    std::printf("  ratio %.2f   lowest %.2f, highest %.2f of %d repetitions", ratio.median,
                ratio.lowest, ratio.highest, ratio.repetitions);
    if (aim)
        std::printf("   (aim: %s)", aim);
    std::printf("\n");
}

} // namespace bench
