// Helpers of the file-system tests: guarded output buffers, paths of chosen lengths, and a
// keeper of the current directory.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ostest {

// An output buffer of `size` characters holding `text`, followed by guard characters of the
// same 0xcccc fill that no function may touch.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size, const std::wstring& text = L"")
        : m_size(size), m_chars(size + 16, 0xcccc) {
        text.copy(m_chars.data(), text.size());
        m_chars[text.size()] = L'\0';
    }
    wchar_t* get() { return m_chars.data(); }
    std::wstring text() const { return {m_chars.data(), wcsnlen(m_chars.data(), m_size)}; }
    bool GuardIntact() const {
        return std::all_of(m_chars.begin() + m_size, m_chars.end(),
                           [](wchar_t c) { return c == 0xcccc; });
    }

private:
    size_t m_size;
    std::vector<wchar_t> m_chars;
};

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
