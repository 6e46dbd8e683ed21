// Directories: creation with missing parents, removal alone, through the shell or by the
// library's own walk, and the emptiness test.
#include "tuFileSys.h"

#include "os/OsSupport.h"

#include <shellapi.h>

#include <cwchar>
#include <string>
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

constexpr wchar_t kExtendedPrefix[] = L"\\\\?\\";
constexpr wchar_t kExtendedUncPrefix[] = L"\\\\?\\UNC\\";
constexpr wchar_t kDevicePrefix[] = L"\\\\.\\";

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// A link (junction, symbolic link or any other reparse point): removed as itself, never
// listed or entered, so that a removal stays inside the tree it was given.
bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDirectory(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when a component of the text is "." or "..".
bool HasDotComponent(const std::wstring& text) {
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\\', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring component = text.substr(start, end - start);
        if (component == L"." || component == L"..")
            return true;
        start = end + 1;
    }
    return false;
}

// A path in the extended form back in its plain form; other paths as they are.
std::wstring PlainOf(const std::wstring& path) {
    if (StartsWith(path, kExtendedUncPrefix))
        return L"\\\\" + path.substr(wcslen(kExtendedUncPrefix));
    if (StartsWith(path, kExtendedPrefix))
        return path.substr(wcslen(kExtendedPrefix));
    return path;
}

// The full path of a caller's tree without the extended prefix and without trailing
// backslashes; empty when it cannot be had. A path written with the extended prefix is taken
// literally (the system does not expand it) but may not step up with "..".
std::wstring PlainFullPath(const wchar_t* path) {
    std::wstring text = PlainOf(path);
    if (text == path) {
        DWORD needed = ::GetFullPathNameW(path, 0, nullptr, nullptr);
        if (needed == 0)
            return {};
        text.assign(needed, L'\0');
        DWORD length = ::GetFullPathNameW(path, needed, &text[0], nullptr);
        text.resize(length < needed ? length : 0);
    }
    if (StartsWith(text, kDevicePrefix) || HasDotComponent(text) ||
        text.find_first_of(L"*?") != std::wstring::npos)
        return {};
    while (!text.empty() && text.back() == L'\\')
        text.pop_back();
    return text;
}

// True when a plain full path names a folder inside a volume: "X:\" or "\\server\share\"
// and at least one more component. Everything else names a volume or a share itself (also
// "\\?\Volume{...}" and the like) and is never removed.
bool IsInsideVolume(const std::wstring& plain) {
    if (plain.size() > 3 && plain[1] == L':' && plain[2] == L'\\')
        return true;
    if (!StartsWith(plain, L"\\\\"))
        return false;
    size_t share = plain.find(L'\\', 2);
    return share != std::wstring::npos && plain.find(L'\\', share + 1) != std::wstring::npos;
}

// The extended form of a plain full path, which reaches entries named like devices and paths
// longer than MAX_PATH.
std::wstring ExtendedOf(const std::wstring& plain) {
    if (StartsWith(plain, L"\\\\"))
        return kExtendedUncPrefix + plain.substr(2);
    return kExtendedPrefix + plain;
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
    tree.plain = PlainFullPath(path);
    if (!IsInsideVolume(tree.plain))
        return false;
    tree.extended = ExtendedOf(tree.plain);
    return true;
}

