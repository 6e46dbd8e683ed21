// Host for the shadow width read once per process: with "settings.ini" in its working folder as
// both default settings files, exits with a window's shadow width (0 when no strip appeared).
#include "tuGraphics.h"
#include "tuSettings.h"

#include <windows.h>

#include <algorithm>

int wmain() {
    wchar_t settings[MAX_PATH] = L"";
    ::GetFullPathNameW(L"settings.ini", MAX_PATH, settings, nullptr);
    iniSetDefaultFileName(0, settings);
    iniSetDefaultFileName(1, settings);

    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200,
                                   nullptr, nullptr, nullptr, nullptr);
    gtlCreateShadow(owner);
    LONG width = 0;
    RECT frame{};
    for (HWND strip = nullptr; (strip = ::FindWindowExW(nullptr, strip, L"_SHADOW_", nullptr));)
        if (::GetWindow(strip, GW_OWNER) == owner && ::GetWindowRect(strip, &frame))
            width = std::min(frame.right - frame.left, frame.bottom - frame.top);
    ::DestroyWindow(owner);
    return width;
}
