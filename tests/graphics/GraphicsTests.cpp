// Bitmaps, icons, blending and the clipboard: pixel-exact against plain models of the rules and
// against the platform's own AlphaBlend, bad input, and the GDI object count over many calls.
#include "tuGraphics.h"

#include "ObjectCounts.h"
#include "graphics/Pixels.h"

#include <afxwin.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <tuple>

namespace {

using Pixels = std::vector<std::uint32_t>;

// One pixel of B over a result pixel: straight alpha, divisions truncated toward zero.
std::uint32_t ModelOver(std::uint32_t p, std::uint32_t s) {
    const int sa = int(s >> 24), pa = int(p >> 24), n = (256 - pa) * sa + 256 * pa;
    if (n < 256)
        return 0;
    std::uint32_t out = std::uint32_t(n / 256) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const int pc = int(p >> shift & 0xFF), sc = int(s >> shift & 0xFF);
        out |= std::uint32_t(pc + (sc - pc) * sa / (n / 256)) << shift;
    }
    return out;
}

// Empty when both lists are equal, else the first difference.
std::string Difference(const Pixels& expected, const Pixels& actual) {
    char text[80] = "";
    if (expected.size() != actual.size())
        std::snprintf(text, sizeof text, "%zu pixels, not %zu", actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size() && !*text; ++i)
        if (expected[i] != actual[i])
            std::snprintf(text, sizeof text, "pixel %zu: %08x, not %08x", i, actual[i],
                          expected[i]);
    return text;
}

// A bottom-up DIB section with its pixel memory.
struct Dib {
    tu::UniqueBitmap bitmap;
    std::uint8_t* bits = nullptr;
    int width = 0, height = 0, bitsPerPixel = 0;

    Dib(int w, int h, int bpp) : width(w), height(h), bitsPerPixel(bpp) {
        void* memory = nullptr;
        bitmap.reset(gtlCreateDIBSection(w, h, WORD(bpp), 1, &memory));
        bits = static_cast<std::uint8_t*>(memory);
    }
    std::size_t Stride() const { return tu::graphics::DibStride(width, bitsPerPixel); }
    std::uint8_t* Row(int row) const { return bits + row * Stride(); }
    std::uint32_t& At(int x, int row) const {
        return reinterpret_cast<std::uint32_t*>(Row(row))[x];
    }
    // Any pixel in 32-bit layout; 24-bit ones without alpha.
    std::uint32_t Pixel(int x, int row) const {
        const std::uint8_t* p = Row(row) + 3 * x;
        return bitsPerPixel == 32 ? At(x, row) : std::uint32_t(p[2]) << 16 | p[1] << 8 | p[0];
    }
};

// Every byte random, 32-bit alphas 0, 255 or between in equal shares; the seed is printed.
Dib RandomDib(int width, int height, int bitsPerPixel) {
    static std::mt19937 random = [] {
        const DWORD seed = ::GetTickCount();
        std::printf("random seed %lu\n", seed);
        return std::mt19937(seed);
    }();
    Dib dib(width, height, bitsPerPixel);
    std::generate_n(dib.bits, dib.Stride() * height, [] { return std::uint8_t(random()); });
    for (int row = 0; row < height && bitsPerPixel == 32; ++row)
        for (int x = 0; x < width; ++x)
            if (random() % 3 < 2)
                dib.At(x, row) = (dib.At(x, row) & 0xFFFFFF) | (random() % 2 ? 0xFF000000 : 0);
    return dib;
}

// Any bitmap's pixels in 32 bits, bottom line first, and its size.
Pixels ReadPixels(HBITMAP bitmap, SIZE& size) {
    BITMAP info = {};
    ::GetObjectW(bitmap, sizeof info, &info);
    size = {info.bmWidth, info.bmHeight};
    Pixels pixels(std::size_t(size.cx) * size.cy);
    BITMAPINFO header = {};
    header.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    tu::WindowDC screen;
    ::GetDIBits(screen.get(), bitmap, 0, size.cy, pixels.data(), &header, DIB_RGB_COLORS);
    return pixels;
}

