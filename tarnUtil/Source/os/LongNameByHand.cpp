// The long-name conversion by hand, for systems whose kernel32 lacks GetLongPathNameW: every
// component holding a tilde is replaced by the name the shell displays for it.
#include "tuFileSys.h"

#include "os/LongNames.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

// What the shell says of a path: its display name when the path lies in the file system.
enum class ShellName { Found, Unknown, NotInFileSystem };

ShellName AskShell(const std::wstring& path, std::wstring& displayName) {
    SHFILEINFOW info = {};
    if (!::SHGetFileInfoW(path.c_str(), 0, &info, sizeof info,
                          SHGFI_DISPLAYNAME | SHGFI_ATTRIBUTES))
        return ShellName::Unknown;
    if (!(info.dwAttributes & SFGAO_FILESYSTEM))
        return ShellName::NotInFileSystem;
    displayName = info.szDisplayName;
    return ShellName::Found;
}

// Replaces the components holding a tilde from the first one on; false on failure.
bool ReplaceShortComponents(std::wstring& working, const std::wstring& original, DWORD size) {
    for (size_t tilde = working.find(L'~'); tilde != std::wstring::npos;) {
        size_t split = working.find(L'\\', tilde);
        std::wstring tail = split == std::wstring::npos ? L"" : working.substr(split);
        working.resize(split == std::wstring::npos ? working.size() : split);

        std::wstring displayName;
        switch (AskShell(working, displayName)) {
        case ShellName::Unknown:
            // What was converted so far is kept; the tail goes back so that no part of the
            // caller's path is lost.
            working += tail;
            return working != original;
        case ShellName::NotInFileSystem:
            return false;
        case ShellName::Found:
            break;
        }
        size_t lastBackslash = working.rfind(L'\\');
        if (lastBackslash == std::wstring::npos)
            return false;
        working.resize(lastBackslash + 1);
        if (working.size() + displayName.size() + tail.size() >= size)
            return false;
        working += displayName;
        if (tail.empty())
            return true;
        size_t replacedEnd = working.size();
        working += tail;
        tilde = working.find(L'~', replacedEnd);
    }
    return true;
}

} // namespace

namespace tu::os {

BOOL ConvertToLongNameByHand(wchar_t* path, DWORD size) {
    if (!path || size == 0 || wcsnlen(path, MAX_PATH) >= MAX_PATH)
        return FALSE;
    std::wstring working = path;
    if (working.find(L'~') == std::wstring::npos)
        return TRUE;
    if (!osIsAbsPath(path))
        return FALSE;
    if (!ReplaceShortComponents(working, path, size))
        return FALSE;
    size_t length = working.size() < size ? working.size() : size - 1;
    working.copy(path, length);
    path[length] = L'\0';
    return TRUE;
}

} // namespace tu::os
