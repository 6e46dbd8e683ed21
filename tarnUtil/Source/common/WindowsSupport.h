// Small owners of Win32 handles for the library's sources. The macros that shape <windows.h>
// (UNICODE, _WIN32_WINNT, WIN32_LEAN_AND_MEAN, NOMINMAX) are set by the build for every module.
#pragma once

#include <windows.h>

#include <rpc.h>

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

// Owns one handle of a kind and frees it once. Traits name the kind: its Handle type, its
// Empty() value, Valid(handle) and Free(handle).
template <class Traits> class UniqueOwner {
public:
    using Handle = typename Traits::Handle;

    explicit UniqueOwner(Handle handle = Traits::Empty()) : m_handle(handle) {}
    ~UniqueOwner() { reset(); }
    UniqueOwner(UniqueOwner&& other) noexcept : m_handle(other.release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Handle get() const { return m_handle; }
    explicit operator bool() const { return Traits::Valid(m_handle); }
    // Frees what is held and gives the slot to a function that returns a handle through it.
    Handle* put() {
        reset();
        return &m_handle;
    }
    Handle release() {
        Handle handle = m_handle;
        m_handle = Traits::Empty();
        return handle;
    }
    void reset(Handle handle = Traits::Empty()) {
        if (*this)
            Traits::Free(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle;
};

// A loaded module (freed with FreeLibrary).
struct ModuleTraits {
    using Handle = HMODULE;
    static HMODULE Empty() { return nullptr; }
    static bool Valid(HMODULE module) { return module != nullptr; }
    static void Free(HMODULE module) { ::FreeLibrary(module); }
};
using UniqueModule = UniqueOwner<ModuleTraits>;

// A string allocated by the RPC run-time, such as UuidToStringW's (freed with RpcStringFreeW).
struct RpcStringTraits {
    using Handle = RPC_WSTR;
    static RPC_WSTR Empty() { return nullptr; }
    static bool Valid(RPC_WSTR text) { return text != nullptr; }
    static void Free(RPC_WSTR text) { ::RpcStringFreeW(&text); }
};
using UniqueRpcString = UniqueOwner<RpcStringTraits>;

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

} // namespace tu
