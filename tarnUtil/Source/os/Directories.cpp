// Directories: creation with missing parents, removal alone, through the shell or by the
// library's own walk, and the emptiness test.
#include "tuFileSys.h"

#include "os/OsSupport.h"

#include <shellapi.h>

#include <cwchar>
#include <vector>

namespace {

bool IsDotEntry(const wchar_t* name) {
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

// The parent of a directory path (one trailing backslash ignored); false when the path has no
// backslash left to split at.
bool ParentOf(const wchar_t* path, wchar_t (&parent)[MAX_PATH]) {
    if (!tu::os::CopyPath(parent, path))
        return false;
    osDeleteBackslash(parent);
    wchar_t* lastBackslash = wcsrchr(parent, L'\\');
    if (!lastBackslash)
        return false;
    *lastBackslash = L'\0';
    return true;
}

// The current directory that a removal of fullPath has to step out of: that of the path's drive
// for a drive form, else the process's. No trailing backslash.
bool CurrentDirectoryFor(const wchar_t* fullPath, wchar_t (&current)[MAX_PATH]) {
    wchar_t drive[] = {fullPath[0], L':', L'\0'};
    const wchar_t* relative = fullPath[1] == L':' ? drive : L".";
    if (!osFullPath(current, relative, MAX_PATH))
        return false;
    osDeleteBackslash(current);
    return true;
}

// Makes the parent of current the current directory (a drive's root when current is a
// top-level directory).
void StepOutOf(wchar_t (&current)[MAX_PATH]) {
    wchar_t* lastBackslash = wcsrchr(current, L'\\');
    if (!lastBackslash)
        return;
    *lastBackslash = L'\0';
    osMakeCommdlgDir(current);
    ::SetCurrentDirectoryW(current);
}

// Deletes one file of a tree, first making it writable when asked and it is read-only.
bool RemoveFile(const wchar_t* path, BOOL resetReadOnly) {
    if (resetReadOnly) {
        DWORD attributes = ::GetFileAttributesW(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    }
    return osDeleteFileEx(path) != FALSE;
}

// Deletes everything inside a directory (the directories too unless keepDirectories); true when
// every entry went. A directory that cannot be listed has nothing to delete.
bool RemoveContents(const wchar_t* path, BOOL resetReadOnly, BOOL keepDirectories) {
    bool removed = true;
    WIN32_FIND_DATAW entry;
    tu::os::UniqueFind find(osCreatePath(path, L"*.*"), entry);
    if (!find)
        return true;
    do {
        if (IsDotEntry(entry.cFileName))
            continue;
        CString child = osCreatePath(path, entry.cFileName);
        bool isDirectory = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        bool done = isDirectory ? osRemoveDirEx(child, resetReadOnly, keepDirectories) != FALSE
                                : RemoveFile(child, resetReadOnly);
        removed = removed && done;
    } while (find.Next(entry));
    return removed;
}

} // namespace

BOOL WINAPI osMakeDir(LPCWSTR path) {
    wchar_t directory[MAX_PATH];
    if (!path || osIsReservedFileName(path) || !tu::os::CopyPath(directory, path))
        return FALSE;
    // A bare drive form gains a backslash here, which the copy's limit leaves room for.
    osMakeCommdlgDir(directory);
    return ::CreateDirectoryW(directory, nullptr);
}

BOOL WINAPI osMakeDirEx(LPCWSTR path) {
    if (osMakeDir(path))
        return TRUE;
    wchar_t parent[MAX_PATH];
    if (!ParentOf(path, parent) || !osMakeDirEx(parent))
        return FALSE;
    return osMakeDir(path);
}

BOOL WINAPI osRemoveDir(LPCWSTR path) {
    if (!path || !path[0] || osIsReservedFileName(path))
        return FALSE;
    wchar_t fullPath[MAX_PATH];
    if (!osFullPath(fullPath, path, MAX_PATH))
        return FALSE;
    osDeleteBackslash(fullPath);
    wchar_t current[MAX_PATH];
    if (!CurrentDirectoryFor(fullPath, current))
        return FALSE;
    // The system refuses to remove a directory while it is current.
    if (::lstrcmpiW(fullPath, current) == 0)
        StepOutOf(current);
    osMakeCommdlgDir(fullPath);
    return ::RemoveDirectoryW(fullPath);
}

BOOL WINAPI osRemoveDirAndSubDirs(LPCWSTR path, BOOL allowUndo) {
    // The shell's delete handles names within MAX_PATH only; some versions overrun their own
    // buffers on longer ones, so those are refused here.
    if (!path || !path[0] || osIsRootDir(path) || wcsnlen(path, MAX_PATH) >= MAX_PATH)
        return FALSE;
    // The shell takes a list of paths, each terminated, ended by an empty one.
    std::vector<wchar_t> list(path, path + wcslen(path));
    list.insert(list.end(), 2, L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | (allowUndo ? FOF_ALLOWUNDO : 0);
    return ::SHFileOperationW(&operation) == 0;
}

BOOL WINAPI osRemoveDirEx(LPCWSTR path, BOOL resetReadOnly, BOOL keepDirectories) {
    if (!path || !path[0] || osIsRootDir(path))
        return FALSE;
    if (!osExistsPath(path))
        return TRUE;
    bool removed = RemoveContents(path, resetReadOnly, keepDirectories);
    if (!keepDirectories)
        removed = osRemoveDir(path) && removed;
    return removed;
}

BOOL WINAPI osIsDirEmtpy(LPCWSTR directory) {
    // Without a name there is nothing to list; listing "\*.*" would ask the drive's root.
    if (!directory || !directory[0])
        return TRUE;
    CFileFind finder;
    BOOL more = finder.FindFile(osCreatePath(directory, L"*.*"));
    while (more) {
        more = finder.FindNextFile();
        if (!finder.IsDots())
            return FALSE;
    }
    return TRUE;
}