TEST(Compositing, EveryAlphaPairEqualsTheIntegerRule) {
    // Blue and green pair every spread value with every other; the 4-pixel and 1-pixel paths run.
    const std::uint32_t spread[10] = {0, 1, 2, 63, 127, 128, 129, 200, 254, 255};
    Pixels source, result;
    for (std::uint32_t pa = 0; pa < 256; ++pa)
        for (int j = 0; j < 100; ++j) {
            source.push_back(spread[j % 10] | spread[j / 10] << 8 | spread[(j + 3) % 10] << 16);
            result.push_back(spread[j / 10] | spread[j % 10] << 8 | spread[j * 7 % 10] << 16 |
                             pa << 24);
        }
    for (std::uint32_t sa = 0; sa < 256; ++sa) {
        Pixels expected(result.size()), wide = result, single = result;
        for (std::size_t i = 0; i < source.size(); ++i) {
            source[i] = (source[i] & 0xFFFFFF) | sa << 24;
            expected[i] = ModelOver(result[i], source[i]);
            tu::graphics::CompositeRow(&single[i], &source[i], 1);
        }
        tu::graphics::CompositeRow(wide.data(), source.data(), wide.size());
        ASSERT_EQ("", Difference(expected, wide)) << "source alpha " << sa;
        ASSERT_EQ("", Difference(expected, single)) << "source alpha " << sa;
    }
}

TEST(Bitmaps, CalcAlphaEqualsTheModel) {
    for (int width : {2, 3, 7, 33}) { // rows of 6, 9, 21 and 99 bytes are padded
        Dib source = RandomDib(width, 5, 24);
        Pixels expected;
        for (int row = 0; row < 5; ++row)
            for (int x = 0; x < width / 2; ++x) {
                const std::uint32_t l = source.Pixel(x, row), r = source.Pixel(x + width / 2, row);
                int s = 0, alpha = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    s += int(l >> shift & 0xFF) - int(r >> shift & 0xFF) + 255;
                    alpha = std::max(alpha, int(l >> shift & 0xFF));
                }
                expected.push_back(std::uint32_t(std::min(255, std::max(alpha, s / 3))) << 24 | l);
            }
        tu::UniqueBitmap result(gtlCalcAlphaBmp(source.bitmap.get()));
        SIZE size = {};
        EXPECT_EQ("", Difference(expected, ReadPixels(result.get(), size))) << width;
        EXPECT_EQ(width / 2, size.cx);
    }
}

TEST(Bitmaps, MergeEqualsTheModel) {
    const COLORREF keys[2] = {RGB(255, 0, 255), RGB(10, 20, 30)};
    const std::uint32_t keyPixels[2] = {0xFF00FF, 0x0A141E}; // the keys in pixel layout
    // Rows: width, height and bits of A and of B, B's place.
    using Row = std::array<int, 8>;
    for (const auto& [widthA, heightA, bitsA, widthB, heightB, bitsB, dx, dy] :
         {Row{16, 16, 32, 16, 16, 32, 8, 0}, Row{16, 16, 32, 16, 16, 32, -4, 0},
          Row{13, 7, 24, 9, 11, 32, 3, -5}, Row{5, 3, 24, 7, 2, 24, -7, 6},
          Row{1, 1, 32, 3, 2, 24, 0, 0}, Row{40, 9, 32, 37, 9, 32, 2, 1}}) {
        SCOPED_TRACE(::testing::Message() << "B at " << dx << ", " << dy);
        Dib dibs[2] = {RandomDib(widthA, heightA, bitsA), RandomDib(widthB, heightB, bitsB)};
        // Every fourth 24-bit pixel keyed; 32-bit pixels merge as they are, others keyed or opaque.
        Pixels converted[2];
        for (int i : {0, 1})
            for (int p = 0; p < dibs[i].width * dibs[i].height; ++p) {
                const int x = p % dibs[i].width, row = p / dibs[i].width;
                if (dibs[i].bitsPerPixel == 24 && p % 4 == 0)
                    std::memcpy(dibs[i].Row(row) + 3 * x, &keyPixels[i], 3);
                const std::uint32_t pixel = dibs[i].Pixel(x, row);
                converted[i].push_back(dibs[i].bitsPerPixel == 32 ? pixel
                                       : pixel == keyPixels[i]    ? 0
                                                                  : pixel | 0xFF000000);
            }
        const int width = std::max(widthA, widthB + dx) - std::min(dx, 0);
        Pixels expected(std::size_t(width) * (std::max(heightA, heightB + dy) - std::min(dy, 0)));
        for (int row = 0; row < heightA; ++row)
            for (int x = 0; x < widthA; ++x)
                expected[(row - std::min(dy, 0)) * width + x - std::min(dx, 0)] =
                    converted[0][row * widthA + x];
        for (int row = 0; row < heightB; ++row)
            for (int x = 0; x < widthB; ++x) {
                std::uint32_t& p = expected[(row + std::max(dy, 0)) * width + x + std::max(dx, 0)];
                p = ModelOver(p, converted[1][row * widthB + x]);
            }
        tu::UniqueBitmap merged(
            gtlMergeBitmaps(dibs[0].bitmap.get(), dibs[1].bitmap.get(), dx, dy, keys[0], keys[1]));
        SIZE size = {};
        EXPECT_EQ("", Difference(expected, ReadPixels(merged.get(), size)));
        EXPECT_EQ(width, size.cx);
    }
}

