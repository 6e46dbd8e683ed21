// Trackbar thumb length: the thumb fills the control across its short side, and can be kept so
// through resizes by subclassing the control.
#include "tuGraphics.h"

#include "common/Lock.h"
#include "common/WindowsSupport.h"
#include "graphics/WindowEffects.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <new>

namespace {

// Subclassed trackbars and the procedures they had before. Guarded by g_thumbLock, which is a
// leaf and is never held while a window procedure runs.
std::map<HWND, WNDPROC> g_thumbProcedures;
tu::Lock g_thumbLock;

void ApplyThumbLength(HWND trackbar, LONG style) {
    RECT frame{};
    ::GetWindowRect(trackbar, &frame);
    LONG across = (style & TBS_VERT) ? frame.right - frame.left : frame.bottom - frame.top;
    // A control thinner than the margin gets no thumb rather than a huge one.
    ::SendMessageW(trackbar, TBM_SETTHUMBLENGTH, std::max(across - 4, 0L), 0);
}

WNDPROC PreviousProcedure(HWND trackbar) {
    tu::LockGuard lock(g_thumbLock);
    auto found = g_thumbProcedures.find(trackbar);
    return found == g_thumbProcedures.end() ? nullptr : found->second;
}

LRESULT CALLBACK ThumbProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = PreviousProcedure(window);
    // A window the map does not know still gets the default handling.
    if (!previous)
        return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = ::CallWindowProcW(previous, window, message, wParam, lParam);
    if (message == WM_SIZE) {
        ApplyThumbLength(window, ::GetWindowLongW(window, GWL_STYLE));
    } else if (message == WM_NCDESTROY) {
        tu::LockGuard lock(g_thumbLock);
        g_thumbProcedures.erase(window);
    }
    return result;
}

// Subclasses a trackbar once; one already in the map is left as it is.
void KeepThumbLength(HWND trackbar) {
    tu::LockGuard lock(g_thumbLock);
    std::map<HWND, WNDPROC>::iterator entry;
    try {
        bool added;
        std::tie(entry, added) = g_thumbProcedures.emplace(trackbar, nullptr);
        if (!added)
            return;
    } catch (const std::bad_alloc&) {
        return;
    }
    // Pointer-sized: a window procedure does not fit in 32 bits on x64. Replacing it sends no
    // message; the trackbar's thread waits on the lock until the entry holds it.
    LONG_PTR previous =
        ::SetWindowLongPtrW(trackbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ThumbProc));
    if (previous)
        entry->second = reinterpret_cast<WNDPROC>(previous);
    else
        g_thumbProcedures.erase(entry);
}

} // namespace

std::size_t tu::graphics::ThumbMapEntries() {
    tu::LockGuard lock(g_thumbLock);
    return g_thumbProcedures.size();
}

void WINAPI gtlSetDefaultThumbLength(HWND trackbar, int keep) {
    if (!::IsWindow(trackbar))
        return;
    LONG style = ::GetWindowLongW(trackbar, GWL_STYLE);
    // Styles are 32-bit; the control takes a thumb length only with a fixed-length thumb.
    if (!(style & TBS_FIXEDLENGTH))
        ::SetWindowLongW(trackbar, GWL_STYLE, style | TBS_FIXEDLENGTH);
    ApplyThumbLength(trackbar, style);
    if (keep)
        KeepThumbLength(trackbar);
}
