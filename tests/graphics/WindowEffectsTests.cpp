// Window transparency, drop shadows and trackbar thumbs on real windows: shadow strips pixel for
// pixel against their model through an owner's life, thumbs on two threads, and leak counts.
#include "ObjectCounts.h"
#include "TestSupport.h"
#include "common/WindowsSupport.h"
#include "internal/Library.h"
#include "graphics/WindowEffects.h"
#include "tuGraphics.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// One recorded UpdateLayeredWindow call of a shadow; a move alone carries no picture.
struct Call {
    HWND window;
    POINT place;
    bool moveOnly;
    SIZE size;
    BYTE constantAlpha;
    std::vector<std::uint32_t> pixels; // bottom-up memory rows
};
std::vector<Call> g_calls;

std::vector<Call> TakeCalls() {
    return std::exchange(g_calls, {});
}

// What the owners' own procedure saw.
struct OwnerLog {
    std::vector<WPARAM> transparency;
    std::array<HWND, 2> strips{};
    bool stripVisibleAtHide = false;
} g_log;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRANSPARENCYCHANGED)
        g_log.transparency.push_back(wParam);
    if (message == WM_WINDOWPOSCHANGING &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW))
        for (HWND strip : g_log.strips)
            g_log.stripVisibleAtHide |= strip && ::IsWindowVisible(strip);
    return ::DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t kOwnerClass[] = L"tuEffectsOwner";

// The main thread's windows live on a virtual desktop of their own: hiding waits for no WM there.
const bool g_windowsReady = [] {
    const wchar_t size[] = L"1280x1024";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", L"tuEffects",
                      REG_SZ, size, sizeof size);
    HDESK desktop = ::CreateDesktopW(L"tuEffects", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    WNDCLASSW owner{};
    owner.lpfnWndProc = OwnerProc;
    owner.lpszClassName = kOwnerClass;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    return desktop && ::SetThreadDesktop(desktop) && ::RegisterClassW(&owner) &&
           ::InitCommonControlsEx(&controls);
}();

using Window = tu::UniqueOwner<tu::NullEmptyTraits<HWND, &::DestroyWindow>>;

Window MakeWindow(DWORD style, RECT r, HWND parent = nullptr, const wchar_t* cls = kOwnerClass) {
    return Window(::CreateWindowExW(0, cls, L"", style, r.left, r.top, r.right - r.left,
                                    r.bottom - r.top, parent, nullptr, nullptr, nullptr));
}

void Place(HWND window, RECT r) {
    ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// The shadow's corner alpha at (x, y) from the owner's corner for width w.
std::uint32_t CornerAlpha(int x, int y, int w) {
    double d = std::hypot(x, y);
    return d < w ? std::uint32_t((std::cos(d / w * 1.5708 + 1.3) + 1.0) * 112.0) : 0;
}

// A strip's premultiplied black rows, bottom-up: the right one fades to both ends, the bottom left.
std::vector<std::uint32_t> ModelStrip(bool right, SIZE size, int w) {
    std::vector<std::uint32_t> pixels;
    for (LONG row = 0; row < size.cy; ++row) {
        LONG line = size.cy - 1 - row, fromEnd = std::min({line, row, LONG(w - 1)});
        for (LONG column = 0; column < size.cx; ++column)
            pixels.push_back((right ? CornerAlpha(column, w - 1 - fromEnd, w)
                                    : CornerAlpha(std::max(w - 1 - column, 0L), line, w))
                             << 24);
    }
    return pixels;
}

// Checks the logged strips' updates (right, bottom): drawn as the model or only moved, in place.
void ExpectStrips(int w, const std::array<bool, 2>& drawn, BYTE alpha = 255) {
    std::vector<Call> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 2u);
    RECT o{}, frame{};
    ::GetWindowRect(::GetWindow(g_log.strips[0], GW_OWNER), &o);
    const RECT places[] = {{o.right, o.top + w, o.right + w, o.bottom + w},
                           {o.left + w, o.bottom, o.right, o.bottom + w}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Call& c = calls[i];
        const RECT& p = places[i];
        const SIZE size = drawn[i] ? SIZE{p.right - p.left, p.bottom - p.top} : SIZE{};
        EXPECT_TRUE(::GetWindowRect(g_log.strips[i], &frame) && ::EqualRect(&frame, &p));
        EXPECT_EQ(std::tie(c.window, c.place.x, c.place.y, c.moveOnly, c.size.cx, c.size.cy,
                           c.constantAlpha),
                  std::make_tuple(g_log.strips[i], p.left, p.top, !drawn[i], size.cx, size.cy,
                                  drawn[i] ? alpha : BYTE(0)));
        EXPECT_EQ(c.pixels, ModelStrip(i == 0, size, w)); // no picture for a move
    }
}

