// The event-log front, run in fresh host processes beside a recording EventLog.dll (or none):
// the calls that reach the library, in order, and what the front answers.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// Runs settingsHost.exe with a scenario in a fresh folder; `library` is copied beside it as
// EventLog.dll unless empty. Returns the host's and the library's lines, in order.
std::string RunScenario(const std::wstring& scenario, const std::wstring& library) {
    tutest::TempDir dir;
    for (const wchar_t* module : {L"settingsHost.exe", L"tarnUtil.dll", L"BaseKit.dll"})
        dir.CopyModule(module);
    if (!library.empty())
        dir.CopyModule(library, L"EventLog.dll");
    auto result = tutest::RunProcess(dir / L"settingsHost.exe", scenario, dir.Path());
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;

    std::string lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("host: ", 0) == 0 || line.rfind("lib: ", 0) == 0)
            lines += line + "\n";
    }
    return lines;
}

TEST(EventLogFront, InitsOnceFormatsWritesAndStopsAfterExit) {
    EXPECT_EQ(RunScenario(L"sequence", L"recordingEventLog.dll"),
              "lib: load\n"
              "lib: init first 0\n"
              "host: init first -> 1\n"
              "host: init second -> 1\n" // already initialized: the library hears nothing
              "lib: write 7 basket has 3 items\n"
              "host: write -> 1007\n"
              "lib: unload\n"
              "host: write after exit -> 0\n"
              "lib: load\n"
              "lib: init again 0\n"
              "host: init again -> 1\n"
              "lib: unload\n"
              "lib: load\n"
              "lib: init object 0\n"
              "host: object init -> 1\n"
              "lib: write 3 plain %s text\n"
              "host: object write -> 1003\n"
              "lib: unload\n"); // the object's destruction
}

TEST(EventLogFront, MissingLibraryOrEntryPointMakesEveryCallANoOp) {
    const std::string refused = "host: init -> 0\n"
                                "host: loaded -> 0\n"
                                "host: write -> 0\n";
    EXPECT_EQ(RunScenario(L"refused", L""), refused);
    // Without its write entry the library is released again, its init entry never called.
    const std::string released = "lib: load\nlib: unload\n";
    EXPECT_EQ(RunScenario(L"refused", L"recordingEventLogInitOnly.dll"), released + refused);
}

TEST(EventLogFront, WritersFromSeveralThreadsEnterTheLibraryOneAtATime) {
    std::istringstream lines(RunScenario(L"threads", L"recordingEventLog.dll"));
    int writes = 0;
    std::string line, last;
    while (std::getline(lines, line)) {
        EXPECT_NE(line, "lib: overlapping write");
        writes += line.rfind("lib: write 2 thread ", 0) == 0;
        last = line == "lib: unload" ? last : line;
    }
    EXPECT_EQ(writes, 200);
    EXPECT_EQ(last, "host: results handed through -> 200");
}

} // namespace
