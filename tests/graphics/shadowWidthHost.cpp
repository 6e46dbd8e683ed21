// Host for the shadow width read once per process: takes "settings.ini" beside it as both
// default settings files, gives a visible window a shadow and exits with the shadow's width
// (the narrower side of its strips), or 0 when no strip appeared.
#include "tuGraphics.h"
#include "tuSettings.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

HWND g_owner;
LONG g_width;

BOOL CALLBACK MeasureStrip(HWND window, LPARAM) {
    wchar_t name[16] = L"";
    RECT frame{};
    if (::GetWindow(window, GW_OWNER) == g_owner && ::GetClassNameW(window, name, 16) &&
        std::wstring(name) == L"_SHADOW_" && ::GetWindowRect(window, &frame))
        g_width = std::min(frame.right - frame.left, frame.bottom - frame.top);
    return TRUE;
}

} // namespace

int wmain() {
    wchar_t path[MAX_PATH] = L"";
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring settings(path);
    settings = settings.substr(0, settings.rfind(L'\\')) + L"\\settings.ini";
    iniSetDefaultFileName(0, settings.c_str());
    iniSetDefaultFileName(1, settings.c_str());

    g_owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 50, 50, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    gtlCreateShadow(g_owner);
    ::EnumThreadWindows(::GetCurrentThreadId(), MeasureStrip, 0);
    ::DestroyWindow(g_owner);
    return g_width;
}
