// The library's one lock idiom: a lock object of its own (a critical section, re-entrant) and the
// guard that holds it for a scope. The guard also holds a bare CRITICAL_SECTION whose storage
// lies elsewhere: a field of an exported class, or a lock that is never destroyed.
#pragma once

#include "common/WindowsSupport.h"

namespace tu {

// A critical section made with the object and deleted with it; a thread that holds it may take
// it again. Held only through LockGuard, so it is released on every way out of a scope.
class Lock {
public:
    Lock() { ::InitializeCriticalSection(&m_section); }
    ~Lock() { ::DeleteCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    friend class LockGuard;
    CRITICAL_SECTION m_section;
};

// Holds a lock from its construction to the end of its scope. Unlock lets it go early, for
// work that must not run under it (foreign code, a peek that may deliver a sent message);
// Relock takes it again. The guard releases it at the end only when it holds it.
class LockGuard {
public:
    explicit LockGuard(Lock& lock) : LockGuard(lock.m_section) {}
    explicit LockGuard(CRITICAL_SECTION& section) : m_section(section) { Relock(); }
    ~LockGuard() {
        if (m_held)
            Unlock();
    }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

    void Unlock() {
        m_held = false;
        ::LeaveCriticalSection(&m_section);
    }
    void Relock() {
        ::EnterCriticalSection(&m_section);
        m_held = true;
    }

private:
    CRITICAL_SECTION& m_section;
    bool m_held = false;
};

} // namespace tu