LRESULT ThumbLength(HWND trackbar) {
    return ::SendMessageW(trackbar, TBM_GETTHUMBLENGTH, 0, 0);
}

Window MakeTrackbar(HWND parent, DWORD style, int width, int height) {
    return MakeWindow(WS_CHILD | WS_VISIBLE | style, {0, 0, width, height}, parent,
                      TRACKBAR_CLASSW);
}

// Live GDI and USER objects; without a USER count (Wine), the thread's top-level windows.
std::vector<DWORD> LiveObjects() {
    DWORD user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    auto count = [](HWND, LPARAM counter) {
        ++*reinterpret_cast<DWORD*>(counter);
        return TRUE;
    };
    if (!user)
        ::EnumThreadWindows(::GetCurrentThreadId(), count, LPARAM(&user));
    return {GdiObjectCount(), user};
}

} // namespace

namespace {

// Records the call, then makes it.
BOOL WINAPI RecordUpdateLayered(HWND window, HDC screen, POINT* place, SIZE* size, HDC source,
                                POINT* origin, COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
    Call call{window, *place, !source, {}, 0, {}};
    DIBSECTION picture{};
    if (source && ::GetObjectW(::GetCurrentObject(source, OBJ_BITMAP), sizeof picture, &picture) ==
                      sizeof picture) {
        auto* bits = static_cast<const std::uint32_t*>(picture.dsBm.bmBits);
        call.size = *size;
        call.constantAlpha = blend->SourceConstantAlpha;
        call.pixels.assign(bits, bits + size->cx * size->cy);
    }
    g_calls.push_back(call);
    return ::UpdateLayeredWindow(window, screen, place, size, source, origin, key, blend, flags);
}

const tu::graphics::WindowPlatform kRecorder = {
    [] { return tu::graphics::UpdateLayeredWindowFn(&RecordUpdateLayered); }};

void CreateShadow(HWND window) {
    tu::graphics::CreateShadow(window, kRecorder);
}

} // namespace

// The shadow class is this program's own here.
HINSTANCE tu::frame::LibraryInstance() {
    return ::GetModuleHandleW(nullptr);
}

TEST(WindowEffects, TransparencyLevelsMakeLayeredAlphaAndTellTheWindow) {
    using Row = std::tuple<BYTE, BYTE, WPARAM>; // level, its alpha, the level the window is told
    for (const auto& [level, levelAlpha, sent] :
         {Row{0, 0, 0}, Row{1, 255, 0}, Row{128, 127, 128}, Row{255, 0, 255}}) {
        SCOPED_TRACE(level);
        Window window = MakeWindow(WS_POPUP | WS_VISIBLE, {10, 10, 110, 60});
        LONG_PTR before = ::GetWindowLongPtrW(window.get(), GWL_EXSTYLE);
        g_log.transparency.clear();
        EXPECT_EQ(gtlSetWindowTransparency(window.get(), level), 1);
        EXPECT_EQ(::GetWindowLongPtrW(window.get(), GWL_EXSTYLE),
                  level ? before | WS_EX_LAYERED : before);
        BYTE alpha = 0;
        DWORD flags = 0;
        EXPECT_TRUE(!level || ::GetLayeredWindowAttributes(window.get(), nullptr, &alpha, &flags));
        EXPECT_TRUE(alpha == levelAlpha && flags == (level ? LWA_ALPHA : 0));
        EXPECT_EQ(g_log.transparency, std::vector<WPARAM>{sent});
        // Level 0 takes the layered style away again.
        EXPECT_EQ(gtlSetWindowTransparency(window.get(), 0), 1);
        EXPECT_EQ(::GetWindowLongPtrW(window.get(), GWL_EXSTYLE), before);
    }
    HWND gone = MakeWindow(WS_POPUP, {0, 0, 10, 10}).get();
    g_log.transparency.clear();
    EXPECT_EQ(gtlSetWindowTransparency(gone, 128), 0);
    EXPECT_TRUE(g_log.transparency.empty());
}

