// Bitmaps, icons, blending and the clipboard: pixel-exact against models of the rules and
// against the platform's own AlphaBlend, bad input, and the GDI object count over many calls.
#include "tuGraphics.h"

#include "GraphicsModel.h"

#include <afxwin.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

namespace {

using namespace gfxtest;

// The result of the alpha recovery for every pixel of a 24-bit source, bottom line first.
std::vector<std::uint32_t> ModelCalcAlpha(const Dib& source) {
    std::vector<std::uint32_t> out;
    const int half = source.width / 2;
    for (int row = 0; row < source.height; ++row)
        for (int x = 0; x < half; ++x) {
            const std::uint32_t l = source.Rgb(x, row), r = source.Rgb(x + half, row);
            int s = 0, alpha = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                s += int(l >> shift & 0xFF) - int(r >> shift & 0xFF) + 255;
                alpha = std::max(alpha, int(l >> shift & 0xFF));
            }
            out.push_back(std::uint32_t(std::min(255, std::max(alpha, s / 3))) << 24 | l);
        }
    return out;
}

// A bitmap as the merge sees it: 32-bit pixels as they are, others keyed and made opaque.
std::vector<std::uint32_t> ModelConvert(const Dib& dib, COLORREF key) {
    const std::uint32_t keyPixel = GetRValue(key) << 16 | GetGValue(key) << 8 | GetBValue(key);
    std::vector<std::uint32_t> out;
    for (int row = 0; row < dib.height; ++row)
        for (int x = 0; x < dib.width; ++x) {
            const std::uint32_t rgb = dib.Rgb(x, row);
            out.push_back(dib.bitsPerPixel == 32 ? dib.At(x, row)
                          : rgb == keyPixel      ? 0
                                                 : rgb | 0xFF000000);
        }
    return out;
}

std::vector<std::uint32_t> ModelMerge(const Dib& a, const Dib& b, int dx, int dy, COLORREF keyA,
                                      COLORREF keyB, int& width, int& height) {
    width = std::max(a.width, b.width + dx) - std::min(dx, 0);
    height = std::max(a.height, b.height + dy) - std::min(dy, 0);
    std::vector<std::uint32_t> out(std::size_t(width) * height, 0);
    const auto pixelsA = ModelConvert(a, keyA), pixelsB = ModelConvert(b, keyB);
    for (int row = 0; row < a.height; ++row)
        for (int x = 0; x < a.width; ++x)
            out[(row - std::min(dy, 0)) * width + x - std::min(dx, 0)] = pixelsA[row * a.width + x];
    for (int row = 0; row < b.height; ++row)
        for (int x = 0; x < b.width; ++x) {
            std::uint32_t& p = out[(row + std::max(dy, 0)) * width + x + std::max(dx, 0)];
            p = ModelOver(p, pixelsB[row * b.width + x]);
        }
    return out;
}

// Random 24-bit pixels of which about a quarter have the key's colour.
void SprinkleKey(Dib& dib, COLORREF key, std::mt19937& random) {
    for (int row = 0; row < dib.height; ++row)
        for (int x = 0; x < dib.width; ++x)
            if (random() % 4 == 0) {
                std::uint8_t* p = dib.Row(row) + 3 * x;
                p[0] = GetBValue(key), p[1] = GetGValue(key), p[2] = GetRValue(key);
            }
}

TEST(Bitmaps, CalcAlphaEqualsTheModel) {
    auto random = SeededRandom();
    for (int width : {2, 3, 7, 33})
        for (int height : {1, 5}) {
            SCOPED_TRACE(::testing::Message() << width << " x " << height);
            Dib source = RandomDib(width, height, 24, random);
            tu::UniqueBitmap result(gtlCalcAlphaBmp(source.bitmap.get()));
            int w = 0, h = 0;
            auto pixels = DibPixels(result.get(), w, h);
            EXPECT_EQ(width / 2, w);
            EXPECT_EQ(source.height, h);
            EXPECT_TRUE(SamePixels(ModelCalcAlpha(source), pixels));
        }
}

