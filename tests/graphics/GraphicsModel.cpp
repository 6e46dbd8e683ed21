// Random DIB sections, pixel read-back and comparison for the graphics tests.
#include "GraphicsModel.h"

#include "tuGraphics.h"

#include <cstdio>
#include <string>

namespace gfxtest {

Dib MakeDib(int width, int height, int bitsPerPixel) {
    Dib dib;
    void* bits = nullptr;
    dib.bitmap.reset(gtlCreateDIBSection(width, height, WORD(bitsPerPixel), 1, &bits));
    dib.bits = static_cast<std::uint8_t*>(bits);
    dib.width = width;
    dib.height = height;
    dib.bitsPerPixel = bitsPerPixel;
    return dib;
}

Dib RandomDib(int width, int height, int bitsPerPixel, std::mt19937& random) {
    Dib dib = MakeDib(width, height, bitsPerPixel);
    for (std::size_t i = 0; i < dib.Stride() * dib.height; ++i)
        dib.bits[i] = std::uint8_t(random());
    if (bitsPerPixel == 32)
        for (int row = 0; row < dib.height; ++row)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t alphas[3] = {0, 255, random() & 0xFF};
                dib.At(x, row) = (dib.At(x, row) & 0xFFFFFF) | alphas[random() % 3] << 24;
            }
    return dib;
}

std::vector<std::uint32_t> ReadPixels(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    tu::WindowDC screen;
    if (!::GetDIBits(screen.get(), bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS))
        pixels.clear();
    return pixels;
}

std::vector<std::uint32_t> DibPixels(HBITMAP bitmap, int& width, int& height) {
    DIBSECTION dib = {};
    if (::GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBitsPixel != 32)
        return {};
    width = dib.dsBm.bmWidth;
    height = dib.dsBm.bmHeight;
    const auto* first = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
    return std::vector<std::uint32_t>(first, first + std::size_t(width) * height);
}

static std::string Hex(std::uint32_t pixel) {
    char text[12];
    std::snprintf(text, sizeof text, "%08x", pixel);
    return text;
}

::testing::AssertionResult SamePixels(const std::vector<std::uint32_t>& expected,
                                      const std::vector<std::uint32_t>& actual) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure()
               << expected.size() << " pixels expected, " << actual.size() << " found";
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure()
                   << "pixel " << i << ": expected " << Hex(expected[i]) << ", found "
                   << Hex(actual[i]);
    return ::testing::AssertionSuccess();
}

std::mt19937 SeededRandom() {
    const unsigned seed = ::GetTickCount();
    std::printf("random seed %u\n", seed);
    return std::mt19937(seed);
}

} // namespace gfxtest
