// Load time: LoadLibraryW and FreeLibrary of tarnUtil.dll, with every module it brings in loaded
// beforehand, against the baseline library whose attach makes only the platform calls the
// attach sequence needs; then where the time goes, step by step, from the library's timing build.
#include "AttachTimes.h"
#include "BenchSupport.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <vector>

namespace {

constexpr int kLoads = 21; // each figure is the median of this many loads

constexpr wchar_t kLibrary[] = L"tarnUtil.dll";
constexpr wchar_t kTimedLibrary[] = L"tarnUtilTimed.dll";
constexpr wchar_t kBaseline[] = L"loadBaseline.dll";

double Milliseconds(LONGLONG ticks) {
    static const double perMillisecond = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e3;
    }();
    return static_cast<double>(ticks) / perMillisecond;
}

std::set<HMODULE> LoadedModules() {
    std::vector<HMODULE> modules(1024);
    DWORD bytes = 0;
    ::K32EnumProcessModules(::GetCurrentProcess(), modules.data(),
                            DWORD(modules.size() * sizeof(HMODULE)), &bytes);
    return {modules.begin(), modules.begin() + bytes / sizeof(HMODULE)};
}

// Loads the library once and keeps every other module that came with it (its imports and what
// its attach loaded), so that later loads measure the library alone. Its data folders exist
// afterwards, as at every start but the first.
void KeepWhatComesWith(const wchar_t* name) {
    const std::set<HMODULE> before = LoadedModules();
    HMODULE library = ::LoadLibraryW(name);
    if (!library) {
        std::fwprintf(stderr, L"cannot load %ls (error %lu)\n", name, ::GetLastError());
        std::exit(1);
    }
    for (HMODULE module : LoadedModules()) {
        wchar_t path[MAX_PATH];
        if (module != library && !before.count(module) &&
            ::GetModuleFileNameW(module, path, MAX_PATH))
            ::LoadLibraryW(path);
    }
    ::FreeLibrary(library);
}

// One load and free, in counter ticks, with the attach record the module exports (if any).
struct Load {
    LONGLONG start = 0;
    LONGLONG loaded = 0;
    LONGLONG freeTicks = 0;
    loadbench::AttachTimes attach = {};
};

Load LoadAndFree(const wchar_t* name) {
    Load load;
    load.start = loadbench::Counter();
    HMODULE library = ::LoadLibraryW(name);
    load.loaded = loadbench::Counter();
    if (auto* record = reinterpret_cast<const loadbench::AttachTimes*>(
            reinterpret_cast<void*>(::GetProcAddress(library, "tarnAttachTimes"))))
        load.attach = *record;
    const LONGLONG freeing = loadbench::Counter();
    ::FreeLibrary(library);
    load.freeTicks = loadbench::Counter() - freeing;
    return load;
}

double TotalMilliseconds(const Load& load) {
    return Milliseconds(load.loaded - load.start + load.freeTicks);
}

// The median of one figure (in milliseconds) over loads.
template <class Figure> double MedianOf(const std::vector<Load>& loads, Figure figure) {
    std::vector<double> values;
    for (const Load& load : loads)
        values.push_back(figure(load));
    return bench::Median(values);
}

void CompareLoads() {
    std::vector<double> libraryLoads, libraryFrees;
    const auto [times] = bench::Compare<1>([&] {
        std::vector<double> ours, theirs;
        for (int i = 0; i < kLoads; ++i) {
            const Load load = LoadAndFree(kLibrary);
            ours.push_back(TotalMilliseconds(load));
            libraryLoads.push_back(Milliseconds(load.loaded - load.start));
            libraryFrees.push_back(Milliseconds(load.freeTicks));
            theirs.push_back(TotalMilliseconds(LoadAndFree(kBaseline)));
        }
        return std::array{bench::Pair{bench::Median(ours), bench::Median(theirs)}};
    });
    std::printf("load + attach + detach, median of %d each, imports loaded beforehand\n", kLoads);
    std::printf("  %-24s %8.3f ms  (load %.3f, free %.3f)\n", "tarnUtil.dll", times.ours,
                bench::Median(libraryLoads), bench::Median(libraryFrees));
    std::printf("  %-24s %8.3f ms\n", "baseline library", times.theirs);
    bench::PrintRatio(times.ratio, "at most 1.5");
}

// Where the time of a load goes, from the attach records of the timing build and the baseline.
void PrintSteps() {
    std::vector<Load> timed, baseline;
    for (int i = 0; i < kLoads; ++i) {
        timed.push_back(LoadAndFree(kTimedLibrary));
        baseline.push_back(LoadAndFree(kBaseline));
    }
    const char* const stepNames[loadbench::kMarks] = {
        "static objects", "version probe", "INI names and data folders",
        "hook registry",  "locale cache",  "class-library registration",
    };
    std::printf("attach steps, median of %d loads (ms): timing build, baseline\n", kLoads);
    auto row = [&](const char* what, auto figure) {
        std::printf("  %-32s %8.3f %8.3f\n", what, MedianOf(timed, figure),
                    MedianOf(baseline, figure));
    };
    row("loader before static objects",
        [](const Load& l) { return Milliseconds(l.attach.staticsStart - l.start); });
    for (int step = 0; step < loadbench::kMarks; ++step)
        row(stepNames[step], [step](const Load& l) {
            const LONGLONG from = step ? l.attach.marks[step - 1] : l.attach.staticsStart;
            return Milliseconds(l.attach.marks[step] - from);
        });
    row("loader after the entry point", [](const Load& l) {
        return Milliseconds(l.loaded - l.attach.marks[loadbench::kMarks - 1]);
    });
    row("free (detach, static objects)", [](const Load& l) { return Milliseconds(l.freeTicks); });
    row("total", TotalMilliseconds);
}

} // namespace

int wmain() {
    KeepWhatComesWith(kLibrary);
    KeepWhatComesWith(kTimedLibrary);
    KeepWhatComesWith(kBaseline);
    CompareLoads();
    PrintSteps();
    return 0;
}
