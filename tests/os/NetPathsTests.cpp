// Conversion to network paths against scripted share lists, drive types and network providers
// (the system here lists no shares and maps no drives).
#include "os/NetPlatform.h"

#include "OsTestSupport.h"
#include "TestSupport.h"

#include <winnetwk.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using tutest::Narrow;

struct Share {
    const wchar_t* name;
    DWORD type;
    const wchar_t* folder;
};
struct Portion {
    std::vector<Share> shares;
    NET_API_STATUS status;
};

// What the scripted platform answers, and what it was asked.
struct Script {
    std::vector<Portion> portions;
    UINT driveType = DRIVE_FIXED;
    const wchar_t* remoteName = nullptr; // null: the provider fails
    size_t enumCalls = 0;
    int buffersHeld = 0;
    std::wstring rootAsked;
};
Script g_script;

NET_API_STATUS WINAPI ScriptedShareEnum(LMSTR server, DWORD level, LPBYTE* buffer, DWORD,
                                        LPDWORD read, LPDWORD, LPDWORD) {
    EXPECT_EQ(nullptr, server);
    EXPECT_EQ(502u, level);
    if (g_script.enumCalls >= g_script.portions.size()) {
        ADD_FAILURE() << "enumerated past the last portion";
        return ERROR_NOT_SUPPORTED;
    }
    const Portion& portion = g_script.portions[g_script.enumCalls++];
    auto* shares = new SHARE_INFO_502[portion.shares.size() + 1]();
    for (size_t i = 0; i < portion.shares.size(); ++i) {
        shares[i].shi502_netname = const_cast<LMSTR>(portion.shares[i].name);
        shares[i].shi502_type = portion.shares[i].type;
        shares[i].shi502_path = const_cast<LMSTR>(portion.shares[i].folder);
    }
    *buffer = reinterpret_cast<LPBYTE>(shares);
    *read = static_cast<DWORD>(portion.shares.size());
    ++g_script.buffersHeld;
    return portion.status;
}

NET_API_STATUS WINAPI ScriptedBufferFree(LPVOID buffer) {
    delete[] static_cast<SHARE_INFO_502*>(buffer);
    --g_script.buffersHeld;
    return NERR_Success;
}

UINT WINAPI ScriptedDriveType(LPCWSTR root) {
    g_script.rootAsked = root;
    return g_script.driveType;
}

DWORD WINAPI ScriptedUniversalName(LPCWSTR, DWORD level, LPVOID buffer, LPDWORD size) {
    EXPECT_EQ(static_cast<DWORD>(REMOTE_NAME_INFO_LEVEL), level);
    if (!g_script.remoteName)
        return ERROR_NOT_CONNECTED;
    auto* info = static_cast<REMOTE_NAME_INFOW*>(buffer);
    auto* text = reinterpret_cast<wchar_t*>(info + 1);
    EXPECT_LE(sizeof *info + (wcslen(g_script.remoteName) + 1) * sizeof(wchar_t), *size);
    wcscpy(text, g_script.remoteName);
    *info = {text, nullptr, nullptr};
    return NO_ERROR;
}

BOOL WINAPI ScriptedComputerName(LPWSTR buffer, LPDWORD size) {
    EXPECT_EQ(16u, *size);
    wcscpy(buffer, L"LAB7");
    *size = 4;
    return TRUE;
}

const tu::os::NetPlatform kScripted = {&ScriptedShareEnum, &ScriptedBufferFree, &ScriptedDriveType,
                                       &ScriptedUniversalName, &ScriptedComputerName};

struct Row {
    std::wstring path;
    const wchar_t* expected; // null: FALSE with an empty result
};

// Converts each row's path against a fresh copy of the script; every portion must be released.
void ExpectConversions(const Script& script, const std::vector<Row>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": " << Narrow(rows[i].path));
        g_script = script;
        CString unc(L"stale");
        const BOOL made = tu::os::CvtToUNCPath(rows[i].path.c_str(), unc, kScripted);
        EXPECT_EQ(rows[i].expected != nullptr, made);
        EXPECT_EQ(Narrow(rows[i].expected ? rows[i].expected : L""), Narrow(unc.GetString()));
        EXPECT_EQ(0, g_script.buffersHeld);
    }
}