TEST(Bitmaps, MergeEqualsTheModel) {
    auto random = SeededRandom();
    const COLORREF magenta = RGB(255, 0, 255), uneven = RGB(10, 20, 30);
    struct Row {
        int widthA, heightA, bitsA, widthB, heightB, bitsB, dx, dy;
    };
    for (const Row& r : {Row{16, 16, 32, 16, 16, 32, 8, 0}, Row{16, 16, 32, 16, 16, 32, -4, 0},
                         Row{13, 7, 24, 9, 11, 32, 3, -5}, Row{5, 3, 24, 7, 2, 24, -7, 6},
                         Row{1, 1, 32, 3, 2, 24, 0, 0}, Row{40, 9, 32, 37, 9, 32, 2, 1}}) {
        SCOPED_TRACE(::testing::Message() << r.widthA << "x" << r.heightA << " + " << r.widthB
                                          << "x" << r.heightB << " at " << r.dx << "," << r.dy);
        Dib a = RandomDib(r.widthA, r.heightA, r.bitsA, random);
        Dib b = RandomDib(r.widthB, r.heightB, r.bitsB, random);
        SprinkleKey(a, magenta, random);
        SprinkleKey(b, uneven, random);
        int width = 0, height = 0, w = 0, h = 0;
        auto expected = ModelMerge(a, b, r.dx, r.dy, magenta, uneven, width, height);
        tu::UniqueBitmap merged(
            gtlMergeBitmaps(a.bitmap.get(), b.bitmap.get(), r.dx, r.dy, magenta, uneven));
        auto pixels = DibPixels(merged.get(), w, h);
        EXPECT_EQ(width, w);
        EXPECT_EQ(height, h);
        EXPECT_TRUE(SamePixels(expected, pixels));
    }
}

// A memory context holding a 32-bit DIB section.
struct Canvas {
    Dib dib;
    tu::MemoryDC dc;
    tu::SelectedObject selection;
    explicit Canvas(Dib&& pixels) : dib(std::move(pixels)), selection(dc.get(), dib.bitmap.get()) {}
};

TEST(Blending, EqualsThePlatformsAlphaBlend) {
    auto random = SeededRandom();
    Dib source = RandomDib(12, 10, 32, random);
    for (int row = 0; row < source.height; ++row) // premultiplied: no channel above alpha
        for (int x = 0; x < source.width; ++x) {
            std::uint32_t& p = source.At(x, row);
            const std::uint32_t a = p >> 24;
            p = a << 24 | (p >> 16 & 0xFF) * a / 255 << 16 | (p >> 8 & 0xFF) * a / 255 << 8 |
                (p & 0xFF) * a / 255;
        }
    Canvas library(RandomDib(40, 30, 32, random)), platform(MakeDib(40, 30, 32));
    auto platformBlend = [&](int x, int y, int w, int h, RECT from, BYTE alpha) {
        std::memcpy(platform.dib.bits, library.dib.bits, library.dib.Stride() * 30);
        tu::MemoryDC sourceDC;
        tu::SelectedObject sourceSelection(sourceDC.get(), source.bitmap.get());
        const BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
        ::AlphaBlend(platform.dc.get(), x, y, w, h, sourceDC.get(), from.left, from.top,
                     from.right - from.left, from.bottom - from.top, blend);
    };
    auto same = [&] {
        ::GdiFlush();
        return std::memcmp(platform.dib.bits, library.dib.bits, library.dib.Stride() * 30) == 0;
    };
    HBITMAP bitmap = source.bitmap.get();
    platformBlend(5, 7, 12, 10, {0, 0, 12, 10}, 200);
    EXPECT_TRUE(gtlAlphaBlend(library.dc.get(), 5, 7, bitmap, 200));
    EXPECT_TRUE(same());
    platformBlend(1, 2, 30, 20, {2, 3, 12, 8}, 128);
    EXPECT_TRUE(
        gtlAlphaBlendRect(library.dc.get(), CRect(1, 2, 31, 22), bitmap, CRect(2, 3, 12, 8), 128));
    EXPECT_TRUE(same());
    platformBlend(-3, 4, 24, 5, {0, 0, 12, 10}, 255);
    EXPECT_TRUE(gtlAlphaBlendRect(library.dc.get(), CRect(-3, 4, 21, 9), bitmap, CRect(), 255));
    EXPECT_TRUE(same()) << "an empty source rectangle stands for the whole bitmap";
}

// An icon of the given size from a 32-bit colour fill and a mask bit per pixel.
HICON MakeIcon(int size, const std::function<std::uint32_t(int x, int row)>& colour,
               const std::function<bool(int x, int row)>& transparent) {
    Dib pixels = MakeDib(size, size, 32);
    std::vector<std::uint8_t> maskBits(size * size / 8, 0); // top line first, 16-bit rows
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x) {
            pixels.At(x, row) = colour(x, row);
            if (transparent(x, row))
                maskBits[(size - 1 - row) * size / 8 + x / 8] |= 0x80 >> x % 8;
        }
    tu::UniqueBitmap mask(::CreateBitmap(size, size, 1, 1, maskBits.data()));
    ICONINFO info = {TRUE, 0, 0, mask.get(), pixels.bitmap.get()};
    return ::CreateIconIndirect(&info);
}