struct Canvas {
    Dib dib;
    tu::MemoryDC dc;
    tu::SelectedObject selection;
    explicit Canvas(Dib&& pixels) : dib(std::move(pixels)), selection(dc.get(), dib.bitmap.get()) {}
};

TEST(Blending, EqualsThePlatformsAlphaBlend) {
    Dib source = RandomDib(12, 10, 32);
    Canvas library(RandomDib(40, 30, 32)), platform(Dib(40, 30, 32));
    auto platformBlend = [&](CRect to, CRect from, BYTE alpha) {
        std::memcpy(platform.dib.bits, library.dib.bits, library.dib.Stride() * 30);
        tu::MemoryDC sourceDC;
        tu::SelectedObject selection(sourceDC.get(), source.bitmap.get());
        ::AlphaBlend(platform.dc.get(), to.left, to.top, to.Width(), to.Height(), sourceDC.get(),
                     from.left, from.top, from.Width(), from.Height(),
                     {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA});
    };
    auto same = [&] {
        ::GdiFlush();
        return !std::memcmp(platform.dib.bits, library.dib.bits, library.dib.Stride() * 30);
    };
    HDC dc = library.dc.get();
    HBITMAP bitmap = source.bitmap.get();
    platformBlend({5, 7, 17, 17}, {0, 0, 12, 10}, 200);
    EXPECT_TRUE(gtlAlphaBlend(dc, 5, 7, bitmap, 200) && same());
    platformBlend({1, 2, 31, 22}, {2, 3, 12, 8}, 128);
    EXPECT_TRUE(gtlAlphaBlendRect(dc, {1, 2, 31, 22}, bitmap, {2, 3, 12, 8}, 128) && same());
    platformBlend({-3, 4, 21, 9}, {0, 0, 12, 10}, 255);
    EXPECT_TRUE(gtlAlphaBlendRect(dc, {-3, 4, 21, 9}, bitmap, {}, 255) && same())
        << "an empty source rectangle stands for the whole bitmap";
}

// An icon of the given size from a 32-bit colour and a mask bit per pixel (x, line from top).
HICON MakeIcon(int size, const std::function<std::uint32_t(int, int)>& colour,
               const std::function<bool(int, int)>& transparent) {
    Dib pixels(size, -size, 32); // top-down, like the mask
    std::vector<std::uint8_t> maskBits(size * size / 8, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            pixels.At(x, y) = colour(x, y);
            maskBits[y * size / 8 + x / 8] |= transparent(x, y) ? 0x80 >> x % 8 : 0;
        }
    tu::UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, maskBits.data()));
    ICONINFO info = {TRUE, 0, 0, mask.get(), pixels.bitmap.get()};
    return ::CreateIconIndirect(&info);
}

TEST(Icons, FileIconsAndIconToBitmap) {
    for (int large : {1, 0}) { // the large or the small size, of a file that need not exist
        HICON icon = icoGetFileIcon(L"C:\\no\\such\\folder\\notes.txt", large);
        ICONINFO info = {};
        ASSERT_TRUE(icon && ::GetIconInfo(icon, &info));
        BITMAP bitmap = {};
        ::GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(::GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON), bitmap.bmWidth);
        ::DeleteObject(info.hbmColor), ::DeleteObject(info.hbmMask), ::DestroyIcon(icon);
    }
    const int size = ::GetSystemMetrics(SM_CXICON);
    HICON icon = MakeIcon(
        size, [](int, int) { return 0xFF000000; }, [&](int x, int) { return x < size / 2; });
    tu::UniqueBitmap bitmap(icoIcon2Bmp(icon));
    ::DestroyIcon(icon);
    SIZE read = {};
    const Pixels pixels = ReadPixels(bitmap.get(), read);
    for (int x : {0, size / 2 - 1, size / 2, size - 1}) // transparent parts turn white
        EXPECT_EQ(x < size / 2 ? 0xFFFFFFu : 0u, pixels[x] & 0xFFFFFF) << "column " << x;
}

