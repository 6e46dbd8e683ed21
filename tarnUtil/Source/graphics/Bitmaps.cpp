// Bitmaps: 32-bit DIB sections, the alpha channel recovered from two renderings, and the
// merge of two bitmaps into one.
#include "graphics/Pixels.h"

#include "tuGraphics.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tu::graphics {

bool ReadDib(HBITMAP bitmap, PixelView& view) {
    DIBSECTION dib = {};
    if (!bitmap || ::GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits ||
        dib.dsBm.bmWidth <= 0 || dib.dsBm.bmHeight == 0)
        return false;
    view.bits = static_cast<std::uint8_t*>(dib.dsBm.bmBits);
    view.width = dib.dsBm.bmWidth;
    view.height = std::abs(dib.dsBm.bmHeight);
    view.bitsPerPixel = dib.dsBm.bmBitsPixel;
    view.planes = dib.dsBm.bmPlanes;
    view.stride = static_cast<std::ptrdiff_t>(DibStride(view.width, view.bitsPerPixel));
    return true;
}

} // namespace tu::graphics

using tu::UniqueBitmap;
using namespace tu::graphics;

namespace {

// A new bottom-up 32-bit DIB section and the view of its pixels.
UniqueBitmap Create32(int width, int height, PixelView& view) {
    UniqueBitmap bitmap(gtlCreateDIBSection(width, height, 32, 1, nullptr));
    if (bitmap && !ReadDib(bitmap.get(), view))
        bitmap.reset();
    return bitmap;
}

// One line of the alpha recovery: colour from the left picture, alpha from how far the two
// renderings differ (none: opaque, black against white: transparent).
void CalcAlphaRow(const std::uint8_t* left, const std::uint8_t* right, std::uint32_t* out,
                  int width) {
    for (int x = 0; x < width; ++x, left += 3, right += 3) {
        const std::uint32_t b = left[0], g = left[1], r = left[2];
        const std::uint32_t s = (b + g + r + 3 * 255 - right[0] - right[1] - right[2]) / 3;
        const std::uint32_t alpha = std::min<std::uint32_t>(255, std::max({s, b, g, r}));
        out[x] = alpha << 24 | r << 16 | g << 8 | b;
    }
}

// A COLORREF (0x00BBGGRR) in pixel layout (0x00RRGGBB).
std::uint32_t PixelOf(COLORREF colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// Pixels of the key's colour become transparent, every other pixel opaque.
void ApplyColourKey(const PixelView& view, COLORREF key) {
    const std::uint32_t keyPixel = PixelOf(key);
    for (int row = 0; row < view.height; ++row) {
        std::uint32_t* pixel = view.Row32(row);
        for (int x = 0; x < view.width; ++x)
            pixel[x] = (pixel[x] & 0xFFFFFF) == keyPixel ? 0 : pixel[x] | 0xFF000000;
    }
}

// Draws a bitmap of any format at its own size into a 32-bit DIB section of that size.
bool DrawInto(HBITMAP target, HBITMAP source, int width, int height) {
    tu::MemoryDC targetDC, sourceDC;
    tu::SelectedObject targetSelection(targetDC.get(), target);
    tu::SelectedObject sourceSelection(sourceDC.get(), source);
    bool drawn = targetSelection && sourceSelection &&
                 ::BitBlt(targetDC.get(), 0, 0, width, height, sourceDC.get(), 0, 0, SRCCOPY);
    ::GdiFlush(); // the pixels are read directly next
    return drawn;
}

// A bitmap's pixels in 32 bits. A 32-bit DIB section is read in place (its pixels are taken
// as they are); another 32-bit bitmap is copied into a DIB section; any other bitmap is drawn
// into 32 bits with the colour key made transparent. `converted` owns what was made.
bool Read32(HBITMAP bitmap, COLORREF key, UniqueBitmap& converted, PixelView& view) {
    BITMAP info = {};
    if (::GetObjectType(bitmap) != OBJ_BITMAP || !::GetObjectW(bitmap, sizeof info, &info))
        return false;
    if (info.bmBitsPixel == 32) {
        if (ReadDib(bitmap, view))
            return true;
        converted.reset(
            static_cast<HBITMAP>(::CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        return converted && ReadDib(converted.get(), view);
    }
    converted = Create32(info.bmWidth, info.bmHeight, view);
    if (!converted || !DrawInto(converted.get(), bitmap, info.bmWidth, info.bmHeight))
        return false;
    ApplyColourKey(view, key);
    return true;
}

// The extent that covers [0, sizeA) and [offset, offset + sizeB), or -1 when it exceeds int.
long long CoveringExtent(int sizeA, int sizeB, int offset) {
    long long extent = std::max<long long>(sizeA, 0LL + sizeB + offset) - std::min(offset, 0);
    return extent > INT_MAX ? -1 : extent;
}

// Pixel memory above this is refused before the system is asked: it keeps every row offset
// and size computation inside 32-bit DIB limits.
constexpr long long kMaxMergedBytes = INT_MAX;

} // namespace

HBITMAP WINAPI gtlCreateDIBSection(LONG width, LONG height, WORD bitsPerPixel, WORD planes,
                                   void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = planes;
    info.bmiHeader.biBitCount = bitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap && bits)
        *bits = pixels;
    return bitmap;
}

HBITMAP WINAPI gtlCalcAlphaBmp(HBITMAP source) {
    PixelView in, out;
    if (!ReadDib(source, in) || in.bitsPerPixel != 24 || in.width < 2)
        return nullptr;
    const int width = in.width / 2;
    UniqueBitmap result = Create32(width, in.height, out);
    if (!result)
        return nullptr;
    for (int row = 0; row < in.height; ++row)
        CalcAlphaRow(in.Row(row), in.Row(row) + 3 * width, out.Row32(row), width);
    return result.release();
}

HBITMAP WINAPI gtlMergeBitmaps(HBITMAP a, HBITMAP b, int dx, int dy, COLORREF keyA, COLORREF keyB) {
    UniqueBitmap convertedA, convertedB;
    PixelView pixelsA, pixelsB, out;
    if (!Read32(a, keyA, convertedA, pixelsA) || !Read32(b, keyB, convertedB, pixelsB))
        return nullptr;
    const long long width = CoveringExtent(pixelsA.width, pixelsB.width, dx);
    const long long height = CoveringExtent(pixelsA.height, pixelsB.height, dy);
    if (width <= 0 || height <= 0 || width * height > kMaxMergedBytes / 4)
        return nullptr;
    UniqueBitmap result = Create32(static_cast<int>(width), static_cast<int>(height), out);
    if (!result)
        return nullptr;
    std::memset(out.bits, 0, static_cast<std::size_t>(width * height * 4));
    const int ax = -std::min(dx, 0), ay = -std::min(dy, 0);
    for (int row = 0; row < pixelsA.height; ++row)
        std::memcpy(out.Row32(row + ay) + ax, pixelsA.Row32(row), 4 * std::size_t(pixelsA.width));
    const int bx = std::max(dx, 0), by = std::max(dy, 0);
    for (int row = 0; row < pixelsB.height; ++row)
        CompositeRow(out.Row32(row + by) + bx, pixelsB.Row32(row), pixelsB.width);
    return result.release();
}
