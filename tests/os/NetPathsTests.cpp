// Conversion to network paths against scripted share lists, drive types and network providers
// (the system here lists no shares and maps no drives).
#include "OsTestSupport.h"
#include "ScriptedNetPlatform.h"
#include "TestSupport.h"

#include <winnetwk.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using scriptednet::g_script;
using scriptednet::kScripted;
using scriptednet::Script;

SHARE_INFO_502 Share(const wchar_t* name, DWORD type, const wchar_t* folder) {
    SHARE_INFO_502 share = {};
    share.shi502_netname = const_cast<LMSTR>(name);
    share.shi502_type = type;
    share.shi502_path = const_cast<LMSTR>(folder);
    return share;
}

using Row = std::pair<std::wstring, std::wstring>; // path, network path (empty: FALSE)

// Converts each row's path against a fresh copy of the script; every portion must be released.
void ExpectConversions(const Script& script, const std::vector<Row>& rows) {
    for (const auto& [path, expected] : rows) {
        SCOPED_TRACE(tutest::Narrow(path));
        g_script = script;
        CString unc(L"stale");
        EXPECT_EQ(!expected.empty(), tu::os::CvtToUNCPath(path.c_str(), unc, kScripted));
        EXPECT_EQ(tutest::Narrow(expected), tutest::Narrow(unc.GetString()));
        EXPECT_EQ(0, g_script.held);
    }
}

TEST(UncPath, LocalPathsGoThroughTheClosestDiskShare) {
    Script script;
    script.portions = {{{Share(L"C$", STYPE_DISKTREE | STYPE_SPECIAL, L"C:\\"),
                         Share(L"Print", STYPE_PRINTQ, L"C:\\Data\\Spool"),
                         Share(L"Data", STYPE_DISKTREE, L"C:\\Data"),
                         Share(L"Run", STYPE_DISKTREE, L"c:\\data\\RUN\\"),
                         Share(L"Pics", STYPE_DISKTREE, L"D:\\Pics"),
                         Share(L"Pics2", STYPE_DISKTREE, L"d:\\PICS\\")},
                        NERR_Success}};
    // The first of equal length wins (Pics); the longest drive path accepted is 257 characters,
    // the most the splitter's parts hold.
    const std::wstring atLimit = ostest::PathOfLength(L"C:\\Data", 253) + L".txt";
    std::vector<Row> rows = {{L"C:\\Data\\Run\\img.tif", L"\\\\LAB7\\Run\\img.tif"},
                             {L"c:\\DATA\\Other\\Img.TIF", L"\\\\LAB7\\Data\\Other\\Img.TIF"},
                             {L"C:\\Data\\Run", L"\\\\LAB7\\Run\\"},
                             {L"C:\\Data\\Spool\\x", L"\\\\LAB7\\Data\\Spool\\x\\"},
                             {L"C:\\Data\\run.2007", L"\\\\LAB7\\Data\\run.2007"},
                             {L"D:\\pics\\a.png", L"\\\\LAB7\\Pics\\a.png"},
                             {L"\\\\srv\\pub\\x", L"\\\\srv\\pub\\x"},
                             {L"C:\\Windows\\x.txt", L""},
                             {L"data\\img.tif", L""},
                             {L"", L""},
                             {atLimit, L"\\\\LAB7\\Data" + atLimit.substr(7)}};
    for (size_t length : {259, 300, 1000}) {
        rows.push_back({ostest::PathOfLength(L"C:\\Data", length), L""});
        rows.push_back({ostest::PathOfLength(L"C:\\Data", length - 4) + L".txt", L""});
    }
    ExpectConversions(script, rows);
}

TEST(UncPath, BestMatchCarriesOverPortionsAndSurvivesAFailedOne) {
    const SHARE_INFO_502 data = Share(L"Data", STYPE_DISKTREE, L"C:\\Data");
    const SHARE_INFO_502 run = Share(L"Run", STYPE_DISKTREE, L"C:\\Data\\Run");
    const std::wstring path = L"C:\\Data\\Run\\img.tif";
    Script script;
    script.portions = {{{data}, ERROR_MORE_DATA}, {{}, ERROR_MORE_DATA}, {{run}, NERR_Success}};
    ExpectConversions(script, {{path, L"\\\\LAB7\\Run\\img.tif"}});
    script.portions = {{{run}, ERROR_MORE_DATA}, {{data}, NERR_Success}};
    ExpectConversions(script, {{path, L"\\\\LAB7\\Run\\img.tif"}});
    // A failed portion ends the search; what it lists is not used.
    script.portions = {{{data}, ERROR_MORE_DATA}, {{run}, ERROR_ACCESS_DENIED}};
    ExpectConversions(script, {{path, L"\\\\LAB7\\Data\\Run\\img.tif"}});
}

TEST(UncPath, MappedDrivesAreNamedByTheirProvider) {
    Script script;
    script.driveType = DRIVE_REMOTE;
    for (const wchar_t* remote : {L"\\\\srv\\pub", L"\\\\srv\\pub\\"}) {
        script.remoteName = remote;
        ExpectConversions(script, {{L"Z:\\Run\\img.tif", L"\\\\srv\\pub\\Run\\img.tif"},
                                   {L"Z:\\Run", L"\\\\srv\\pub\\Run\\"}});
    }
    script.remoteName = nullptr;
    ExpectConversions(script, {{L"Z:\\Run\\img.tif", L""}});
    // Removable and RAM drives are local: their shares are searched.
    script.driveType = DRIVE_CDROM;
    script.portions = {{{Share(L"Disc", STYPE_DISKTREE, L"E:\\")}, NERR_Success}};
    ExpectConversions(script, {{L"E:\\setup.exe", L"\\\\LAB7\\Disc\\setup.exe"}});
}

} // namespace
