// Helpers of the file-system tests: 0xcc-filled output buffers with guard characters, paths of
// chosen lengths, and a keeper of the current directory.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ostest {

// An output buffer of the given size filled with 0xcccc, followed by guard characters of the
// same fill that no function may touch.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size, const std::wstring& text = L"")
        : m_size(size), m_chars(size + kGuard, kFill) {
        text.copy(m_chars.data(), text.size());
        if (text.size() < size + kGuard)
            m_chars[text.size()] = L'\0';
    }
    wchar_t* get() { return m_chars.data(); }
    DWORD size() const { return static_cast<DWORD>(m_size); }
    std::wstring text() const {
        return std::wstring(m_chars.data(), wcsnlen(m_chars.data(), m_size));
    }
    // True when nothing past the buffer was written.
    bool GuardIntact() const {
        for (size_t i = m_size; i < m_chars.size(); ++i) {
            if (m_chars[i] != kFill)
                return false;
        }
        return true;
    }

private:
    static constexpr size_t kGuard = 16;
    static constexpr wchar_t kFill = 0xcccc;
    size_t m_size;
    std::vector<wchar_t> m_chars;
};

// The lengths of bad-input paths: the longest accepted, the limit, one past it, far past it.
inline const size_t kLongLengths[] = {259, 260, 261, 1000};

// A path of exactly length characters: base, then backslash-separated components of "a".
inline std::wstring PathOfLength(const std::wstring& base, size_t length) {
    std::wstring path = base;
    while (path.size() < length) {
        path += L'\\';
        size_t room = length - path.size();
        path.append(room < 40 ? room : 40, L'a');
    }
    path.resize(length);
    if (path.back() == L'\\')
        path.back() = L'b';
    return path;
}

// Puts the process's current directory back as it was when the keeper was made.
class CurrentDirectoryKeeper {
public:
    CurrentDirectoryKeeper() {
        wchar_t path[MAX_PATH];
        ::GetCurrentDirectoryW(MAX_PATH, path);
        m_path = path;
    }
    ~CurrentDirectoryKeeper() { ::SetCurrentDirectoryW(m_path.c_str()); }
    CurrentDirectoryKeeper(const CurrentDirectoryKeeper&) = delete;
    CurrentDirectoryKeeper& operator=(const CurrentDirectoryKeeper&) = delete;

private:
    std::wstring m_path;
};

} // namespace ostest
