// The window effects inside the library: the corner profile every shadow strip is drawn from,
// the shadows' platform calls gathered in one table (the library passes the system's own, the
// window-effects tests a recorder of every strip picture), and the sizes of the window maps.
#pragma once

#include "common/WindowsSupport.h"

#include <cstddef>
#include <cstdint>

namespace tu::graphics {

// The widest shadow, in pixels; the configured width is kept within 1 and this.
constexpr int kMaxShadowWidth = 16;

// The alpha of a shadow's rounded corner as premultiplied black 32-bit pixels (alpha in the
// top byte, colour bytes 0). For a width w and 0 <= x, y < w, with d the distance of (x, y)
// from the owner's corner, row w - 1 - y, column x holds
// A(x, y) = (cos(d / w * 1.5708 + 1.3) + 1) * 112 (integer part) where d < w; all else is 0.
using CornerProfile = std::uint32_t[kMaxShadowWidth][kMaxShadowWidth];

// Fills the profile of a shadow of the given width (1 to kMaxShadowWidth).
void ComputeCornerProfile(int width, CornerProfile& profile);

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);

struct WindowPlatform {
    // UpdateLayeredWindow, or null where the platform has none: no shadow is cast then.
    UpdateLayeredWindowFn (*updateLayeredWindow)();
};

// gtlCreateShadow on the given platform calls, which the shadow keeps making for its owner's
// life; the table must outlive it.
void CreateShadow(HWND window, const WindowPlatform& platform);

// Entries of the shadow map and the procedure map together.
std::size_t ShadowMapEntries();
// Entries of the thumb map.
std::size_t ThumbMapEntries();

} // namespace tu::graphics
