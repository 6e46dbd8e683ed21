// Drop shadows inside the library: the corner profile from which every shadow strip is drawn.
#pragma once

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

} // namespace tu::graphics
