// Directories: creation with missing parents, removal alone, through the shell or by the
// library's own walk, and the emptiness test.
#include "tuFileSys.h"

#include "common/Boundary.h"

#include "os/OsSupport.h"
#include "os/TreeWalk.h"

#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

using tu::os::Entry;
using tu::os::Found;
using tu::os::Sweep;

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

// A tree that a removal was given, in both forms.
struct Tree {
    std::wstring plain;
    std::wstring extended;
};

// Resolves the caller's path into the tree to remove; false for no path, a device name,
// wildcards, a "." or ".." after the extended prefix, and any spelling of a volume root.
bool ResolveTree(const wchar_t* path, Tree& tree) {
    if (!path || !path[0] || osIsRootDir(path) || osIsReservedFileName(path))
        return false;
    tree.extended = tu::os::ExtendedFullPath(path);
    tree.plain = tu::os::PlainOf(tree.extended);
    return !tree.extended.empty();
}

// Removes the link that a tree's path names, as itself.
bool RemoveTopLink(const std::wstring& extended) {
    Entry link = tu::os::OpenTop(extended, Sweep::FilesOnly, false);
    return link.found == Found::Link && tu::os::DeleteThrough(link.handle.get());
}

// Hands a checked tree (or file) to the shell's delete, which works by name.
bool ShellDelete(const std::wstring& plain, BOOL allowUndo) {
    // The shell takes a list of paths, each terminated, ended by an empty one.
    std::vector<wchar_t> list(plain.begin(), plain.end());
    list.insert(list.end(), 2, L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | (allowUndo ? FOF_ALLOWUNDO : 0);
    return ::SHFileOperationW(&operation) == 0;
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
    // Without memory for the paths, nothing was removed.
    return tu::Guarded(FALSE, [&]() -> BOOL {
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
            tu::os::StepOutOf(current);
        std::wstring extended = tu::os::ExtendedFullPath(fullPath);
        if (extended.empty()) {
            ::SetLastError(ERROR_ACCESS_DENIED); // a volume root is never removed
            return FALSE;
        }
        Entry directory = tu::os::OpenTop(extended, Sweep::Everything, false);
        switch (directory.found) {
        case Found::Directory:
        case Found::Link:
            return tu::os::DeleteThrough(directory.handle.get());
        case Found::File:
            ::SetLastError(ERROR_DIRECTORY);
            return FALSE;
        case Found::Elsewhere:
            ::SetLastError(ERROR_ACCESS_DENIED); // a link kept
            return FALSE;
        default:
            return FALSE; // the system's error of the failed open stays
        }
    });
}

BOOL WINAPI osRemoveDirAndSubDirs(LPCWSTR path, BOOL allowUndo) {
    // Without memory for the paths, nothing was deleted.
    return tu::Guarded(FALSE, [&]() -> BOOL {
        Tree tree;
        // The shell works by name: the path must reach what was checked.
        if (!ResolveTree(path, tree) || !tu::os::InReachByName(tree.extended))
            return FALSE;
        Entry top = tu::os::OpenTop(tree.extended, Sweep::CheckOnly, false);
        // The shell would follow a link: a link is removed as itself instead.
        if (top.found == Found::Link)
            return RemoveTopLink(tree.extended);
        bool checked =
            top.found == Found::File ||
            (top.found == Found::Directory && tu::os::SweepDirectory(top, Sweep::CheckOnly, false));
        top.handle.reset();
        return checked && ShellDelete(tree.plain, allowUndo);
    });
}

BOOL WINAPI osRemoveDirEx(LPCWSTR path, BOOL resetReadOnly, BOOL keepDirectories) {
    // Without memory for the paths, the tree is not all gone.
    return tu::Guarded(FALSE, [&]() -> BOOL {
        // A device's name leads to nothing that could be deleted.
        if (path && path[0] && !osIsRootDir(path) && osIsReservedFileName(path))
            return TRUE;
        Tree tree;
        if (!ResolveTree(path, tree))
            return FALSE;
        Sweep sweep = keepDirectories ? Sweep::FilesOnly : Sweep::Everything;
        Entry top = tu::os::OpenTop(tree.extended, sweep, resetReadOnly != FALSE);
        switch (top.found) {
        case Found::Missing:
            return TRUE; // nothing to delete
        case Found::Directory:
            return tu::os::SweepDirectory(top, sweep, resetReadOnly != FALSE);
        case Found::Link:
            return keepDirectories || tu::os::DeleteThrough(top.handle.get());
        case Found::Unopened:
            return FALSE;
        default:
            // A file, or what a link leads to, holds no files to delete; it is no directory to
            // remove either.
            return keepDirectories;
        }
    });
}

BOOL WINAPI osIsDirEmtpy(LPCWSTR directory) {
    // Not listed for want of memory: emptiness was not seen.
    return tu::Guarded(FALSE, [&]() -> BOOL {
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
    });
}
