// File system: path strings (form tests, backslash edits, joins, full and long names, module
// paths), files and directories (existence, size, free space, creation and removal), network
// paths, shortcuts, and the operating-system and file versions.
// Threads: any thread, unlocked; osChDriveDir and the removals change the process's current folder.
#pragma once

#include "tuExport.h"

#include <afx.h>

#include <windows.h>

// Paths are null-terminated UTF-16 strings; the backslash is the only separator (a forward
// slash is an ordinary character). Sizes count characters including the terminator. Functions
// that copy a path into a working buffer take paths of up to 259 characters (MAX_PATH - 1).
// A null path is treated as no path: form tests answer false, edits leave nothing to edit.

// ---- Path strings ----------------------------------------------------------------------

// True for a drive-absolute path (second and third characters ":\") or one starting with
// two backslashes.
//   C:\x -> true    \\server\share -> true    C:x -> false    \x -> false    "" -> false
TARNUTIL_API BOOL WINAPI osIsAbsPath(LPCWSTR path);

// True when the path starts with two backslashes.
//   \\server\share -> true    \\ -> true    \x -> false    C:\ -> false
TARNUTIL_API BOOL WINAPI osIsUNCPath(LPCWSTR path);

// True for the text "\\" alone, for a bare drive form "C:" and for a drive root "C:\".
//   \\ -> true    C: -> true    C:\ -> true    C:\x -> false    \\server -> false    C -> false
TARNUTIL_API BOOL WINAPI osIsRootDir(LPCWSTR path);

// True when a component of the path (case-insensitive, up to a dot, a backslash or the end)
// is a reserved device name: con prn ept nul aux clock$ com1-com4 lpt1-lpt9. The whole path is
// examined, however long, so a device name past the 259th character is found too.
//   CON.txt -> true    c:\data\aux -> true    c:\con\file -> true    Clock$ -> true
//   icon.txt -> false  con1 -> false    c:con -> false    c:/nul -> false    C:\COM5 -> false
TARNUTIL_API BOOL WINAPI osIsReservedFileName(LPCWSTR path);

// Appends one backslash unless the text is empty or already ends with one; the caller's
// buffer must hold one more character. Always TRUE.
//   C: -> C:\    C:\dir -> C:\dir\    C:\dir\ -> C:\dir\    "" -> ""
TARNUTIL_API BOOL WINAPI osAppendBackslash(LPWSTR path);

// A new string: the argument with one backslash appended, unless it is empty or already ends
// with one (then the argument unchanged); an empty string when memory for it is short.
//   C:\dir -> C:\dir\    C:\dir\ -> C:\dir\    "" -> ""
TARNUTIL_API CString WINAPI osAppendBackslashStr(CString text);

// Removes one trailing backslash if there is one. Always TRUE.
//   C:\dir\ -> C:\dir    C:\ -> C:    C:\dir -> C:\dir    "" -> ""
TARNUTIL_API BOOL WINAPI osDeleteBackslash(LPWSTR path);

// True when the last component of the path has an extension (its last dot is not followed by
// a backslash). *ext, when ext is given, is first set to null and on success to that dot
// inside the caller's string.
//   C:\dir\file.tar.gz -> true, ".gz"    C:\dir.old\file -> false    file -> false
TARNUTIL_API BOOL WINAPI osGetFileExt(LPCWSTR path, LPCWSTR* ext);

// Expands source against the current directory into destination (size characters).
// Returns destination, or null when the full path does not fit, an argument is null or the
// size is 0; destination and source may be the same buffer, which then stays unchanged on
// failure.
//   x (current directory C:\work) -> C:\work\x    C:\a\..\b -> C:\b
TARNUTIL_API LPWSTR WINAPI osFullPath(LPWSTR destination, LPCWSTR source, DWORD size);

// A new string joining directory and name with exactly one backslash between them; a null
// name yields the directory. Only one leading backslash of the name is ever dropped. An empty
// string when memory for it is short.
//   C:\dir\ + \x -> C:\dir\x    C:\dir + \x -> C:\dir\x    C:\dir + x -> C:\dir\x
//   C:\dir\ + \\x -> C:\dir\\x  "" + x -> \x                C:\dir + null -> C:\dir
TARNUTIL_API CString WINAPI osCreatePath(LPCWSTR directory, LPCWSTR name);

