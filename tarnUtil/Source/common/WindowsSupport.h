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
