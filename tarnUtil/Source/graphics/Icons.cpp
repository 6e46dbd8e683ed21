// Icons: the shell's icon for a file name, an icon drawn into a bitmap, two icons merged.
#include "common/WindowsSupport.h"

#include "tuGraphics.h"

#include <shellapi.h>

namespace {

// The colour and mask bitmaps of an icon, owned.
struct IconBitmaps {
    ICONINFO info = {};
    tu::UniqueBitmap colour, mask;

    bool Read(HICON icon) {
        if (!icon || !::GetIconInfo(icon, &info))
            return false;
        colour.reset(info.hbmColor);
        mask.reset(info.hbmMask);
        return true;
    }
};

// Draws the top-left 16 x 16 pixels of a bitmap into the context with a raster operation.
bool Draw16(HDC target, HDC scratch, HBITMAP bitmap, DWORD rop) {
    tu::SelectedObject selection(scratch, bitmap);
    return selection && ::BitBlt(target, 0, 0, 16, 16, scratch, 0, 0, rop);
}

// Blends the top-left 16 x 16 pixels of a bitmap over the context with per-pixel alpha.
bool Blend16(HDC target, HDC scratch, HBITMAP bitmap) {
    tu::SelectedObject selection(scratch, bitmap);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    return selection && ::AlphaBlend(target, 0, 0, 16, 16, scratch, 0, 0, 16, 16, blend);
}

} // namespace

HICON WINAPI icoGetFileIcon(LPCWSTR path, int large) {
    SHFILEINFOW info = {};
    const UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (large ? 0 : SHGFI_SMALLICON);
    if (!path || !::SHGetFileInfoW(path, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags))
        return nullptr;
    return info.hIcon;
}

HBITMAP WINAPI icoIcon2Bmp(HICON icon) {
    const int width = ::GetSystemMetrics(SM_CXICON), height = ::GetSystemMetrics(SM_CYICON);
    IconBitmaps parts;
    if (!parts.Read(icon))
        return nullptr;
    tu::UniqueDC display(::CreateICW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!display)
        return nullptr;
    tu::MemoryDC first(display.get()), second(display.get());
    tu::SelectedObject colour(first.get(), parts.colour.get());
    tu::SelectedObject mask(second.get(), parts.mask.get());
    // OR-ing the mask in turns the transparent parts white.
    if (!colour || !mask ||
        !::BitBlt(first.get(), 0, 0, width, height, second.get(), 0, 0, SRCPAINT))
        return nullptr;
    tu::UniqueBitmap result(::CreateCompatibleBitmap(display.get(), width, height));
    {
        tu::SelectedObject target(second.get(), result.get());
        if (!target || !::StretchBlt(second.get(), 0, 0, width, height, first.get(), 0, 0, width,
                                     height, SRCCOPY))
            return nullptr;
    }
    return result.release();
}

HICON WINAPI gtlMergeIcon(HICON a, HICON b) {
    tu::UniqueBitmap colour(gtlCreateDIBSection(16, 16, 32, 1, nullptr));
    tu::UniqueBitmap mask(gtlCreateDIBSection(16, 16, 32, 1, nullptr));
    IconBitmaps partsA, partsB;
    tu::MemoryDC target, scratch;
    if (!colour || !mask || !partsA.Read(a) || !partsB.Read(b) || !target || !scratch)
        return nullptr;
    {
        tu::SelectedObject selection(target.get(), colour.get());
        if (!selection || !Draw16(target.get(), scratch.get(), partsA.colour.get(), SRCCOPY) ||
            !Blend16(target.get(), scratch.get(), partsB.colour.get()))
            return nullptr;
    }
    {
        // OR, so a pixel is transparent when it is transparent in either icon.
        tu::SelectedObject selection(target.get(), mask.get());
        if (!selection || !Draw16(target.get(), scratch.get(), partsA.mask.get(), SRCCOPY) ||
            !Draw16(target.get(), scratch.get(), partsB.mask.get(), SRCPAINT))
            return nullptr;
    }
    ICONINFO info = {partsA.info.fIcon, partsA.info.xHotspot, partsA.info.yHotspot, mask.get(),
                     colour.get()};
    return ::CreateIconIndirect(&info);
}
