// Bitmaps: 32-bit DIB sections.
#include "common/WindowsSupport.h"

#include "tuGraphics.h"

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