TEST(Icons, MergeBlendsColourAndOrsMasks) {
    // A: red, masked in its left half. B: blue in its masked upper half, fully transparent below.
    HICON a = MakeIcon(
        16, [](int, int) { return 0xFFFF0000; }, [](int x, int) { return x < 8; });
    HICON b = MakeIcon(
        16, [](int, int y) { return y < 8 ? 0xFF0000FF : 0; }, [](int, int y) { return y < 8; });
    HICON merged = gtlMergeIcon(a, b);
    ICONINFO info = {};
    ASSERT_TRUE(merged && ::GetIconInfo(merged, &info));
    SIZE read = {};
    const Pixels colour = ReadPixels(info.hbmColor, read), mask = ReadPixels(info.hbmMask, read);
    ::DeleteObject(info.hbmColor), ::DeleteObject(info.hbmMask);
    ::DestroyIcon(a), ::DestroyIcon(b), ::DestroyIcon(merged);
    for (int row : {0, 15}) // bottom line first
        for (int x : {0, 15}) {
            SCOPED_TRACE(::testing::Message() << "column " << x << ", line " << row);
            EXPECT_EQ(row >= 8 ? 0x0000FFu : 0xFF0000u, colour[row * 16 + x] & 0xFFFFFF);
            EXPECT_EQ(x < 8 || row >= 8 ? 0xFFFFFFu : 0u, mask[row * 16 + x] & 0xFFFFFF);
        }
}

TEST(Clipboard, PackedDibRowsAndHeightForEachOrder) {
    CWnd window;
    ASSERT_TRUE(window.CreateEx(0, L"STATIC", L"main", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr));
    CWinThread thread;
    thread.m_pMainWnd = &window;
    Dib picture(3, 4, 24); // 9 bytes of pixels and 3 of padding a row
    for (int row = 0; row < 4; ++row)
        std::memset(picture.Row(row), row + 1, picture.Stride());
    using Row = std::tuple<int, int, LONG, bool>;
    for (const auto& [topDown, flip, height, reversed] :
         {Row{0, 0, 4, false}, Row{1, 0, -4, false}, Row{1, 1, 4, true}, Row{0, 1, 4, false}}) {
        SCOPED_TRACE(::testing::Message() << "top-down " << topDown << ", flip " << flip);
        ASSERT_EQ(1, gtlCopyRGBBmpToClipboard(picture.bitmap.get(), topDown, flip));
        const tu::OpenClipboardGuard open(nullptr);
        const tu::GlobalLockGuard memory(::GetClipboardData(CF_DIB));
        const auto* header = static_cast<const BITMAPINFOHEADER*>(memory.get());
        ASSERT_TRUE(open && header);
        EXPECT_EQ(height, header->biHeight);
        for (int row = 0; row < 4; ++row) // the last padding byte tells the row
            EXPECT_EQ(reversed ? 4 - row : row + 1,
                      reinterpret_cast<const std::uint8_t*>(header + 1)[row * 12 + 11]);
    }
    EXPECT_EQ(0, gtlCopyRGBBmpToClipboard(Dib(3, 4, 32).bitmap.get(), 0, 0)) << "32-bit";
    int elsewhere = -1;
    std::thread([&] { elsewhere = gtlCopyRGBBmpToClipboard(picture.bitmap.get(), 0, 0); }).join();
    EXPECT_EQ(0, elsewhere) << "a thread without a thread object";
    thread.m_pMainWnd = nullptr;
    EXPECT_EQ(0, gtlCopyRGBBmpToClipboard(picture.bitmap.get(), 0, 0)) << "no main window";
}

bool Made(HBITMAP bitmap) {
    return tu::UniqueBitmap(bitmap).get() != nullptr;
}
bool Made(HICON icon) {
    return icon && ::DestroyIcon(icon);
}