const std::vector<Share> kShares = {
    {L"C$", STYPE_DISKTREE | STYPE_SPECIAL, L"C:\\"}, // administrative: never used
    {L"IPC$", STYPE_IPC | STYPE_SPECIAL, L""},
    {L"Print", STYPE_PRINTQ, L"C:\\Data\\Spool"},
    {L"Data", STYPE_DISKTREE, L"C:\\Data"},
    {L"Run", STYPE_DISKTREE, L"c:\\data\\RUN\\"},
    {L"Pics", STYPE_DISKTREE, L"D:\\Pics"},
    {L"Pics2", STYPE_DISKTREE, L"d:\\PICS\\"}, // as long as Pics, listed later
};

TEST(UncPath, LocalPathsGoThroughTheClosestDiskShare) {
    Script script;
    script.portions = {{kShares, NERR_Success}};
    // The longest drive path accepted: 257 characters, the most the splitter's parts hold.
    const std::wstring atLimit = ostest::PathOfLength(L"C:\\Data", 253) + L".txt";
    const std::wstring atLimitUnc = L"\\\\LAB7\\Data" + atLimit.substr(7);
    std::vector<Row> rows = {
        {L"C:\\Data\\Run\\img.tif", L"\\\\LAB7\\Run\\img.tif"},
        {L"c:\\DATA\\Other\\Img.TIF", L"\\\\LAB7\\Data\\Other\\Img.TIF"},
        {L"C:\\Data\\Run", L"\\\\LAB7\\Run\\"},
        {L"C:\\Data\\Spool\\x", L"\\\\LAB7\\Data\\Spool\\x\\"},
        {L"C:\\Data\\run.2007", L"\\\\LAB7\\Data\\run.2007"},
        {L"D:\\pics\\a.png", L"\\\\LAB7\\Pics\\a.png"},
        {L"C:\\Windows\\x.txt", nullptr},
        {L"C:", nullptr},
        {L"\\\\srv\\pub\\x", L"\\\\srv\\pub\\x"},
        {L"data\\img.tif", nullptr},
        {L"", nullptr},
        {atLimit, atLimitUnc.c_str()},
    };
    for (size_t length : {259, 300, 1000}) {
        rows.push_back({ostest::PathOfLength(L"C:\\Data", length), nullptr});
        rows.push_back({ostest::PathOfLength(L"C:\\Data", length - 4) + L".txt", nullptr});
    }
    ExpectConversions(script, rows);
}

TEST(UncPath, BestMatchCarriesOverPortionsAndSurvivesAFailedOne) {
    const Share data = {L"Data", STYPE_DISKTREE, L"C:\\Data"};
    const Share run = {L"Run", STYPE_DISKTREE, L"C:\\Data\\Run"};
    const Row inRun = {L"C:\\Data\\Run\\img.tif", L"\\\\LAB7\\Run\\img.tif"};
    const Row inData = {L"C:\\Data\\Run\\img.tif", L"\\\\LAB7\\Data\\Run\\img.tif"};
    Script script;
    script.portions = {{{data}, ERROR_MORE_DATA}, {{}, ERROR_MORE_DATA}, {{run}, NERR_Success}};
    ExpectConversions(script, {inRun});
    script.portions = {{{run}, ERROR_MORE_DATA}, {{data}, NERR_Success}};
    ExpectConversions(script, {inRun});
    // A failed portion ends the search; what it lists is not used.
    script.portions = {{{data}, ERROR_MORE_DATA}, {{run}, ERROR_ACCESS_DENIED}};
    ExpectConversions(script, {inData});
    script.portions = {{{run}, ERROR_NOT_SUPPORTED}};
    ExpectConversions(script, {{inRun.path, nullptr}});
}

TEST(UncPath, MappedDrivesAreNamedByTheirProvider) {
    Script script;
    script.driveType = DRIVE_REMOTE;
    for (const wchar_t* remote : {L"\\\\srv\\pub", L"\\\\srv\\pub\\"}) {
        script.remoteName = remote;
        ExpectConversions(script, {{L"Z:\\Run\\img.tif", L"\\\\srv\\pub\\Run\\img.tif"},
                                   {L"Z:\\Run", L"\\\\srv\\pub\\Run\\"},
                                   {L"Z:", L"\\\\srv\\pub\\"}});
        EXPECT_EQ(L"Z:\\", g_script.rootAsked);
    }
    script.remoteName = nullptr;
    ExpectConversions(script, {{L"Z:\\Run\\img.tif", nullptr}});
    // Removable and RAM drives are local: their shares are searched.
    script.driveType = DRIVE_CDROM;
    script.portions = {{{{L"Disc", STYPE_DISKTREE, L"E:\\"}}, NERR_Success}};
    ExpectConversions(script, {{L"E:\\setup.exe", L"\\\\LAB7\\Disc\\setup.exe"}});
}

} // namespace