// Brings a directory name into the form that directory creation and removal expect: roots
// end with a backslash, every other name loses one trailing backslash. Always TRUE; the
// caller's buffer must hold one more character (for the bare drive form).
//   C: -> C:\    C:\ -> C:\    \\ -> \\    C:\dir\ -> C:\dir    "" -> ""
TARNUTIL_API BOOL WINAPI osMakeCommdlgDir(LPWSTR directory);

// Converts the path in place into its full long-name form (8.3 short components replaced by
// their long names). Nonzero on success: the long path's length when the system converts it,
// 1 when the library's own conversion does. Zero when the size is 0, the path is null or
// empty, the full path cannot be made, or the long path does not fit; the buffer then holds
// the full path when that could be made.
TARNUTIL_API DWORD WINAPI osCvtToLongFileName(LPWSTR path, DWORD size);

// Writes the full long-name path of a loaded module (null: the executable) into buffer, cut to
// size characters and always terminated (empty on failure). Returns the length that
// GetModuleFileNameW reported, 0 on failure, for a null buffer or a size of 0; when the
// long-name conversion fails the buffer keeps the full path.
TARNUTIL_API DWORD WINAPI osGetModuleFileName(HMODULE module, LPWSTR buffer, DWORD size);

// ---- Files and directories -------------------------------------------------------------

// Existence tests. A path naming a reserved device (see osIsReservedFileName) is answered
// false without touching the file system; the system's missing-disk dialog is suppressed while
// the attributes are read, by the calling thread's own error mode (SetThreadErrorMode), so that
// the process's error mode is never changed, not even for a moment.

// True if the path exists and is not a directory.
TARNUTIL_API BOOL WINAPI osExistsFile(LPCWSTR path);
// True if the path exists and is a directory.
TARNUTIL_API BOOL WINAPI osExistsDir(LPCWSTR path);
// True if the path exists, file or directory.
TARNUTIL_API BOOL WINAPI osExistsPath(LPCWSTR path);
// True if the path is an existing file (not a directory) that can be opened for reading.
TARNUTIL_API BOOL WINAPI osReadableFile(LPCWSTR path);

// True if the runtime's access test succeeds for the mode: 0 existence, 2 write, 4 read,
// 6 read and write. Any other mode, and a null path, answer false.
TARNUTIL_API BOOL WINAPI osGetAccess(LPCWSTR path, int mode);

// True if the path (which may hold wildcards) matches an entry; info then holds the first
// match. info is left unchanged when nothing matches.
TARNUTIL_API BOOL WINAPI osGetFileInformation(LPCWSTR path, WIN32_FIND_DATAW& info);

// Size in bytes of the first entry matching the path (which may hold wildcards), -1 when
// nothing matches. A directory reports its listed size (normally 0).
TARNUTIL_API LONGLONG WINAPI osGetFileSize(LPCWSTR path);

// Bytes available to the calling user (disk quotas honoured) on the volume of the path, 0 on
// failure. A UNC path is asked with a trailing backslash, any other path by its text up to the
// first backslash from the third character on; only the first 258 characters are used.
//   D:\photos\2007 -> asks D:\    \\server\share\dir -> asks \\server\share\dir\ .
TARNUTIL_API LONGLONG WINAPI osGetDiskFreeSpace(LPCWSTR path);

// Deletes a file through a handle to the file itself (see "Removals and links" below): a link
// to a file is deleted as itself where the system allows, never its target. FALSE for a reserved
// name, a null path, a path naming no entry inside a volume, a directory or a link to one
// (ERROR_ACCESS_DENIED), a read-only file, a link kept, or a failed deletion (the system's error).
TARNUTIL_API BOOL WINAPI osDeleteFileEx(LPCWSTR path);

// Makes the path the process's current directory (and its drive the current drive); the result
// of SetCurrentDirectoryW, FALSE for a reserved name or a null path.
TARNUTIL_API BOOL WINAPI osChDriveDir(LPCWSTR path);

// Creates one directory (a trailing backslash is ignored); FALSE when it exists already, its
// parent is missing, the name is reserved, or the path is null or longer than 259 characters.
TARNUTIL_API BOOL WINAPI osMakeDir(LPCWSTR path);

