// Pixel memory of DIB sections and the row loops that work on it directly.
#pragma once

#include "common/WindowsSupport.h"

#include <cstddef>
#include <cstdint>

namespace tu::graphics {

// The pixel memory of a DIB section, walked by rows as they lie in memory: upward from the
// picture's bottom line for a bottom-up section. (The system does not reliably say whether a
// section is top-down, so the rows are never reordered.)
struct PixelView {
    std::uint8_t* bits = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int planes = 0;

    std::uint8_t* Row(int row) const { return bits + row * stride; }
    std::uint32_t* Row32(int row) const { return reinterpret_cast<std::uint32_t*>(Row(row)); }
};

// Bytes per row of an uncompressed DIB: rows are padded to whole 32-bit words.
inline std::size_t DibStride(int width, int bitsPerPixel) {
    return (static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

// True with the view filled when the bitmap is a DIB section with pixel memory and a positive
// size; false for a null or non-bitmap handle and for a device-dependent bitmap.
bool ReadDib(HBITMAP bitmap, PixelView& view);

// Draws `count` source pixels over result pixels in place with straight alpha:
// n = (256 - Pa) * Sa + 256 * Pa and Na = n / 256; a pixel with n below 256 becomes 0, any
// other gets each colour P.c + (S.c - P.c) * Sa / Na (truncated toward zero) and alpha Na.
void CompositeRow(std::uint32_t* result, const std::uint32_t* source, std::size_t count);

} // namespace tu::graphics