TEST(WindowEffects, CornerProfileFollowsTheQuarterDisc) {
    for (int w : {1, 6, 16}) {
        SCOPED_TRACE(w);
        tu::graphics::CornerProfile profile;
        std::fill(&profile[0][0], &profile[0][0] + 256, 0xCCCCCCCCu);
        tu::graphics::ComputeCornerProfile(w, profile);
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 16; ++column)
                ASSERT_EQ(profile[row][column],
                          row < w && column < w ? CornerAlpha(column, w - 1 - row, w) << 24 : 0)
                    << row << "," << column;
    }
}

TEST(WindowEffects, ShadowWidthIsReadOncePerProcessAndKeptWithinLimits) {
    using Row = std::pair<const char*, DWORD>; // settings (null: no file), the width
    for (const auto& [settings, width] : {Row{nullptr, 6}, Row{"[GUI]\r\nShadowWidth=0\r\n", 1},
                                          Row{"[GUI]\r\nShadowWidth=40\r\n", 16}}) {
        std::vector<tutest::HostFile> files;
        if (settings)
            files.push_back({L"settings.ini", settings});
        auto result = tutest::RunHostInFreshFolder(L"shadowWidthHost.exe",
                                                   {L"tarnUtil.dll", L"BaseKit.dll"}, files);
        EXPECT_EQ(result.exitCode, width) << result.output;
    }
}

TEST(WindowEffects, ShadowFollowsItsOwnerThroughItsLife) {
    Window owner = MakeWindow(WS_POPUP | WS_VISIBLE, {100, 100, 400, 300});
    TakeCalls();
    CreateShadow(owner.get());
    ASSERT_EQ(g_calls.size(), 2u);
    std::array<HWND, 2>& strips = g_log.strips = {g_calls[0].window, g_calls[1].window};
    const int w = g_calls[0].size.cx;
    ExpectStrips(w, {true, true});
    for (HWND strip : strips) { // their class and owner are checked by the width's host
        EXPECT_EQ(::GetWindowLongPtrW(strip, GWL_EXSTYLE) & 0x800A0, 0x800A0);
        EXPECT_EQ(::GetWindowLongPtrW(strip, GWL_STYLE) & ~WS_CLIPSIBLINGS,
                  LONG_PTR(DWORD(WS_POPUP | WS_VISIBLE)));
    }
    CreateShadow(owner.get()); // a second shadow is not made
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 2u);

    // Moved only; taller: the right strip drawn again; wider: the bottom strip.
    Place(owner.get(), {150, 120, 450, 320});
    ExpectStrips(w, {false, false});
    Place(owner.get(), {150, 120, 450, 380});
    ExpectStrips(w, {true, false});
    Place(owner.get(), {150, 120, 510, 380});
    ExpectStrips(w, {false, true});

    // The strips take on the owner's transparency; the same level again changes nothing.
    EXPECT_EQ(gtlSetWindowTransparency(owner.get(), 128), 1);
    ExpectStrips(w, {true, true}, 127);
    EXPECT_EQ(gtlSetWindowTransparency(owner.get(), 128), 1);
    EXPECT_TRUE(TakeCalls().empty());

    // Hidden before the owner, shown again with it.
    ::ShowWindow(owner.get(), SW_HIDE);
    EXPECT_FALSE(g_log.stripVisibleAtHide || ::IsWindowVisible(strips[0]) ||
                 ::IsWindowVisible(strips[1]));
    ::ShowWindow(owner.get(), SW_SHOWNA);
    EXPECT_TRUE(::IsWindowVisible(strips[0]) && ::IsWindowVisible(strips[1]));

    owner.reset();
    EXPECT_FALSE(::IsWindow(strips[0]) || ::IsWindow(strips[1]));
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 0u);
    g_log = OwnerLog{};
}

