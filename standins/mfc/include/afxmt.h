// Class-library synchronization subset: critical sections, events and the single lock.
#pragma once

#include "afx.h"

// Base of the lockable objects; m_hObject is the waitable handle where there is one.
class CSyncObject : public CObject {
public:
    explicit CSyncObject(const wchar_t* name = nullptr) { (void)name; }
    ~CSyncObject() override {
        if (m_hObject)
            ::CloseHandle(m_hObject);
    }
    virtual BOOL Lock(DWORD timeout = INFINITE) {
        return ::WaitForSingleObject(m_hObject, timeout) == WAIT_OBJECT_0;
    }
    virtual BOOL Unlock() = 0;
    operator HANDLE() const { return m_hObject; }

    HANDLE m_hObject = nullptr;
};

// Re-entrant lock of one process; Lock waits without limit whatever the time-out.
class CCriticalSection : public CSyncObject {
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_sect); }
    ~CCriticalSection() override { ::DeleteCriticalSection(&m_sect); }
    BOOL Lock(DWORD = INFINITE) override {
        ::EnterCriticalSection(&m_sect);
        return TRUE;
    }
    BOOL Unlock() override {
        ::LeaveCriticalSection(&m_sect);
        return TRUE;
    }
    operator CRITICAL_SECTION*() { return &m_sect; }

    CRITICAL_SECTION m_sect;
};

// Win32 event; automatic reset unless asked otherwise.
class CEvent : public CSyncObject {
public:
    explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE,
                    const wchar_t* name = nullptr, LPSECURITY_ATTRIBUTES attributes = nullptr) {
        m_hObject = ::CreateEventW(attributes, manualReset, initiallyOwn, name);
    }
    BOOL SetEvent() { return ::SetEvent(m_hObject); }
    BOOL ResetEvent() { return ::ResetEvent(m_hObject); }
    BOOL Unlock() override { return TRUE; }
};

// Scoped lock on one sync object; unlocks on destruction if it still holds it.
class CSingleLock {
public:
    explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE) : m_pObject(object) {
        if (initialLock)
            Lock();
    }
    ~CSingleLock() { Unlock(); }
    BOOL Lock(DWORD timeout = INFINITE) {
        if (!m_bAcquired)
            m_bAcquired = m_pObject->Lock(timeout);
        return m_bAcquired;
    }
    BOOL Unlock() {
        if (m_bAcquired)
            m_bAcquired = !m_pObject->Unlock();
        return !m_bAcquired;
    }
    BOOL IsLocked() const { return m_bAcquired; }

private:
    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

    CSyncObject* m_pObject;
    BOOL m_bAcquired = FALSE;
};