// Creates a directory with all its missing parents. FALSE when the directory exists already
// (test osExistsDir first) or any level cannot be created.
TARNUTIL_API BOOL WINAPI osMakeDirEx(LPCWSTR path);

// Removals and links. Every removal (osDeleteFileEx, osRemoveDir, osRemoveDirEx, and the check
// before osRemoveDirAndSubDirs hands a tree to the shell) walks the same way: each entry is opened
// as itself (never through a link) and decided on from that handle: what it is, and where it
// really is (its final path, compared with its place in the tree). Nothing outside the tree a
// removal is given is ever entered, emptied, changed or deleted:
//   - A link of any kind (symbolic link, junction, mount point) or an entry whose handle leads
//     elsewhere is never entered, emptied or deleted through. Where the system opens a link as
//     itself (Windows), the link is deleted through its own handle, never its target.
//   - Where the system cannot open a link as itself (Wine: a Unix symbolic link opens its target;
//     one to a file even looks like a plain file), the link is kept and the removal answers FALSE.
//   - Deletion goes through the handle that was checked (POSIX semantics where the system has
//     them), never by name after the check. Directories are listed from their own handles, so an
//     entry swapped for a link after the listing is caught when it is opened.
//   - Roots are refused by what the expanded full path names, not by its spelling: C:\. ,
//     C:\x\.. , C:/ , \ , \\server\share , \\?\C:\ and \\?\Volume{...}\ are roots. A path
//     with * or ?, the device form \\.\ , or "." or ".." after the \\?\ prefix (which the
//     system does not expand) is refused too. Refused paths delete nothing.
//   - Every entry inside a tree is reached by its full name in the \\?\ form, so entries named
//     like devices (aux.d, clock$), with trailing dots or spaces, or past MAX_PATH are walked and
//     deleted like any other.

// Removes one empty directory (a link to a directory: the link itself, as above). When it is the
// current directory (of its drive), the parent becomes current first. FALSE for a reserved name,
// a null or empty path, a file (ERROR_DIRECTORY), a kept link, or a failed removal.
TARNUTIL_API BOOL WINAPI osRemoveDir(LPCWSTR path);

// Deletes a directory with all its contents, or a file, through the shell, silently; with
// allowUndo nonzero it goes to the recycle bin. The tree is walked first as above, and the shell
// is asked only when every entry is a plain file or directory in its place whose plain name the
// shell reaches (shorter than MAX_PATH, not named like a device, no trailing dot or space);
// otherwise the result is FALSE and nothing is deleted. A path that is itself a link removes only
// the link (or nothing). The shell then works by name: an entry swapped for a link between the
// check and the shell's delete is beyond this check (the shell follows links); osRemoveDirEx
// has no such window. FALSE also for a refused path, a path whose full form has MAX_PATH or more
// characters, a path that does not exist, or when the shell reports a failure.
TARNUTIL_API BOOL WINAPI osRemoveDirAndSubDirs(LPCWSTR path, BOOL allowUndo);

// Deletes the files of a directory tree, and unless keepDirectories is nonzero the directories
// too; links are handled as above with both. Read-only files are made writable first (through
// their checked handles) when resetReadOnly is nonzero, else they stay. Keeps going past
// failures; TRUE when everything that was to go is gone. TRUE with nothing deleted for a path
// that does not exist, a path with a device's name (see osIsReservedFileName), and, with
// keepDirectories, a file (it holds no files to delete). FALSE for a refused path (above), a
// file without keepDirectories, and a kept link.
TARNUTIL_API BOOL WINAPI osRemoveDirEx(LPCWSTR path, BOOL resetReadOnly, BOOL keepDirectories);

// True when the directory holds nothing but "." and "..", hidden entries counting as content.
// A directory that cannot be listed (or does not exist) counts as empty; FALSE when memory for
// the listing is short, so that emptiness is only ever reported when it was seen.
TARNUTIL_API BOOL WINAPI osIsDirEmtpy(LPCWSTR directory);

// ---- Network paths and shortcuts -------------------------------------------------------

