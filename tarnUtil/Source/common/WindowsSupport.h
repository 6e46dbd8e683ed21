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
