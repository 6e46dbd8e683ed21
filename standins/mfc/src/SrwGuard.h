// Holders of an SRW lock for a scope, so that an exception (an allocation that fails under the
// lock) never leaves the lock held.
#pragma once

#include <windows.h>

template <void(WINAPI* Acquire)(PSRWLOCK), void(WINAPI* Release)(PSRWLOCK)> class SrwGuard {
public:
    explicit SrwGuard(SRWLOCK& lock) : m_lock(lock) { Acquire(&m_lock); }
    ~SrwGuard() { Release(&m_lock); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

private:
    SRWLOCK& m_lock;
};

using ExclusiveSrwGuard = SrwGuard<&::AcquireSRWLockExclusive, &::ReleaseSRWLockExclusive>;
using SharedSrwGuard = SrwGuard<&::AcquireSRWLockShared, &::ReleaseSRWLockShared>;
