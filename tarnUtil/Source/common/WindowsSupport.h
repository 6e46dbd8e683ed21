// The library's one way into <windows.h>, and small owners of Win32 handles.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tu {

// Keeps the thread's last error as it was through cleanup code.
class LastErrorGuard {
public:
    LastErrorGuard() : m_error(::GetLastError()) {}
    ~LastErrorGuard() { ::SetLastError(m_error); }
    LastErrorGuard(const LastErrorGuard&) = delete;
    LastErrorGuard& operator=(const LastErrorGuard&) = delete;

private:
    DWORD m_error;
};

// Owns a kernel handle (closed with CloseHandle); null and INVALID_HANDLE_VALUE own nothing.
class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE release() {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void reset(HANDLE handle = nullptr) {
        if (*this)
            ::CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle;
};

// Owns an installed hook procedure (removed with UnhookWindowsHookEx); null owns nothing.
class UniqueHook {
public:
    explicit UniqueHook(HHOOK hook = nullptr) : m_hook(hook) {}
    ~UniqueHook() { reset(); }
    UniqueHook(UniqueHook&& other) noexcept : m_hook(other.m_hook) { other.m_hook = nullptr; }
    UniqueHook& operator=(UniqueHook&& other) noexcept {
        if (this != &other) {
            reset(other.m_hook);
            other.m_hook = nullptr;
        }
        return *this;
    }
    explicit operator bool() const { return m_hook != nullptr; }
    void reset(HHOOK hook = nullptr) {
        if (m_hook)
            ::UnhookWindowsHookEx(m_hook);
        m_hook = hook;
    }

private:
    HHOOK m_hook;
};

// Holds a CRITICAL_SECTION entered for its lifetime.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section) : m_section(section) {
        ::EnterCriticalSection(&m_section);
    }
    ~CriticalSectionLock() { ::LeaveCriticalSection(&m_section); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

// Owns a COM interface pointer (released with Release); put() is the out-argument of a call
// that hands one over.
template <class Interface> class UniqueCom {
public:
    UniqueCom() = default;
    ~UniqueCom() { reset(); }
    UniqueCom(const UniqueCom&) = delete;
    UniqueCom& operator=(const UniqueCom&) = delete;
    Interface* operator->() const { return m_interface; }
    void** put() {
        reset();
        return reinterpret_cast<void**>(&m_interface);
    }
    void reset() {
        if (m_interface)
            m_interface->Release();
        m_interface = nullptr;
    }

private:
    Interface* m_interface = nullptr;
};

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

} // namespace tu
