// Class-library thread objects: CWinThread naming a thread's main window, and AfxGetThread.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <cwchar>

class CWnd;
class CWinThread;

namespace tarnmfc {

// The TLS slot holding each thread's thread object. Every module carries its own copy of this
// library, so the first module to ask allocates the slot and publishes its index for the
// others in an environment variable named with the process id (a child process that inherits
// the variable reads another name); a named mutex makes the first allocation a single one.
inline DWORD FindOrAllocateThreadSlot() {
    const DWORD id = ::GetCurrentProcessId();
    wchar_t variable[48], mutexName[48], text[16] = {};
    std::swprintf(variable, 48, L"TARNMFC_THREAD_SLOT_%lu", id);
    std::swprintf(mutexName, 48, L"Local\\tarnMfcThreadSlot%lu", id);
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, mutexName);
    if (mutex)
        ::WaitForSingleObject(mutex, INFINITE);
    DWORD slot = TLS_OUT_OF_INDEXES;
    DWORD length = ::GetEnvironmentVariableW(variable, text, 16);
    if (length > 0 && length < 16) {
        slot = std::wcstoul(text, nullptr, 10);
    } else if ((slot = ::TlsAlloc()) != TLS_OUT_OF_INDEXES) {
        std::swprintf(text, 16, L"%lu", slot);
        ::SetEnvironmentVariableW(variable, text);
    }
    if (mutex) {
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    }
    return slot;
}

inline DWORD ThreadSlot() {
    static const DWORD slot = FindOrAllocateThreadSlot();
    return slot;
}

} // namespace tarnmfc

// A thread of the class library. Constructing one makes it the calling thread's thread object
// (what AfxGetThread returns there) until it is destroyed.
class CWinThread {
public:
    CWinThread() : m_previous(static_cast<CWinThread*>(::TlsGetValue(tarnmfc::ThreadSlot()))) {
        ::TlsSetValue(tarnmfc::ThreadSlot(), this);
    }
    virtual ~CWinThread() {
        if (::TlsGetValue(tarnmfc::ThreadSlot()) == this)
            ::TlsSetValue(tarnmfc::ThreadSlot(), m_previous);
    }
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // The thread's main window, or null when it has none.
    virtual CWnd* GetMainWnd() { return m_pMainWnd; }

    CWnd* m_pMainWnd = nullptr;

private:
    CWinThread* m_previous;
};

// The calling thread's thread object, or null when the thread has none.
inline CWinThread* AfxGetThread() {
    DWORD slot = tarnmfc::ThreadSlot();
    return slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<CWinThread*>(::TlsGetValue(slot));
}