TEST(Icons, FileIconsAndIconToBitmap) {
    for (int large : {1, 0}) {
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
    auto pixels = ReadPixels(bitmap.get(), size, size);
    ASSERT_EQ(std::size_t(size * size), pixels.size());
    for (int x : {0, size / 2 - 1, size / 2, size - 1})
        EXPECT_EQ(x < size / 2 ? 0xFFFFFFu : 0u, pixels[x] & 0xFFFFFF) << "column " << x;
}

TEST(Icons, MergeBlendsColourAndOrsMasks) {
    // A: opaque red, transparent in its left half. B: opaque blue in its upper half and fully
    // transparent colour below, its mask transparent in the upper half.
    HICON a = MakeIcon(
        16, [](int, int) { return 0xFFFF0000; }, [](int x, int) { return x < 8; });
    HICON b = MakeIcon(
        16, [](int, int row) { return row >= 8 ? 0xFF0000FF : 0; },
        [](int, int row) { return row >= 8; });
    HICON merged = gtlMergeIcon(a, b);
    ICONINFO info = {};
    ASSERT_TRUE(merged && ::GetIconInfo(merged, &info));
    auto colour = ReadPixels(info.hbmColor, 16, 16), mask = ReadPixels(info.hbmMask, 16, 16);
    ::DeleteObject(info.hbmColor), ::DeleteObject(info.hbmMask);
    ::DestroyIcon(a), ::DestroyIcon(b), ::DestroyIcon(merged);
    for (int row : {0, 15})
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
    Dib picture = MakeDib(3, 4, 24); // 9 bytes of pixels and 3 of padding a row
    for (int row = 0; row < 4; ++row)
        std::memset(picture.Row(row), row + 1, picture.Stride());
    struct Row {
        int topDown, flip;
        LONG height;
        bool reversed;
    };
    for (const Row& r :
         {Row{0, 0, 4, false}, Row{1, 0, -4, false}, Row{1, 1, 4, true}, Row{0, 1, 4, false}}) {
        SCOPED_TRACE(::testing::Message() << "top-down " << r.topDown << ", flip " << r.flip);
        ASSERT_EQ(1, gtlCopyRGBBmpToClipboard(picture.bitmap.get(), r.topDown, r.flip));
        ASSERT_TRUE(::OpenClipboard(nullptr));
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(::GlobalLock(::GetClipboardData(CF_DIB)));
        ASSERT_TRUE(header);
        EXPECT_EQ(r.height, header->biHeight);
        EXPECT_EQ(24, header->biBitCount);
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(r.reversed ? 4 - row : row + 1,
                      reinterpret_cast<const std::uint8_t*>(header + 1)[row * 12 + 11]);
        ::GlobalUnlock(::GetClipboardData(CF_DIB));
        ::CloseClipboard();
    }
    EXPECT_EQ(0, gtlCopyRGBBmpToClipboard(MakeDib(3, 4, 32).bitmap.get(), 0, 0)) << "32-bit";
    int elsewhere = -1;
    std::thread([&] { elsewhere = gtlCopyRGBBmpToClipboard(picture.bitmap.get(), 0, 0); }).join();
    EXPECT_EQ(0, elsewhere) << "a thread without a thread object";
    thread.m_pMainWnd = nullptr;
    EXPECT_EQ(0, gtlCopyRGBBmpToClipboard(picture.bitmap.get(), 0, 0)) << "no main window";
}

// Every function on its success and failure paths, each call freeing what it was given.
class Calls : public ::testing::Test {
protected:
    struct Call {
        const char* name;
        bool succeeds;
        std::function<bool()> run;
    };
    static bool Bitmap(HBITMAP bitmap) { return tu::UniqueBitmap(bitmap).get() != nullptr; }
    static bool Icon(HICON icon) { return icon && ::DestroyIcon(icon); }

    Dib m_rgb = MakeDib(7, 3, 24), m_argb = MakeDib(5, 4, 32);
    tu::WindowDC m_screen;
    tu::UniqueBitmap m_ddb{::CreateCompatibleBitmap(m_screen.get(), 8, 8)};
    tu::UniqueBitmap m_ddb24{::CreateBitmap(8, 8, 1, 24, nullptr)};
    tu::UniqueGdiObject<HBRUSH> m_brush{::CreateSolidBrush(RGB(1, 2, 3))};
    HICON m_icon = MakeIcon(
        16, [](int, int) { return 0x80402010; }, [](int, int) { return false; });
    Canvas m_canvas{MakeDib(20, 20, 32)};
    ~Calls() override { ::DestroyIcon(m_icon); }

    std::vector<Call> Table() {
        HBITMAP rgb = m_rgb.bitmap.get(), argb = m_argb.bitmap.get(), ddb = m_ddb.get();
        HBITMAP brush = reinterpret_cast<HBITMAP>(m_brush.get());
        HDC dc = m_canvas.dc.get();
        return {
            {"16 x 16 DIB", true,
             [] { return Bitmap(gtlCreateDIBSection(16, 16, 32, 1, nullptr)); }},
            {"0 wide DIB", false,
             [] { return Bitmap(gtlCreateDIBSection(0, 16, 32, 1, nullptr)); }},
            {"-4 wide DIB", false,
             [] { return Bitmap(gtlCreateDIBSection(-4, 9, 24, 1, nullptr)); }},
            {"0 high DIB", false, [] { return Bitmap(gtlCreateDIBSection(4, 0, 24, 1, nullptr)); }},
            {"alpha of 24-bit", true, [=] { return Bitmap(gtlCalcAlphaBmp(rgb)); }},
            {"alpha of 32-bit", false, [=] { return Bitmap(gtlCalcAlphaBmp(argb)); }},
            {"alpha of DDB", false, [this] { return Bitmap(gtlCalcAlphaBmp(m_ddb24.get())); }},
            {"alpha of brush", false, [=] { return Bitmap(gtlCalcAlphaBmp(brush)); }},
            {"alpha of 1 wide", false,
             [] { return Bitmap(gtlCalcAlphaBmp(MakeDib(1, 2, 24).bitmap.get())); }},
            {"merge", true, [=] { return Bitmap(gtlMergeBitmaps(rgb, argb, -2, 3, 0, 0)); }},
            {"merge DDBs", true, [=] { return Bitmap(gtlMergeBitmaps(ddb, ddb, 1, 1, 0, 0)); }},
            {"merge null", false,
             [=] { return Bitmap(gtlMergeBitmaps(rgb, nullptr, 0, 0, 0, 0)); }},
            {"merge brush", false, [=] { return Bitmap(gtlMergeBitmaps(brush, rgb, 0, 0, 0, 0)); }},
            {"merge too large", false,
             [=] { return Bitmap(gtlMergeBitmaps(rgb, argb, 0, 0x7FFFFFF0, 0, 0)); }},
            {"file icon", true, [] { return Icon(icoGetFileIcon(L"x.txt", 0)); }},
            {"file icon of null", false, [] { return Icon(icoGetFileIcon(nullptr, 1)); }},
            {"icon to bitmap", true, [this] { return Bitmap(icoIcon2Bmp(m_icon)); }},
            {"null icon to bitmap", false, [] { return Bitmap(icoIcon2Bmp(nullptr)); }},
            {"merge icons", true, [this] { return Icon(gtlMergeIcon(m_icon, m_icon)); }},
            {"merge null icon", false, [this] { return Icon(gtlMergeIcon(m_icon, nullptr)); }},
            {"blend", true, [=] { return gtlAlphaBlend(dc, 1, 1, argb, 9) != 0; }},
            {"blend rectangle", true,
             [=] { return gtlAlphaBlendRect(dc, CRect(0, 0, 9, 9), argb, CRect(), 9) != 0; }},
            {"blend to null", false, [=] { return gtlAlphaBlend(nullptr, 1, 1, argb, 9) != 0; }},
            {"blend rectangle to null", false,
             [=] { return gtlAlphaBlendRect(nullptr, CRect(0, 0, 9, 9), argb, CRect(), 9) != 0; }},
            {"blend brush", false, [=] { return gtlAlphaBlend(dc, 1, 1, brush, 9) != 0; }},
            {"clipboard of null", false,
             [] { return gtlCopyRGBBmpToClipboard(nullptr, 0, 0) != 0; }},
            {"clipboard of DDB", false,
             [this] { return gtlCopyRGBBmpToClipboard(m_ddb24.get(), 0, 0) != 0; }},
        };
    }
};

// GDI objects of the process. Wine answers GetGuiResources with 0, so there every handle
// index is probed instead.
DWORD GdiObjectCount() {
    if (DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
        return count;
    DWORD count = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

TEST_F(Calls, SucceedOrFailAsTheirInputAllows) {
    for (const Call& call : Table())
        EXPECT_EQ(call.succeeds, call.run()) << call.name;
}

TEST_F(Calls, LeaveNoGdiObjectBehind) {
    for (const Call& call : Table()) {
        call.run(); // the first call may make objects the system keeps
        const DWORD before = GdiObjectCount();
        for (int i = 0; i < 1000; ++i)
            call.run();
        EXPECT_EQ(before, GdiObjectCount()) << call.name;
    }
}

} // namespace
