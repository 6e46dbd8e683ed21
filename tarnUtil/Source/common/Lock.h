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

// Holds a lock from its construction to the end of its scope.
class LockGuard {
public:
    explicit LockGuard(Lock& lock) : LockGuard(lock.m_section) {}
    explicit LockGuard(CRITICAL_SECTION& section) : m_section(section) {
        ::EnterCriticalSection(&m_section);
    }
    ~LockGuard() { ::LeaveCriticalSection(&m_section); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

} // namespace tu