TEST(WindowEffects, ChildAndNarrowOwnersShowNoBrokenShadow) {
    // A child window's shadow is placed but never shown.
    Window parent = MakeWindow(WS_POPUP | WS_VISIBLE, {50, 50, 450, 350});
    Window child = MakeWindow(WS_CHILD | WS_VISIBLE, {10, 10, 110, 110}, parent.get());
    TakeCalls();
    CreateShadow(child.get());
    Place(child.get(), {20, 20, 170, 170});
    std::vector<Call> calls = TakeCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_FALSE(::IsWindowVisible(calls[0].window) || ::IsWindowVisible(calls[1].window));

    // An owner narrower than the shadow gets its right strip and no bottom picture.
    Window narrow = MakeWindow(WS_POPUP | WS_VISIBLE, {500, 100, 503, 200});
    CreateShadow(narrow.get());
    calls = TakeCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(!calls[0].moveOnly && calls[0].size.cy == 100);
    child.reset();
    narrow.reset();
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 0u);
}

TEST(WindowEffects, ThumbFillsTheTrackbarAndFollowsItOnlyWhenKept) {
    Window parent = MakeWindow(WS_POPUP | WS_VISIBLE, {10, 10, 330, 330});
    using Row = std::tuple<DWORD, int, int, LRESULT, LRESULT>; // style, size, thumb, grown thumb
    for (const auto& [style, width, height, length, grownLength] :
         {Row{TBS_HORZ, 200, 30, 26, 36}, Row{TBS_VERT, 24, 200, 20, 30}}) {
        SCOPED_TRACE(style);
        Window trackbar = MakeTrackbar(parent.get(), style, width, height);
        const HWND t = trackbar.get();
        auto procedure = [t] { return ::GetWindowLongPtrW(t, GWLP_WNDPROC); };
        const LONG_PTR original = procedure();
        gtlSetDefaultThumbLength(t, 0); // once: the thumb stays when the trackbar grows
        EXPECT_TRUE(::GetWindowLongW(t, GWL_STYLE) & TBS_FIXEDLENGTH);
        EXPECT_EQ(std::make_tuple(ThumbLength(t), procedure()), std::make_tuple(length, original));
        Place(t, {0, 0, width + 10, height + 10});
        EXPECT_EQ(ThumbLength(t), length);

        gtlSetDefaultThumbLength(t, 1); // kept, by one subclassing however often asked
        const LONG_PTR kept = procedure();
        gtlSetDefaultThumbLength(t, 1);
        EXPECT_EQ(std::make_tuple(kept != original, procedure(), tu::graphics::ThumbMapEntries(),
                                  ThumbLength(t)),
                  std::make_tuple(true, kept, std::size_t{1}, grownLength));
        Place(t, {0, 0, width, height});
        EXPECT_EQ(ThumbLength(t), length);
        trackbar.reset();
        EXPECT_EQ(tu::graphics::ThumbMapEntries(), 0u);
    }
    HWND gone = MakeTrackbar(parent.get(), 0, 100, 30).get();
    gtlSetDefaultThumbLength(gone, 1);
    EXPECT_EQ(tu::graphics::ThumbMapEntries(), 0u);
}

TEST(WindowEffects, TrackbarsOfTwoThreadsKeepTheirThumbsAtOnce) {
    auto work = [](int* wrong) {
        Window parent = MakeWindow(WS_POPUP, {0, 0, 300, 300});
        for (int i = 0; i < 100; ++i) {
            Window trackbar = MakeTrackbar(parent.get(), 0, 100 + i, 30);
            gtlSetDefaultThumbLength(trackbar.get(), 1);
            Place(trackbar.get(), {0, 0, 100, 20 + i % 50});
            *wrong += ThumbLength(trackbar.get()) != 16 + i % 50;
        }
    };
    int wrong[2] = {};
    std::thread first(work, &wrong[0]), second(work, &wrong[1]);
    first.join();
    second.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
    EXPECT_EQ(tu::graphics::ThumbMapEntries(), 0u);
}

TEST(WindowEffects, ObjectCountsStayLevelOverManyShadowedWindows) {
    auto cycle = [] {
        Window owner = MakeWindow(WS_POPUP | WS_VISIBLE, {60, 60, 260, 160});
        CreateShadow(owner.get());
        Place(owner.get(), {70, 70, 310, 260});
        gtlSetWindowTransparency(owner.get(), 100);
        owner.reset();
        return TakeCalls().size();
    };
    ASSERT_EQ(cycle(), 6u); // drawn, drawn again after the resize and the transparency change
    std::vector<DWORD> before = LiveObjects();
    ASSERT_GT(before[0], 0u);
    for (int i = 0; i < 1000; ++i)
        cycle();
    EXPECT_EQ(LiveObjects(), before);
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 0u);
}
