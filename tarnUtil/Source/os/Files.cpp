// Files: existence and access tests guarded against device names, file information and size,
// free disk space, deletion and the current directory.
#include "tuFileSys.h"

#include "common/Boundary.h"

#include "os/OsSupport.h"
#include "os/TreeWalk.h"

#include <fcntl.h>
#include <io.h>

#include <cwchar>
#include <string>

namespace {

// Keeps the system's missing-disk dialog away from the calling thread while it lives. The
// thread's own error mode is switched, so that other threads never see it changed.
class NoCriticalErrorBox {
public:
    NoCriticalErrorBox() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &m_previous); }
    ~NoCriticalErrorBox() { ::SetThreadErrorMode(m_previous, nullptr); }
    NoCriticalErrorBox(const NoCriticalErrorBox&) = delete;
    NoCriticalErrorBox& operator=(const NoCriticalErrorBox&) = delete;

private:
    DWORD m_previous = 0;
};

// The attributes of a path that names no device, INVALID_FILE_ATTRIBUTES when it cannot be
// read or names a device.
DWORD GuardedAttributes(const wchar_t* path) {
    if (!path || osIsReservedFileName(path))
        return INVALID_FILE_ATTRIBUTES;
    return tu::os::QuietAttributes(path);
}

bool IsFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Free space is asked of the volume root: the first "\" from the third character on ends it,
// and a UNC path ends with a backslash.
void VolumeRootOf(wchar_t* copy) {
    if (osIsUNCPath(copy)) {
        osAppendBackslash(copy);
        return;
    }
    if (wcslen(copy) < 3)
        return;
    if (wchar_t* backslash = wcschr(copy + 2, L'\\'))
        backslash[1] = L'\0';
}

} // namespace

DWORD tu::os::QuietAttributes(const wchar_t* path) {
    NoCriticalErrorBox noBox;
    return ::GetFileAttributesW(path);
}

BOOL WINAPI osExistsFile(LPCWSTR path) {
    return IsFile(GuardedAttributes(path));
}

BOOL WINAPI osExistsDir(LPCWSTR path) {
    DWORD attributes = GuardedAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL WINAPI osExistsPath(LPCWSTR path) {
    return GuardedAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI osReadableFile(LPCWSTR path) {
    if (!IsFile(GuardedAttributes(path)))
        return FALSE;
    int file = _wopen(path, _O_RDONLY);
    if (file == -1)
        return FALSE;
    _close(file);
    return TRUE;
}

BOOL WINAPI osGetAccess(LPCWSTR path, int mode) {
    // The runtime treats other modes and a null path as invalid parameters, which may end the
    // process; they are answered here instead.
    bool knownMode = mode == 0 || mode == 2 || mode == 4 || mode == 6;
    return path && knownMode && _waccess(path, mode) == 0;
}

BOOL WINAPI osGetFileInformation(LPCWSTR path, WIN32_FIND_DATAW& info) {
    if (!path)
        return FALSE;
    WIN32_FIND_DATAW found;
    tu::UniqueFind find(::FindFirstFileW(path, &found));
    if (!find)
        return FALSE;
    info = found;
    return TRUE;
}

LONGLONG WINAPI osGetFileSize(LPCWSTR path) {
    WIN32_FIND_DATAW info;
    if (!osGetFileInformation(path, info))
        return -1;
    return (static_cast<LONGLONG>(info.nFileSizeHigh) << 32) + info.nFileSizeLow;
}

LONGLONG WINAPI osGetDiskFreeSpace(LPCWSTR path) {
    if (!path)
        return 0;
    // 258 characters leave room for the backslash of a UNC path and the terminator.
    wchar_t copy[MAX_PATH];
    tu::os::CopyPathCut(copy, MAX_PATH - 1, path);
    VolumeRootOf(copy);
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExW(copy, &available, nullptr, nullptr))
        return 0;
    return static_cast<LONGLONG>(available.QuadPart);
}

BOOL WINAPI osDeleteFileEx(LPCWSTR path) {
    // Without memory for the paths, nothing was deleted.
    return tu::Guarded(FALSE, [&]() -> BOOL {
        using tu::os::Found;
        if (!path || osIsReservedFileName(path))
            return FALSE;
        std::wstring extended = tu::os::ExtendedFullPath(path);
        if (extended.empty()) {
            ::SetLastError(ERROR_INVALID_NAME);
            return FALSE;
        }
        tu::os::Entry file = tu::os::OpenTop(extended, tu::os::Sweep::FilesOnly, false);
        if (file.found == Found::Missing || file.found == Found::Unopened)
            return FALSE; // the system's error of the failed open stays
        // A directory, a link to one, and what a link leads to are not deleted here.
        bool isFile = file.found == Found::File ||
                      (file.found == Found::Link && !(file.attributes & FILE_ATTRIBUTE_DIRECTORY));
        if (!isFile) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return tu::os::DeleteThrough(file.handle.get());
    });
}

BOOL WINAPI osChDriveDir(LPCWSTR path) {
    if (!path || osIsReservedFileName(path))
        return FALSE;
    return ::SetCurrentDirectoryW(path);
}
