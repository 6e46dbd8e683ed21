// The owners of Win32 handles and the scope guards of the library's sources. The build sets the
// macros that shape <windows.h> (UNICODE, _WIN32_WINNT, WIN32_LEAN_AND_MEAN, NOMINMAX).
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
    // For owners of interface pointers: calls through the interface held.
    Handle operator->() const { return m_handle; }
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

// Traits of a handle kind whose only empty value is null, freed by the function given.
template <class H, auto FreeFunction> struct NullEmptyTraits {
    using Handle = H;
    static H Empty() { return nullptr; }
    static bool Valid(H handle) { return handle != nullptr; }
    static void Free(H handle) { FreeFunction(handle); }
};

// Traits of a kernel handle kind where both null and INVALID_HANDLE_VALUE own nothing.
template <auto FreeFunction> struct KernelTraits {
    using Handle = HANDLE;
    static HANDLE Empty() { return nullptr; }
    static bool Valid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
    static void Free(HANDLE handle) { FreeFunction(handle); }
};

// A kernel object (CloseHandle).
using UniqueHandle = UniqueOwner<KernelTraits<&::CloseHandle>>;
// A listing opened by FindFirstFileW, walked on with FindNextFileW (FindClose).
using UniqueFind = UniqueOwner<KernelTraits<&::FindClose>>;
// A loaded module (FreeLibrary).
using UniqueModule = UniqueOwner<NullEmptyTraits<HMODULE, &::FreeLibrary>>;
// An installed hook procedure (UnhookWindowsHookEx).
using UniqueHook = UniqueOwner<NullEmptyTraits<HHOOK, &::UnhookWindowsHookEx>>;
// A global memory block (GlobalFree) until it is released to a new owner.
using UniqueGlobal = UniqueOwner<NullEmptyTraits<HGLOBAL, &::GlobalFree>>;
// A device context made by CreateCompatibleDC, CreateDCW or CreateICW (DeleteDC).
using UniqueDC = UniqueOwner<NullEmptyTraits<HDC, &::DeleteDC>>;
// A GDI object: bitmap, brush, pen, region... (DeleteObject).
template <class T> using UniqueGdiObject = UniqueOwner<NullEmptyTraits<T, &::DeleteObject>>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;

// A string allocated by the RPC run-time, such as UuidToStringW's (RpcStringFreeW).
struct RpcStringTraits {
    using Handle = RPC_WSTR;
    static RPC_WSTR Empty() { return nullptr; }
    static bool Valid(RPC_WSTR text) { return text != nullptr; }
    static void Free(RPC_WSTR text) { ::RpcStringFreeW(&text); }
};
using UniqueRpcString = UniqueOwner<RpcStringTraits>;

// A COM interface pointer (Release).
template <class Interface> struct ComTraits {
    using Handle = Interface*;
    static Interface* Empty() { return nullptr; }
    static bool Valid(Interface* object) { return object != nullptr; }
    static void Free(Interface* object) { object->Release(); }
};
template <class Interface> using UniqueCom = UniqueOwner<ComTraits<Interface>>;

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
