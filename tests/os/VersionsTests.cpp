// Operating-system version tests in fresh hosts under Wine's per-program Windows versions, and
// file versions of test modules with and without a version resource.
#include "tuFileSys.h"

#include "OsTestSupport.h"
#include "TestSupport.h"
#include "common/WindowsSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Runs the version host under a name of its own, for which Wine reports the given version.
std::string RunVersionHostAs(const std::wstring& wineVersion) {
    const std::wstring exe = L"verhost_" + wineVersion + L".exe";
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + exe;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Version", REG_SZ, wineVersion.c_str(),
                      static_cast<DWORD>((wineVersion.size() + 1) * sizeof(wchar_t)));
    tutest::TempDir dir;
    dir.CopyModule(L"versionHost.exe", exe);
    tutest::ProcessResult result = tutest::RunProcess(dir / exe, L"", dir.Path());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_EQ(0u, result.exitCode);
    return result.output;
}

TEST(OsVersion, TestsFollowTheVersionSeenAtLoad) {
    // Answers: NT, then exact and or-later for 2000, XP and Vista (any 6.x is Vista exactly).
    using Row = std::pair<const wchar_t*, std::string>;
    const Row rows[] = {
        {L"win98", "os=4.10 nt=0 2k=00 xp=00 vista=00"},
        {L"win2k", "os=5.0 nt=1 2k=11 xp=00 vista=00"},
        {L"winxp", "os=5.1 nt=1 2k=01 xp=11 vista=00"},
        {L"win2003", "os=5.2 nt=1 2k=01 xp=00 vista=00"},
        {L"vista", "os=6.0 nt=1 2k=01 xp=01 vista=11"},
        {L"win8", "os=6.2 nt=1 2k=01 xp=01 vista=11"},
    };
    // The host's own version, 3.4.5.6, is read from its file once, then from the cache.
    const std::string exeTwice = " exe=1:30004.50006 reads=1 exe=1:30004.50006 reads=1";
    for (const auto& [wineVersion, expected] : rows)
        EXPECT_EQ(RunVersionHostAs(wineVersion).substr(0, expected.size() + exeTwice.size()),
                  expected + exeTwice);
}

TEST(FileVersion, ReadsByNamePathAndStringId) {
    const tu::UniqueModule versioned(
        ::LoadLibraryW((tutest::BinDir() + L"\\osVersioned.dll").c_str()));
    const tu::UniqueModule unversioned(
        ::LoadLibraryW((tutest::BinDir() + L"\\osUnversioned.dll").c_str()));
    ASSERT_TRUE(versioned.get() && unversioned.get());
    const std::wstring unloaded = tutest::BinDir() + L"\\versionHost.exe";
    const std::wstring tooLong = ostest::PathOfLength(tutest::BinDir(), 300);
    using Row = std::tuple<LPCWSTR, HMODULE, BOOL, DWORD, DWORD>; // file, module, read, high, low
    const Row rows[] = {
        {L"osVersioned.dll", nullptr, TRUE, 0x00060002, 0x04D20005}, // loaded module
        {unloaded.c_str(), nullptr, TRUE, 0x00030004, 0x00050006},   // a file on disk
        {MAKEINTRESOURCEW(1), versioned.get(), TRUE, 0x00060002, 0x04D20005},
        {L"osUnversioned.dll", nullptr, FALSE, 0, 0},
        {MAKEINTRESOURCEW(1), unversioned.get(), FALSE, 0, 0},
        {MAKEINTRESOURCEW(99), versioned.get(), FALSE, 0, 0}, // no such string
        {L"no-such-module.dll", nullptr, FALSE, 0, 0},
        {tooLong.c_str(), nullptr, FALSE, 0, 0},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const auto& [file, module, read, high, low] = rows[i];
        DWORD readHigh = 0xdeadbeef, readLow = 0xdeadbeef;
        const BOOL answer = osGetVersionInfo(file, &readHigh, &readLow, module);
        EXPECT_EQ(std::make_tuple(answer, readHigh, readLow), std::make_tuple(read, high, low));
        // Neither half: only whether there is version information.
        EXPECT_EQ(read, osGetVersionInfo(file, nullptr, nullptr, module));
    }
}

} // namespace
