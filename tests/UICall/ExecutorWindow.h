// The executor's window as the tests find it: this process's one window of the "Message" class.
#pragma once

#include <windows.h>

namespace tutest {

inline HWND ExecutorWindow() {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(HWND_MESSAGE, window, L"Message", nullptr)) != nullptr) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == ::GetCurrentProcessId())
            return window;
    }
    return nullptr;
}

} // namespace tutest
