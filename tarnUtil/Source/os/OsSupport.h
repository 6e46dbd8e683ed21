// Helpers of the file-system functions: working copies of caller paths in fixed buffers of
// MAX_PATH characters, and the owner of a directory listing.
#pragma once

#include "common/WindowsSupport.h"

#include <cstddef>

namespace tu::os {

// Copies a path of up to MAX_PATH - 1 characters; false (buffer untouched) for a null or
// longer path, which the callers refuse rather than act on a cut name.
bool CopyPath(wchar_t (&buffer)[MAX_PATH], const wchar_t* path);

// Copies at most size - 1 characters of a non-null path and terminates the copy.
void CopyPathCut(wchar_t* buffer, size_t size, const wchar_t* path);

// Owns a listing opened by FindFirstFileW (closed with FindClose).
class UniqueFind {
public:
    UniqueFind(const wchar_t* pattern, WIN32_FIND_DATAW& first)
        : m_find(::FindFirstFileW(pattern, &first)) {}
    ~UniqueFind() {
        if (*this)
            ::FindClose(m_find);
    }
    UniqueFind(const UniqueFind&) = delete;
    UniqueFind& operator=(const UniqueFind&) = delete;
    explicit operator bool() const { return m_find != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& data) { return ::FindNextFileW(m_find, &data) != FALSE; }

private:
    HANDLE m_find;
};

} // namespace tu::os
