// Alpha blending of whole bitmaps and of rectangles of them into a device context.
#include "common/WindowsSupport.h"

#include "tuGraphics.h"

namespace {

// Source-over with the constant alpha and the source's per-pixel (premultiplied) alpha.
int BlendInto(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, const RECT& from,
              BYTE alpha) {
    tu::MemoryDC memory;
    tu::SelectedObject selection(memory.get(), bitmap);
    if (!dc || !selection)
        return 0;
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    return ::AlphaBlend(dc, x, y, width, height, memory.get(), from.left, from.top,
                        from.right - from.left, from.bottom - from.top, blend);
}

bool ReadSize(HBITMAP bitmap, RECT& whole) {
    BITMAP info = {};
    if (::GetObjectType(bitmap) != OBJ_BITMAP || !::GetObjectW(bitmap, sizeof info, &info))
        return false;
    whole = {0, 0, info.bmWidth, info.bmHeight};
    return true;
}

} // namespace

int WINAPI gtlAlphaBlend(HDC dc, int x, int y, HBITMAP bitmap, BYTE alpha) {
    RECT whole;
    if (!dc || !ReadSize(bitmap, whole))
        return 0;
    return BlendInto(dc, x, y, whole.right, whole.bottom, bitmap, whole, alpha);
}

int WINAPI gtlAlphaBlendRect(HDC dc, CRect destination, HBITMAP bitmap, CRect source, BYTE alpha) {
    RECT whole;
    if (!dc || !ReadSize(bitmap, whole))
        return 0;
    return BlendInto(dc, destination.left, destination.top, destination.Width(),
                     destination.Height(), bitmap, source.IsRectEmpty() ? whole : source, alpha);
}