// Removes a link itself; what it points to is never touched. The link is opened as itself
// and marked for deletion only when the opened object is the reparse point: a system that
// resolves the link on opening (Wine shows Unix symbolic links as reparse points but opens and
// removes their targets) gets no deletion, and the link stays.
bool RemoveLink(const std::wstring& path) {
    tu::UniqueHandle link(::CreateFileW(
        path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_ATTRIBUTE_TAG_INFO opened = {};
    if (!link ||
        !::GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &opened, sizeof opened))
        return false;
    if (!IsLink(opened.FileAttributes))
        return false;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(link.get(), FileDispositionInfo, &disposition,
                                        sizeof disposition) != FALSE;
}

// Removes one directory of a tree (extended form), first stepping out of it when it is the
// process's current directory: the system refuses to remove a current directory.
bool RemoveTreeDirectory(const std::wstring& extended) {
    wchar_t current[MAX_PATH];
    if (::GetCurrentDirectoryW(MAX_PATH, current) < MAX_PATH) {
        osDeleteBackslash(current);
        if (::lstrcmpiW(PlainOf(extended).c_str(), current) == 0)
            StepOutOf(current);
    }
    return ::RemoveDirectoryW(extended.c_str()) != FALSE;
}

// What a walk through a tree deletes besides the links, which always go.
enum class Sweep { Everything, FilesOnly, LinksOnly };

struct Walk {
    Sweep sweep;
    BOOL resetReadOnly;
};

// Deletes one file of a tree, first making it writable when asked and it is read-only.
bool RemoveFile(const std::wstring& path, DWORD attributes, BOOL resetReadOnly) {
    if (resetReadOnly && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) != FALSE;
}

bool SweepDirectory(const std::wstring& directory, const Walk& walk);

bool SweepEntry(const std::wstring& path, DWORD attributes, const Walk& walk) {
    if (IsLink(attributes))
        return RemoveLink(path);
    if (IsDirectory(attributes))
        return SweepDirectory(path, walk);
    return walk.sweep == Sweep::LinksOnly || RemoveFile(path, attributes, walk.resetReadOnly);
}

// Deletes what the walk asks for inside a directory (extended form); true when all of it went,
// also when the directory cannot be listed. Every child is walked whatever its name.
bool SweepContents(const std::wstring& directory, const Walk& walk) {
    WIN32_FIND_DATAW entry;
    tu::UniqueFind find(::FindFirstFileW((directory + L"\\*").c_str(), &entry));
    if (!find)
        return true;
    bool removed = true;
    do {
        if (!IsDotEntry(entry.cFileName))
            removed =
                SweepEntry(directory + L"\\" + entry.cFileName, entry.dwFileAttributes, walk) &&
                removed;
    } while (::FindNextFileW(find.get(), &entry));
    return removed;
}

bool SweepDirectory(const std::wstring& directory, const Walk& walk) {
    bool removed = SweepContents(directory, walk);
    if (walk.sweep == Sweep::Everything)
        removed = RemoveTreeDirectory(directory) && removed;
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

BOOL WINAPI osRemoveDirAndSubDirs(LPCWSTR path, BOOL allowUndo) try {
    Tree tree;
    // The shell's delete handles names within MAX_PATH only; some versions overrun their own
    // buffers on longer ones, so those are refused here.
    if (!ResolveTree(path, tree) || tree.plain.size() >= MAX_PATH)
        return FALSE;
    DWORD attributes = tu::os::QuietAttributes(tree.extended.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsDirectory(attributes))
        return FALSE;
    if (IsLink(attributes))
        return RemoveLink(tree.extended);
    // The shell follows links: they are removed first, and a tree whose links stay is refused.
    if (!SweepContents(tree.extended, Walk{Sweep::LinksOnly, FALSE}))
        return FALSE;
    // The shell takes a list of paths, each terminated, ended by an empty one.
    std::vector<wchar_t> list(tree.plain.begin(), tree.plain.end());
    list.insert(list.end(), 2, L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.data();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | (allowUndo ? FOF_ALLOWUNDO : 0);
    return ::SHFileOperationW(&operation) == 0;
} catch (...) {
    return FALSE; // no memory for the paths: nothing was deleted
}

BOOL WINAPI osRemoveDirEx(LPCWSTR path, BOOL resetReadOnly, BOOL keepDirectories) try {
    Tree tree;
    if (!ResolveTree(path, tree))
        return FALSE;
    DWORD attributes = tu::os::QuietAttributes(tree.extended.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return TRUE; // nothing to delete
    if (!IsDirectory(attributes))
        return FALSE;
    if (IsLink(attributes))
        return keepDirectories || RemoveLink(tree.extended);
    Walk walk{keepDirectories ? Sweep::FilesOnly : Sweep::Everything, resetReadOnly};
    return SweepDirectory(tree.extended, walk);
} catch (...) {
    return FALSE; // no memory for the paths: the tree is not all gone
}

BOOL WINAPI osIsDirEmtpy(LPCWSTR directory) try {
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
} catch (...) {
    return FALSE; // not listed for want of memory: emptiness was not seen
}
