// Conversion to network paths against scripted share lists, drive types and network providers
// (the system here lists no shares and maps no drives).
#include "os/NetPlatform.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <winnetwk.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One answer of the share enumeration: the shares it lists and its status.
using Portion = std::pair<std::vector<SHARE_INFO_502>, NET_API_STATUS>;

// What the scripted platform answers, and the portions it handed out and got back.
struct Script {
    std::vector<Portion> portions;
    UINT driveType = DRIVE_FIXED;
    const wchar_t* remoteName = nullptr; // null: the provider fails
    size_t next = 0;
    int held = 0; // portions handed out and not yet released
};
Script g_script;

NET_API_STATUS WINAPI ScriptedShareEnum(LMSTR, DWORD level, LPBYTE* buffer, DWORD, LPDWORD read,
                                        LPDWORD, LPDWORD) {
    if (level != 502 || g_script.next == g_script.portions.size())
        return ERROR_INVALID_LEVEL;
    auto& [shares, status] = g_script.portions[g_script.next++];
    *buffer = reinterpret_cast<LPBYTE>(shares.data());
    g_script.held += *buffer != nullptr;
    *read = static_cast<DWORD>(shares.size());
    return status;
}
NET_API_STATUS WINAPI ScriptedBufferFree(LPVOID) {
    --g_script.held;
    return NERR_Success;
}
UINT WINAPI ScriptedDriveType(LPCWSTR) {
    return g_script.driveType;
}
DWORD WINAPI ScriptedUniversalName(LPCWSTR, DWORD, LPVOID buffer, LPDWORD) {
    if (!g_script.remoteName)
        return ERROR_NOT_CONNECTED;
    *static_cast<REMOTE_NAME_INFOW*>(buffer) = {const_cast<LPWSTR>(g_script.remoteName), nullptr,
                                                nullptr};
    return NO_ERROR;
}
BOOL WINAPI ScriptedComputerName(LPWSTR buffer, LPDWORD size) {
    *size = static_cast<DWORD>(wcslen(wcscpy(buffer, L"LAB7")));
    return TRUE;
}
const tu::os::NetPlatform kScripted = {&ScriptedShareEnum, &ScriptedBufferFree, &ScriptedDriveType,
                                       &ScriptedUniversalName, &ScriptedComputerName};

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
