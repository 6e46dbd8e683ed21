// The window-effects test program's seam: the transparency, shadow and thumb sources are
// compiled into it with TARN_WINDOW_SEAM, their UpdateLayeredWindow calls are recorded here
// before they reach the platform, and their maps can be counted.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace windowseam {

// One UpdateLayeredWindow call of a shadow; a move alone carries no picture.
struct Call {
    HWND window = nullptr;
    POINT place{};
    bool moveOnly = false;
    SIZE size{};
    BYTE constantAlpha = 0;
    std::vector<std::uint32_t> pixels; // memory rows of the picture, bottom-up
};

// Records the call, then makes it.
BOOL WINAPI UpdateLayeredWindow(HWND window, HDC screen, POINT* place, SIZE* size, HDC source,
                                POINT* origin, COLORREF key, BLENDFUNCTION* blend, DWORD flags);

// The calls since the last Take, in order; the record starts afresh.
std::vector<Call> Take();

} // namespace windowseam

namespace tu::graphics {
// Entries of the shadow map and the procedure map together.
std::size_t ShadowMapEntries();
// Entries of the thumb map.
std::size_t ThumbMapEntries();
} // namespace tu::graphics
