// The demo's message pump: the UI thread keeps dispatching its messages, as a program's message
// loop does, while a worker asks it for calls.
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
