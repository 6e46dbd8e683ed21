// A table of platform calls for the network-path conversion that answers from a script (the
// system here lists no shares and maps no drives): share lists in portions with their statuses,
// a drive type and a network provider's name. Shared by the tests and the fuzz target.
#pragma once

#include "os/NetPlatform.h"

#include <winnetwk.h>

#include <cwchar>
#include <vector>

namespace scriptednet {

// One answer of the share enumeration: the shares it lists and its status.
struct Portion {
    std::vector<SHARE_INFO_502> shares;
    NET_API_STATUS status;
};

// What the scripted platform answers, and the portions it handed out and got back.
struct Script {
    std::vector<Portion> portions;
    UINT driveType = DRIVE_FIXED;
    const wchar_t* remoteName = nullptr; // null: the provider fails
    size_t next = 0;
    int held = 0; // portions handed out and not yet released
};
inline Script g_script;

// Asked past the script's end, or at another level, it refuses: the caller counts what it asked.
inline NET_API_STATUS WINAPI ShareEnum(LMSTR, DWORD level, LPBYTE* buffer, DWORD, LPDWORD read,
                                       LPDWORD, LPDWORD) {
    if (level != 502 || g_script.next == g_script.portions.size())
        return ERROR_INVALID_LEVEL;
    Portion& portion = g_script.portions[g_script.next++];
    *buffer = portion.shares.empty() ? nullptr : reinterpret_cast<LPBYTE>(portion.shares.data());
    g_script.held += *buffer != nullptr;
    *read = static_cast<DWORD>(portion.shares.size());
    return portion.status;
}
inline NET_API_STATUS WINAPI BufferFree(LPVOID) {
    --g_script.held;
    return NERR_Success;
}
inline UINT WINAPI DriveType(LPCWSTR) {
    return g_script.driveType;
}
inline DWORD WINAPI UniversalName(LPCWSTR, DWORD, LPVOID buffer, LPDWORD) {
    if (!g_script.remoteName)
        return ERROR_NOT_CONNECTED;
    *static_cast<REMOTE_NAME_INFOW*>(buffer) = {const_cast<LPWSTR>(g_script.remoteName), nullptr,
                                                nullptr};
    return NO_ERROR;
}
inline BOOL WINAPI ComputerName(LPWSTR buffer, LPDWORD size) {
    *size = static_cast<DWORD>(wcslen(wcscpy(buffer, L"LAB7")));
    return TRUE;
}
inline const tu::os::NetPlatform kScripted = {&ShareEnum, &BufferFree, &DriveType, &UniversalName,
                                              &ComputerName};

} // namespace scriptednet