// Converts a local path into the network (UNC) path by which other computers reach it. A path
// whose last component has an extension names a file, any other a directory (so C:\data\run.2007
// is taken for a file). A mapped network drive is named by its network provider; on any other
// drive the closest ordinary disk share of this computer is used (the longest share folder
// holding the path, the first listed among equally long ones; case-insensitive), and the
// result is \\computer\share followed by the rest of the path in the input's case. TRUE with the
// result in `unc`, also for a path that already starts with two backslashes (returned
// unchanged); FALSE with `unc` empty for a relative path, a drive path of more than 257
// characters after a directory's trailing backslash (refused, never cut), a mapped drive the
// provider cannot name, a path in no share, or when the computer name cannot be read.
//   C:\Data\Run\img.tif, share Data on C:\Data, computer LAB7 -> \\LAB7\Data\Run\img.tif
//   C:\Data\Run (directory)          -> \\LAB7\Data\Run\ (the trailing backslash kept)
//   Z:\Run\img.tif, Z: mapped to \\srv\pub                   -> \\srv\pub\Run\img.tif
//   \\srv\pub\x -> \\srv\pub\x    data\img.tif -> FALSE, ""
TARNUTIL_API BOOL WINAPI osCvtToUNCPath(const CString& path, CString& unc);

// Creates or overwrites the shell shortcut `linkFile` pointing at `target`, with the
// description (null: none). TRUE when the file was written. FALSE when the shell's link object
// cannot be made, the file cannot be written, target or linkFile is null, or linkFile is longer
// than 259 characters (refused rather than written under a cut name). The calling thread must
// have initialized COM.
TARNUTIL_API BOOL WINAPI osCreateShortcut(LPCWSTR target, LPCWSTR linkFile, LPCWSTR description);

// Writes the target of the shortcut `linkFile` into `path` (`size` characters). The shortcut is
// resolved on behalf of the owner window; with a null owner no user interface is shown. TRUE on
// success; FALSE with `path` empty (when size allows) for a missing file, a file that is no
// shortcut, or a target that does not fit. The calling thread must have initialized COM.
TARNUTIL_API BOOL WINAPI osResolveShortcut(HWND owner, LPCWSTR linkFile, LPWSTR path, int size);

// ---- Operating-system and file versions ------------------------------------------------

// The operating-system version is read once when the library loads (the basic version record:
// major, minor, build, platform) and never refreshed. Before that every test answers false.

// True on an NT-family system (platform VER_PLATFORM_WIN32_NT).
TARNUTIL_API BOOL WINAPI osIsNT();

// Windows 2000: NT family and version 5.0 exactly, or with orLater any version from 5.0 on.
TARNUTIL_API BOOL WINAPI osIsWin2000(BOOL orLater);

// Windows XP: NT family and version 5.1; with orLater also every version from 6.0 on. Version
// 5.2 (the server and 64-bit editions of that generation) counts in neither form.
//   5.1 -> true, true    5.2 -> false, false    6.1 -> false, true    (exact, or-later)
TARNUTIL_API BOOL WINAPI osIsWinXP(BOOL orLater);

// Windows Vista: major version 6 (any minor), or with orLater any major from 6 on. The
// platform family is not consulted.
TARNUTIL_API BOOL WINAPI osIsWinVista(BOOL orLater);

// Reads the fixed file version of a file into *high (major << 16 | minor) and *low
// (build << 16 | revision); either pointer may be null. `file` is a name or path (a module
// loaded in the process is read from its own path, any other name is searched for by the
// system), a string id of `module` (below 0x10000) whose text is the name, or null for the
// executable. TRUE when the version information was read: with both pointers
// null this only tells that the file has version information, and a file whose information
// holds no fixed version answers TRUE with both halves 0. FALSE (halves 0) when the file has no
// version information, the string id cannot be loaded, the name is longer than 259 characters
// (refused rather than cut to another name) or the information cannot be read; when the buffer
// for it cannot be allocated the out-of-memory box is shown too. The executable's
// version is read once and then answered from memory for the rest of the process.
//   6.2.1234.5 -> *high 0x00060002, *low 0x04D20005
TARNUTIL_API BOOL WINAPI osGetVersionInfo(LPCWSTR file, DWORD* high, DWORD* low,
                                          HINSTANCE module = nullptr);
