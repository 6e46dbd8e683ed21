// File-system test helpers: paths of chosen lengths and a keeper of the current directory.
#pragma once

#include <windows.h>

#include <string>

namespace ostest {

// The lengths of bad-input paths: the longest accepted, the limit, one past it, far past it.
inline const size_t kLongLengths[] = {259, 260, 261, 1000};

// A path of exactly `length` characters: base, then backslash-separated components of "a".
inline std::wstring PathOfLength(const std::wstring& base, size_t length) {
    std::wstring path = base;
    while (path.size() < length)
        path += L"\\" + std::wstring(40, L'a');
    path.resize(length);
    if (path.back() == L'\\')
        path.back() = L'b';
    return path;
}

inline std::wstring CurrentDirectory() {
    wchar_t path[MAX_PATH] = L"";
    ::GetCurrentDirectoryW(MAX_PATH, path);
    return path;
}

// Puts the process's current directory back as it was when the keeper was made.
struct CurrentDirectoryKeeper {
    std::wstring path = CurrentDirectory();
    ~CurrentDirectoryKeeper() { ::SetCurrentDirectoryW(path.c_str()); }
};

} // namespace ostest
