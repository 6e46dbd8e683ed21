// The walk behind every removal of files and directories: each entry is opened as itself,
// decided on from its own handle (what it is, where it really is) and deleted only through that
// handle, so that nothing outside the tree a removal was given is ever entered or deleted.
#pragma once

#include "common/WindowsSupport.h"

#include <string>

namespace tu::os {

// A caller's path as a full path in the extended form (\\?\X:\... or \\?\UNC\server\share\...)
// without trailing backslashes. Empty for a path that names no entry inside a volume: a volume
// or share root in any spelling, the device form \\.\ , wildcards, or "." or ".." after the
// \\?\ prefix (which the system does not expand).
std::wstring ExtendedFullPath(const wchar_t* path);

// An extended path in its plain form (\\?\C:\x -> C:\x, \\?\UNC\s\x -> \\s\x).
std::wstring PlainOf(const std::wstring& extended);

// True when the by-name functions of the system (the shell's delete among them) reach the entry
// at an extended path by its plain name: shorter than MAX_PATH, no component named like a
// device, and a last component that does not end in a dot or a space (those are stripped).
bool InReachByName(const std::wstring& extended);

// Makes the parent of a directory (full path, no trailing backslash) the current directory;
// the system refuses to remove a directory while it is current.
void StepOutOf(std::wstring directory);

// What a walk does to the entries it meets.
enum class Sweep {
    Everything, // files, links and directories go
    FilesOnly,  // files and links go, directories stay
    CheckOnly,  // nothing goes: the walk tells whether the tree may be handed on by name
};

// What an entry opened as itself turned out to be, from its handle.
enum class Found {
    Missing,   // no entry by that name (any more)
    Unopened,  // there, but it could not be opened or asked
    Elsewhere, // the handle leads to another place than the entry's own: never acted on
    Link,      // a reparse point opened as itself
    Directory,
    File,
};

// An entry opened as itself and checked.
struct Entry {
    Found found = Found::Unopened;
    UniqueHandle handle;
    DWORD attributes = 0;
    std::wstring path; // where the entry is, extended form
};

// Opens the entry named by a full extended path, as itself and with the access that `sweep`
// needs, and checks it against its place in its directory. The directory is reached as the path
// reaches it: links above the entry are the caller's choice.
Entry OpenTop(const std::wstring& extended, Sweep sweep, bool resetReadOnly);

// Deletes an opened entry through its handle (with POSIX semantics where the system has them).
// A directory must be empty; a read-only file is refused, as by name.
bool DeleteThrough(HANDLE entry);

// Sweeps a checked directory: every entry inside it, each opened and checked from its own
// handle, and with Sweep::Everything the directory itself. A link or an entry that leads
// elsewhere is never entered, emptied or deleted through; a link opened as itself is deleted
// through its own handle (not with Sweep::CheckOnly). Keeps going past failures. True when all
// that was to go went; with Sweep::CheckOnly, when every entry is a plain file or directory in
// its place that InReachByName.
bool SweepDirectory(const Entry& directory, Sweep sweep, bool resetReadOnly);

} // namespace tu::os
