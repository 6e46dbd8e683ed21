// The demo's message pump: the UI thread keeps dispatching its messages, as a program's message
// loop does, while a worker asks it for calls or while its windows draw themselves.
#pragma once

#include <windows.h>

#include <atomic>

// Dispatches the messages that are waiting now.
inline void DispatchPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);
}

// Dispatches this thread's messages until the worker says it is done.
inline void PumpUntil(std::atomic<bool> const& done) {
    while (!done) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        DispatchPending();
    }
}

// Dispatches this thread's messages for the given time, so that its windows draw themselves.
inline void PumpFor(DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        DispatchPending();
    }
}
