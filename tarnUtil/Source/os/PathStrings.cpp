// Path strings: form tests, reserved device names, backslash edits, extensions, joins and
// full paths.
#include "tuFileSys.h"

#include "common/Boundary.h"
#include "common/WindowsSupport.h"
#include "os/OsSupport.h"

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <new>
#include <utility>

namespace {

// The reserved device names in search order. "ept" is one of them; COM5 to COM9 are not.
const wchar_t* const kReservedNames[] = {
    L"con",  L"prn",  L"ept",  L"nul",  L"aux",  L"clock$", L"com1", L"com2", L"com3", L"com4",
    L"lpt1", L"lpt2", L"lpt3", L"lpt4", L"lpt5", L"lpt6",   L"lpt7", L"lpt8", L"lpt9"};

// The longest path the system handles (extended-length form), terminator included.
const size_t kLongestPath = 32768;

bool EndsWithBackslash(const wchar_t* text) {
    size_t length = wcslen(text);
    return length > 0 && text[length - 1] == L'\\';
}

// The character as the system's lower-casing (CharLowerW) maps it, one at a time, so that the
// whole path is examined without a copy of it.
wchar_t LowerOf(wchar_t c) {
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(ULONG_PTR{c}))));
}

// True when the lower-case name stands at `at` in the text, compared case-insensitively.
bool NameAt(const wchar_t* at, const wchar_t* name) {
    for (; *name; ++at, ++name) {
        if (!*at || LowerOf(*at) != *name)
            return false;
    }
    return true;
}

// True when the name is a whole component of the text: it starts the text or follows a
// backslash, and the text ends or goes on with a dot or a backslash right after it.
bool NamesComponent(const wchar_t* text, const wchar_t* name) {
    size_t length = wcslen(name);
    for (const wchar_t* at = text; *at; ++at) {
        bool startsComponent = at == text || at[-1] == L'\\';
        if (!startsComponent || !NameAt(at, name))
            continue;
        wchar_t next = at[length];
        if (next == L'\0' || next == L'.' || next == L'\\')
            return true;
    }
    return false;
}

} // namespace

namespace tu::os {

bool CopyPath(wchar_t (&buffer)[MAX_PATH], const wchar_t* path) {
    if (!path || wcslen(path) >= MAX_PATH)
        return false;
    wcscpy(buffer, path);
    return true;
}

void CopyPathCut(wchar_t* buffer, size_t size, const wchar_t* path) {
    wcsncpy(buffer, path, size - 1);
    buffer[size - 1] = L'\0';
}

} // namespace tu::os

BOOL WINAPI osIsAbsPath(LPCWSTR path) {
    if (!path || !path[0] || !path[1])
        return FALSE;
    bool driveAbsolute = path[1] == L':' && path[2] == L'\\';
    return driveAbsolute || osIsUNCPath(path);
}

BOOL WINAPI osIsUNCPath(LPCWSTR path) {
    return path && path[0] == L'\\' && path[1] == L'\\';
}

BOOL WINAPI osIsRootDir(LPCWSTR path) {
    if (!path)
        return FALSE;
    switch (wcslen(path)) {
    case 2:
        return (path[0] == L'\\' && path[1] == L'\\') || path[1] == L':';
    case 3:
        return path[1] == L':' && path[2] == L'\\';
    default:
        return FALSE;
    }
}

BOOL WINAPI osIsReservedFileName(LPCWSTR path) {
    if (!path)
        return FALSE;
    for (const wchar_t* name : kReservedNames) {
        if (NamesComponent(path, name))
            return TRUE;
    }
    return FALSE;
}

BOOL WINAPI osAppendBackslash(LPWSTR path) {
    if (path && path[0] && !EndsWithBackslash(path))
        wcscat(path, L"\\");
    return TRUE;
}

CString WINAPI osAppendBackslashStr(CString text) {
    return tu::Guarded(CString(), [&] {
        if (!text.IsEmpty() && text[text.GetLength() - 1] != L'\\')
            text += L'\\';
        return std::move(text);
    });
}

BOOL WINAPI osDeleteBackslash(LPWSTR path) {
    if (path && EndsWithBackslash(path))
        path[wcslen(path) - 1] = L'\0';
    return TRUE;
}

BOOL WINAPI osGetFileExt(LPCWSTR path, LPCWSTR* ext) {
    if (ext)
        *ext = nullptr;
    if (!path)
        return FALSE;
    const wchar_t* dot = wcsrchr(path, L'.');
    if (!dot || wcschr(dot, L'\\'))
        return FALSE;
    if (ext)
        *ext = dot;
    return TRUE;
}

LPWSTR WINAPI osFullPath(LPWSTR destination, LPCWSTR source, DWORD size) {
    if (!destination || !source || size == 0)
        return nullptr;
    // Expanding into a scratch buffer one character larger than asked keeps the caller's buffer
    // whole whatever the runtime writes, and lets source and destination be the same buffer.
    // No full path is longer than the system's extended limit, so neither is the scratch.
    size_t limit = size < kLongestPath ? size : kLongestPath;
    std::unique_ptr<wchar_t[]> scratch(new (std::nothrow) wchar_t[limit + 1]);
    if (!scratch)
        return nullptr;
    scratch[limit] = L'\0';
    if (!_wfullpath(scratch.get(), source, limit) || wcslen(scratch.get()) >= limit)
        return nullptr;
    wcscpy(destination, scratch.get());
    return destination;
}

CString WINAPI osCreatePath(LPCWSTR directory, LPCWSTR name) {
    return tu::Guarded(CString(), [&] {
        CString path(directory);
        if (!name)
            return path;
        bool directoryEnds = EndsWithBackslash(path);
        if (name[0] == L'\\') {
            if (directoryEnds)
                ++name;
        } else if (!directoryEnds) {
            path += L'\\';
        }
        return path + name;
    });
}

BOOL WINAPI osMakeCommdlgDir(LPWSTR directory) {
    if (!directory)
        return TRUE;
    if (osIsRootDir(directory))
        return osAppendBackslash(directory);
    return osDeleteBackslash(directory);
}