// Every function, on success and failure paths, answers as its input allows and leaks no object.
TEST(Calls, SucceedOrFailAsTheirInputAllowsAndLeaveNoObjectBehind) {
    const Dib rgbDib(7, 3, 24), argbDib(5, 4, 32);
    const tu::WindowDC screen;
    const tu::UniqueBitmap ddbOwner(::CreateCompatibleBitmap(screen.get(), 8, 8)),
        ddb24Owner(::CreateBitmap(8, 8, 1, 24, nullptr));
    const tu::UniqueGdiObject<HBRUSH> brushOwner(::CreateSolidBrush(RGB(1, 2, 3)));
    const Canvas canvas{Dib(20, 20, 32)};
    HBITMAP rgb = rgbDib.bitmap.get(), argb = argbDib.bitmap.get(), ddb = ddbOwner.get();
    HBITMAP ddb24 = ddb24Owner.get(), brush = reinterpret_cast<HBITMAP>(brushOwner.get());
    HDC dc = canvas.dc.get();
    HICON icon = MakeIcon(
        16, [](int, int) { return 0x80402010; }, [](int, int) { return false; });
    const CRect nine(0, 0, 9, 9);
    const std::pair<bool, std::function<bool()>> rows[] = {
        {true, [=] { return Made(gtlCreateDIBSection(16, 16, 32, 1, nullptr)); }},
        {false, [=] { return Made(gtlCreateDIBSection(0, 16, 32, 1, nullptr)); }},
        {false, [=] { return Made(gtlCreateDIBSection(-4, 9, 24, 1, nullptr)); }},
        {true, [=] { return Made(gtlCalcAlphaBmp(rgb)); }},
        {false, [=] { return Made(gtlCalcAlphaBmp(argb)); }},  // 32-bit
        {false, [=] { return Made(gtlCalcAlphaBmp(ddb24)); }}, // no pixel memory
        {false, [=] { return Made(gtlCalcAlphaBmp(brush)); }},
        {false, [=] { return Made(gtlCalcAlphaBmp(Dib(1, 2, 24).bitmap.get())); }},
        {true, [=] { return Made(gtlMergeBitmaps(rgb, argb, -2, 3, 0, 0)); }},
        {true, [=] { return Made(gtlMergeBitmaps(ddb, ddb, 1, 1, 0, 0)); }},
        {false, [=] { return Made(gtlMergeBitmaps(rgb, nullptr, 0, 0, 0, 0)); }},
        {false, [=] { return Made(gtlMergeBitmaps(brush, rgb, 0, 0, 0, 0)); }},
        {false, [=] { return Made(gtlMergeBitmaps(rgb, argb, 0, 0x7FFFFFF0, 0, 0)); }},
        {true, [=] { return Made(icoGetFileIcon(L"x.txt", 0)); }},
        {false, [=] { return Made(icoGetFileIcon(nullptr, 1)); }},
        {true, [=] { return Made(icoIcon2Bmp(icon)); }},
        {false, [=] { return Made(icoIcon2Bmp(nullptr)); }},
        {true, [=] { return Made(gtlMergeIcon(icon, icon)); }},
        {false, [=] { return Made(gtlMergeIcon(icon, nullptr)); }},
        {true, [=] { return gtlAlphaBlend(dc, 1, 1, argb, 9) != 0; }},
        {false, [=] { return gtlAlphaBlend(nullptr, 1, 1, argb, 9) != 0; }},
        {false, [=] { return gtlAlphaBlend(dc, 1, 1, brush, 9) != 0; }},
        {true, [=] { return gtlAlphaBlendRect(dc, nine, argb, CRect(), 9) != 0; }},
        {false, [=] { return gtlAlphaBlendRect(nullptr, nine, argb, CRect(), 9) != 0; }},
        {false, [=] { return gtlCopyRGBBmpToClipboard(nullptr, 0, 0) != 0; }},
        {false, [=] { return gtlCopyRGBBmpToClipboard(ddb24, 0, 0) != 0; }},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        // The first call may make objects that the system keeps.
        EXPECT_EQ(rows[row].first, rows[row].second()) << "row " << row;
        const DWORD before = GdiObjectCount();
        for (int i = 0; i < 1000; ++i)
            rows[row].second();
        EXPECT_EQ(before, GdiObjectCount()) << "row " << row;
    }
    ::DestroyIcon(icon);
}

} // namespace
