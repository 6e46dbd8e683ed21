// Demo of the operating-system functions: a local path in network form, a shortcut made and
// resolved, the Windows version the program sees and the library's file version.
#include "Demo.h"

#include "os/NetPlatform.h"
#include "tuFileSys.h"

#include <objbase.h>
#include <winnetwk.h>

#include <string>

namespace {

const char* YesNo(BOOL value) {
    return value ? "yes" : "no";
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return temp;
}

// One share, "Reports", on the temporary folder; everything else from the system.
NET_API_STATUS WINAPI ListReportsShare(LMSTR, DWORD, LPBYTE* buffer, DWORD, LPDWORD read, LPDWORD,
                                       LPDWORD) {
    static std::wstring folder = TempFolder();
    static SHARE_INFO_502 share = {};
    share.shi502_netname = const_cast<LMSTR>(L"Reports");
    share.shi502_type = STYPE_DISKTREE;
    share.shi502_path = folder.data();
    *buffer = reinterpret_cast<LPBYTE>(&share);
    *read = 1;
    return NERR_Success;
}
NET_API_STATUS WINAPI KeepStatic(LPVOID) {
    return NERR_Success;
}

void ShowNetworkPath() {
    const CString local = osCreatePath(TempFolder().c_str(), L"q4\\summary.txt");
    CString unc;
    if (osCvtToUNCPath(local, unc)) {
        std::printf("%ls\n  as network path: %ls\n", local.GetString(), unc.GetString());
        return;
    }
    LPBYTE shares = nullptr;
    DWORD read = 0, total = 0;
    const NET_API_STATUS status =
        ::NetShareEnum(nullptr, 502, &shares, MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    if (shares)
        ::NetApiBufferFree(shares);
    std::printf("%ls\n  in no share the system lists (share list status %lu); through a scripted "
                "share \"Reports\" on the temporary folder instead:\n",
                local.GetString(), status);
    const tu::os::NetPlatform scripted = {&ListReportsShare, &KeepStatic, &::GetDriveTypeW, nullptr,
                                          &::GetComputerNameW};
    tu::os::CvtToUNCPath(local, unc, scripted);
    std::printf("  as network path: %ls\n", unc.GetString());
}

void ShowShortcut() {
    ::CoInitialize(nullptr);
    wchar_t self[MAX_PATH];
    osGetModuleFileName(nullptr, self, MAX_PATH);
    const std::wstring link = TempFolder() + L"tarnDemo.lnk";
    std::printf("shortcut %ls made: %s\n", link.c_str(),
                YesNo(osCreateShortcut(self, link.c_str(), L"The demo")));
    wchar_t target[MAX_PATH] = L"";
    const BOOL resolved = osResolveShortcut(nullptr, link.c_str(), target, MAX_PATH);
    std::printf("  resolved: %s, to %ls\n", YesNo(resolved), target);
    ::DeleteFileW(link.c_str());
    ::CoUninitialize();
}

void ShowVersions() {
    OSVERSIONINFOW seen = {};
    seen.dwOSVersionInfoSize = sizeof seen;
    ::GetVersionExW(&seen);
    std::printf("Windows %lu.%lu build %lu: NT %s, 2000 %s/%s, XP %s/%s, Vista %s/%s "
                "(exactly/or later)\n",
                seen.dwMajorVersion, seen.dwMinorVersion, seen.dwBuildNumber, YesNo(osIsNT()),
                YesNo(osIsWin2000(FALSE)), YesNo(osIsWin2000(TRUE)), YesNo(osIsWinXP(FALSE)),
                YesNo(osIsWinXP(TRUE)), YesNo(osIsWinVista(FALSE)), YesNo(osIsWinVista(TRUE)));
    DWORD high = 0, low = 0;
    const BOOL read = osGetVersionInfo(L"tarnUtil.dll", &high, &low);
    std::printf("tarnUtil.dll file version: %s %u.%u.%u.%u\n", read ? "read," : "none found,",
                HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low));
}

} // namespace

void ShowOs() {
    DemoSection("Network paths, shortcuts and versions");
    ShowNetworkPath();
    ShowShortcut();
    ShowVersions();
}
