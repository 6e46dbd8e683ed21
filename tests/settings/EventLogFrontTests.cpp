// The event-log front, run in fresh host processes beside a recording EventLog.dll (or none):
// the calls that reach the library, in order, and what the front answers.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Lines;

// Runs eventLogHost.exe with a scenario in a fresh folder; `library` is copied beside it as
// EventLog.dll unless empty. Returns the host's and the library's lines, in order.
Lines RunScenario(const std::wstring& scenario, const std::wstring& library) {
    tutest::TempDir dir;
    for (const wchar_t* module : {L"eventLogHost.exe", L"tarnUtil.dll", L"BaseKit.dll"})
        dir.CopyModule(module);
    if (!library.empty())
        dir.CopyModule(library, L"EventLog.dll");
    tutest::ProcessResult result =
        tutest::RunProcess(dir / L"eventLogHost.exe", scenario, dir.Path());
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;

    Lines lines;
    std::istringstream in(result.output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("host: ", 0) == 0 || line.rfind("lib: ", 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

void ExpectLines(const Lines& got, const Lines& expected) {
    for (size_t i = 0; i < expected.size() || i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i < got.size() ? got[i] : "(missing)",
                  i < expected.size() ? expected[i] : "(none)");
    }
}

TEST(EventLogFront, InitsOnceFormatsWritesAndStopsAfterExit) {
    ExpectLines(RunScenario(L"sequence", L"recordingEventLog.dll"),
                {
                    "lib: load",
                    "lib: init first 0",
                    "host: init first -> 1",
                    "host: init second -> 1", // already initialized: the library hears nothing
                    "lib: write 7 basket has 3 items",
                    "host: write -> 1007",
                    "lib: unload",
                    "host: write after exit -> 0",
                    "lib: load",
                    "lib: init again 0",
                    "host: init again -> 1",
                    "lib: unload",
                });
}

TEST(EventLogFront, MissingLibraryMakesEveryCallANoOp) {
    ExpectLines(RunScenario(L"refused", L""), {
                                                  "host: init -> 0",
                                                  "host: loaded -> 0",
                                                  "host: write -> 0",
                                                  "host: object init -> 0",
                                                  "host: object write -> 0",
                                              });
}

TEST(EventLogFront, LibraryWithoutWriteEntryIsReleasedUncalled) {
    ExpectLines(RunScenario(L"refused", L"recordingEventLogInitOnly.dll"),
                {
                    "lib: load",
                    "lib: unload",
                    "host: init -> 0",
                    "host: loaded -> 0",
                    "host: write -> 0",
                    "lib: load",
                    "lib: unload",
                    "host: object init -> 0",
                    "host: object write -> 0",
                });
}

TEST(EventLogFront, ObjectPassesTextAsGivenAndReleasesOnDestruction) {
    ExpectLines(RunScenario(L"object", L"recordingEventLog.dll"), {
                                                                      "lib: load",
                                                                      "lib: init object 0",
                                                                      "host: object init -> 1",
                                                                      "lib: write 3 plain %s text",
                                                                      "host: object write -> 1003",
                                                                      "lib: unload",
                                                                  });
}

TEST(EventLogFront, WritersFromSeveralThreadsEnterTheLibraryOneAtATime) {
    Lines lines = RunScenario(L"threads", L"recordingEventLog.dll");
    int writes = 0;
    for (const std::string& line : lines) {
        EXPECT_NE(line, "lib: overlapping write");
        writes += line.rfind("lib: write 2 thread ", 0) == 0;
    }
    EXPECT_EQ(writes, 200);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[lines.size() - 2], "host: results handed through -> 200");
    EXPECT_EQ(lines.back(), "lib: unload");
}

} // namespace
