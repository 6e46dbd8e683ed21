// The platform calls behind the conversion of local paths to network paths, gathered in one
// table: the library passes the system's own, tests pass scripted shares, drives and names.
#pragma once

#include "common/WindowsSupport.h"

#include <afx.h>

#include <lm.h>

namespace tu::os {

struct NetPlatform {
    // NetShareEnum: a portion of the computer's shares (freed with bufferFree).
    NET_API_STATUS(WINAPI* shareEnum)
    (LMSTR server, DWORD level, LPBYTE* buffer, DWORD preferredLength, LPDWORD read, LPDWORD total,
     LPDWORD resume);
    // NetApiBufferFree.
    NET_API_STATUS(WINAPI* bufferFree)(LPVOID buffer);
    // GetDriveTypeW, asked with the drive's root ("C:\").
    UINT(WINAPI* driveType)(LPCWSTR root);
    // WNetGetUniversalNameW, asked with the drive's root at REMOTE_NAME_INFO_LEVEL.
    DWORD(WINAPI* universalName)(LPCWSTR localPath, DWORD level, LPVOID buffer, LPDWORD size);
    // GetComputerNameW.
    BOOL(WINAPI* computerName)(LPWSTR buffer, LPDWORD size);
};

// osCvtToUNCPath on the given platform calls.
BOOL CvtToUNCPath(const CString& path, CString& unc, const NetPlatform& platform);

} // namespace tu::os
