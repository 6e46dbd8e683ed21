// Demo of the graphics functions: a file icon with an overlay merged into one icon, and two
// bitmaps merged with per-pixel alpha, both written as PNG files through the imaging component.
#include "Demo.h"

#include "tuGraphics.h"

#include <wincodec.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// A 32-bit picture, top line first, in the imaging component's BGRA order.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

// Writes the picture as a PNG file with straight alpha; true on success.
bool WritePng(const Picture& picture, const std::wstring& path) {
    return ::WritePng(path.c_str(), reinterpret_cast<const unsigned char*>(picture.pixels.data()),
                      picture.width, picture.height);
}

// A bitmap's pixels as a picture, enlarged `scale` times so that small icons can be seen.
Picture ReadPicture(HBITMAP bitmap, int scale) {
    BITMAP info = {};
    ::GetObjectW(bitmap, sizeof info, &info);
    Picture picture{info.bmWidth * scale, info.bmHeight * scale, {}};
    std::vector<std::uint32_t> lines(std::size_t(info.bmWidth) * info.bmHeight);
    BITMAPINFO header = {};
    header.bmiHeader = {
        sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = ::GetDC(nullptr);
    ::GetDIBits(screen, bitmap, 0, info.bmHeight, lines.data(), &header, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(lines[(y / scale) * info.bmWidth + x / scale]);
    return picture;
}

// A 16 x 16 overlay icon: a soft green disc in the lower right corner. Its alpha says where
// it covers; its mask is opaque throughout, since the merged mask is transparent wherever
// either icon's mask is.
HICON OverlayIcon() {
    void* bits = nullptr;
    HBITMAP colour = gtlCreateDIBSection(16, 16, 32, 1, &bits);
    auto* pixel = static_cast<std::uint32_t*>(bits);
    for (int row = 0; row < 16; ++row) // bottom line first
        for (int x = 0; x < 16; ++x) {
            const double distance = std::hypot(x - 11.5, row - 4.5);
            const std::uint32_t alpha = distance < 4 ? 255 : distance < 5 ? 128 : 0;
            pixel[row * 16 + x] = alpha << 24 | (alpha * 0xC0 / 255) << 8; // premultiplied
        }
    HBITMAP mask = ::CreateBitmap(16, 16, 1, 1, std::vector<std::uint8_t>(32, 0).data());
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(mask);
    ::DeleteObject(colour);
    return icon;
}

// The merged icon as a picture: its colour, transparent where its mask says so.
Picture IconPicture(HICON icon, int scale) {
    ICONINFO info = {};
    ::GetIconInfo(icon, &info);
    Picture picture = ReadPicture(info.hbmColor, scale), mask = ReadPicture(info.hbmMask, scale);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        if (mask.pixels[i] & 0xFFFFFF)
            picture.pixels[i] = 0;
        else if (!(picture.pixels[i] >> 24))
            picture.pixels[i] |= 0xFF000000;
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return picture;
}

// A 24-bit picture of stripes on a magenta background (the colour key), and a 32-bit disc
// fading out towards its edge.
void MakeMergeSources(HBITMAP& stripes, HBITMAP& disc) {
    void* bits = nullptr;
    stripes = gtlCreateDIBSection(96, 64, 24, 1, &bits);
    for (int row = 0; row < 64; ++row)
        for (int x = 0; x < 96; ++x) {
            auto* p = static_cast<std::uint8_t*>(bits) + row * 96 * 3 + x * 3;
            const bool stripe = row > 8 && row < 56 && (x / 8) % 2 == 0;
            p[0] = stripe ? 0x30 : 255, p[1] = stripe ? 0x60 : 0, p[2] = stripe ? 0xD0 : 255;
        }
    disc = gtlCreateDIBSection(64, 64, 32, 1, &bits);
    for (int row = 0; row < 64; ++row)
        for (int x = 0; x < 64; ++x) {
            const double distance = std::hypot(x - 31.5, row - 31.5) / 32;
            const std::uint32_t alpha = distance < 1 ? std::uint32_t(255 * (1 - distance)) : 0;
            static_cast<std::uint32_t*>(bits)[row * 64 + x] = alpha << 24 | 0x2080F0;
        }
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

void Report(const char* what, const Picture& picture, const std::wstring& path) {
    std::printf("%s: %d x %d, %s %ls\n", what, picture.width, picture.height,
                WritePng(picture, path) ? "written to" : "could not write", path.c_str());
}

} // namespace

void ShowGraphics() {
    DemoSection("Graphics: merged icons and bitmaps with alpha");
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HICON text = icoGetFileIcon(L"notes.txt", 0), overlay = OverlayIcon();
    HICON merged = gtlMergeIcon(text, overlay);
    if (merged)
        Report("text-file icon with an overlay (8x)", IconPicture(merged, 8),
               TempFile(L"tarnDemo-merged-icon.png"));
    ::DestroyIcon(merged), ::DestroyIcon(text), ::DestroyIcon(overlay);

    HBITMAP stripes = nullptr, disc = nullptr;
    MakeMergeSources(stripes, disc);
    // Magenta is A's colour key; B already has per-pixel alpha, so its key is unused.
    HBITMAP both = gtlMergeBitmaps(stripes, disc, 56, -12, RGB(255, 0, 255), 0);
    if (both)
        Report("stripes with a fading disc merged over them", ReadPicture(both, 1),
               TempFile(L"tarnDemo-merged-bitmap.png"));
    ::DeleteObject(both), ::DeleteObject(stripes), ::DeleteObject(disc);
    ::CoUninitialize();
}
