// Seam of the window-effects test program (its effects sources built with TARN_WINDOW_SEAM): the
// shadows' layered updates go through its recorder, and their maps can be counted.
#pragma once

#include <windows.h>

#include <cstddef>

namespace windowseam {
// Records the call, then makes it.
BOOL WINAPI UpdateLayeredWindow(HWND window, HDC screen, POINT* place, SIZE* size, HDC source,
                                POINT* origin, COLORREF key, BLENDFUNCTION* blend, DWORD flags);
} // namespace windowseam

namespace tu::graphics {
// Entries of the shadow map and the procedure map together.
std::size_t ShadowMapEntries();
std::size_t ThumbMapEntries();
} // namespace tu::graphics
