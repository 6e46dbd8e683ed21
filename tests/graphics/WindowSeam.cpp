// The recording UpdateLayeredWindow of the window-effects test program, and the module handle
// that the shadow sources register their window class with there.
#include "WindowSeam.h"

#include "frame/Library.h"

namespace {
std::vector<windowseam::Call> g_calls;
} // namespace

namespace windowseam {

BOOL WINAPI UpdateLayeredWindow(HWND window, HDC screen, POINT* place, SIZE* size, HDC source,
                                POINT* origin, COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    Call call;
    call.window = window;
    call.place = place ? *place : POINT{};
    call.moveOnly = !source;
    if (source && size && blend) {
        call.size = *size;
        call.constantAlpha = blend->SourceConstantAlpha;
        DIBSECTION picture{};
        HGDIOBJ bitmap = ::GetCurrentObject(source, OBJ_BITMAP);
        if (::GetObjectW(bitmap, sizeof picture, &picture) == sizeof picture) {
            auto* bits = static_cast<const std::uint32_t*>(picture.dsBm.bmBits);
            call.pixels.assign(bits, bits + size->cx * size->cy);
        }
    }
    g_calls.push_back(call);
    return ::UpdateLayeredWindow(window, screen, place, size, source, origin, key, blend, flags);
}

std::vector<Call> Take() {
    std::vector<Call> calls;
    calls.swap(g_calls);
    return calls;
}

} // namespace windowseam

HINSTANCE tu::frame::LibraryInstance() {
    return ::GetModuleHandleW(nullptr);
}
