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

// Owns a GDI object (bitmap, brush, pen, region...; deleted with DeleteObject).
template <typename T> class UniqueGdiObject {
public:
    explicit UniqueGdiObject(T object = nullptr) : m_object(object) {}
    ~UniqueGdiObject() { reset(); }
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : m_object(other.release()) {}
    UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
        reset(other.release());
        return *this;
    }
    T get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    T release() {
        T object = m_object;
        m_object = nullptr;
        return object;
    }
    void reset(T object = nullptr) {
        if (m_object)
            ::DeleteObject(m_object);
        m_object = object;
    }

private:
    T m_object;
};
using UniqueBitmap = UniqueGdiObject<HBITMAP>;

// Owns a device context made by CreateCompatibleDC, CreateDCW or CreateICW (DeleteDC).
class UniqueDC {
public:
    explicit UniqueDC(HDC dc = nullptr) : m_dc(dc) {}
    ~UniqueDC() {
        if (m_dc)
            ::DeleteDC(m_dc);
    }
    UniqueDC(const UniqueDC&) = delete;
    UniqueDC& operator=(const UniqueDC&) = delete;
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// A memory device context compatible with the given one (the screen for null).
class MemoryDC : public UniqueDC {
public:
    explicit MemoryDC(HDC compatibleWith = nullptr)
        : UniqueDC(::CreateCompatibleDC(compatibleWith)) {}
};

// The device context of a window (the screen for null), kept with its window for ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window = nullptr) : m_window(window), m_dc(::GetDC(window)) {}
    ~WindowDC() {
        if (m_dc)
            ::ReleaseDC(m_window, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects a GDI object into a device context and puts the previous object back on destruction.
// A failed selection (null context or object, or an object the context refuses) restores nothing.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_old(dc && object ? ::SelectObject(dc, object) : nullptr) {
        if (m_old == HGDI_ERROR)
            m_old = nullptr;
    }
    ~SelectedObject() {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    explicit operator bool() const { return m_old != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Owns a global memory block (freed with GlobalFree) until it is released to a new owner.
class UniqueGlobal {
public:
    explicit UniqueGlobal(HGLOBAL memory = nullptr) : m_memory(memory) {}
    ~UniqueGlobal() {
        if (m_memory)
            ::GlobalFree(m_memory);
    }
    UniqueGlobal(const UniqueGlobal&) = delete;
    UniqueGlobal& operator=(const UniqueGlobal&) = delete;
    HGLOBAL get() const { return m_memory; }
    explicit operator bool() const { return m_memory != nullptr; }
    HGLOBAL release() {
        HGLOBAL memory = m_memory;
        m_memory = nullptr;
        return memory;
    }

private:
    HGLOBAL m_memory;
};

// Holds a global memory block locked for its lifetime.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL memory) : m_memory(memory), m_address(::GlobalLock(memory)) {}
    ~GlobalLockGuard() {
        if (m_address)
            ::GlobalUnlock(m_memory);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* get() const { return m_address; }

private:
    HGLOBAL m_memory;
    void* m_address;
};

// Holds the clipboard open for a window for its lifetime.
class OpenClipboardGuard {
public:
    explicit OpenClipboardGuard(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardGuard() {
        if (m_open)
            ::CloseClipboard();
    }
    OpenClipboardGuard(const OpenClipboardGuard&) = delete;
    OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
    explicit operator bool() const { return m_open; }

private:
    bool m_open;
};

} // namespace tu
