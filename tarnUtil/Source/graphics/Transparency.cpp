// Window transparency: the transparency message, the late-bound SetLayeredWindowAttributes and
// the level of a window.
#include "tuGraphics.h"

#include "common/LateBound.h"

// Registered while the library's static objects are constructed, so that its number is known
// before any code of the library runs.
const UINT WM_TRANSPARENCYCHANGED = ::RegisterWindowMessageW(L"__TRANS_CHANGED__");

namespace {
tu::LateBound<tSetLayeredWindowAttributes> g_setLayeredAttributes;
} // namespace

tSetLayeredWindowAttributes WINAPI gtlGetSetLayeredWindowAttributes() {
    return g_setLayeredAttributes.Get(L"user32.dll", "SetLayeredWindowAttributes");
}

int WINAPI gtlSetWindowTransparency(HWND window, BYTE level) {
    if (!::IsWindow(window))
        return 0;
    tSetLayeredWindowAttributes setAttributes = gtlGetSetLayeredWindowAttributes();
    if (!setAttributes)
        return 0;
    LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (level) {
        if (!(exStyle & WS_EX_LAYERED))
            ::SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        // Level 1 keeps the window layered but fully opaque.
        if (level == 1)
            level = 0;
        setAttributes(window, 0, static_cast<BYTE>(255 - level), LWA_ALPHA);
    } else if (exStyle & WS_EX_LAYERED) {
        ::SetWindowLongPtrW(window, GWL_EXSTYLE, exStyle & ~LONG_PTR(WS_EX_LAYERED));
    }
    ::SendMessageW(window, WM_TRANSPARENCYCHANGED, level, 0);
    return 1;
}
