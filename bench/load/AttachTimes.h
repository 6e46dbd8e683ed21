// The record of attach times that the library's timing build and the baseline library export as
// "tarnAttachTimes"; the load benchmark reads it before it frees the library.
#pragma once

#include <windows.h>

namespace loadbench {

// The entry point reached, then the ends of the probe, the INI names with the data folders, the
// hook registry, the locale cache and the class-library registration.
inline constexpr int kMarks = 6;

// Performance-counter readings.
struct AttachTimes {
    LONGLONG staticsStart;  // the module's first static object is being made
    LONGLONG marks[kMarks]; // zero where a module has no such step
};

inline LONGLONG Counter() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

} // namespace loadbench

// Each module that keeps the record defines it; the benchmark finds it by name.
extern "C" __declspec(dllexport) loadbench::AttachTimes tarnAttachTimes;

// Made before any other static object of the module, so that it marks where their work begins.
#define LOADBENCH_STATICS_START                                                                    \
    namespace {                                                                                    \
    struct StaticsStart {                                                                          \
        StaticsStart() { tarnAttachTimes.staticsStart = loadbench::Counter(); }                    \
    } g_staticsStart __attribute__((init_priority(101)));                                          \
    }
