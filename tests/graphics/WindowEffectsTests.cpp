// Window transparency, drop shadows and trackbar thumbs on real windows: levels and the
// transparency message, the corner profile, shadow strips compared pixel for pixel with their
// model through an owner's life, thumbs kept through resizes on two threads, the width read
// in fresh processes, and object counts that stay level over many cycles.
#include "TestSupport.h"
#include "WindowSeam.h"
#include "graphics/Shadow.h"
#include "tuGraphics.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using windowseam::Call;

// What the owners' own procedure saw.
struct OwnerLog {
    std::vector<WPARAM> transparency;
    HWND strips[2]{};
    bool hideSeen = false;
    bool stripVisibleAtHide = false;
};
OwnerLog g_log;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRANSPARENCYCHANGED)
        g_log.transparency.push_back(wParam);
    if (message == WM_WINDOWPOSCHANGING &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW)) {
        g_log.hideSeen = true;
        for (HWND strip : g_log.strips)
            g_log.stripVisibleAtHide |= strip && ::IsWindowVisible(strip);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t kOwnerClass[] = L"tuEffectsOwner";

// The main thread's windows live on a desktop of the test's own, which Wine shows as a virtual
// desktop: there, hiding or destroying a top-level window does not wait for a window manager
// that the display lacks. Other threads stay on the default desktop. Then the owners' class
// and the trackbar class are made ready.
const bool g_windowsReady = [] {
    const wchar_t size[] = L"1280x1024";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", L"tuEffects",
                      REG_SZ, size, sizeof size);
    HDESK desktop = ::CreateDesktopW(L"tuEffects", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    WNDCLASSW owner{};
    owner.lpfnWndProc = OwnerProc;
    owner.hInstance = ::GetModuleHandleW(nullptr);
    owner.lpszClassName = kOwnerClass;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    return desktop && ::SetThreadDesktop(desktop) && ::RegisterClassW(&owner) &&
           ::InitCommonControlsEx(&controls);
}();

struct WindowDestroyer {
    void operator()(HWND window) const {
        if (::IsWindow(window))
            ::DestroyWindow(window);
    }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

Window MakeWindow(const wchar_t* className, DWORD style, RECT place, HWND parent = nullptr) {
    return Window(::CreateWindowExW(0, className, L"", style, place.left, place.top,
                                    place.right - place.left, place.bottom - place.top, parent,
                                    nullptr, nullptr, nullptr));
}

RECT FrameOf(HWND window) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    return frame;
}

void Resize(HWND window, int x, int y, int width, int height) {
    ::SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The shadow's corner alpha at (x, y) from the owner's corner for width w.
std::uint32_t CornerAlpha(int x, int y, int w) {
    double d = std::hypot(x, y);
    return d < w ? std::uint32_t((std::cos(d / w * 1.5708 + 1.3) + 1.0) * 112.0) : 0;
}

// A strip's picture as bottom-up memory rows of premultiplied black: the right strip fades to
// both ends (line 0 at its top), the bottom strip to its left end (line 0 at the owner).
std::vector<std::uint32_t> ModelStrip(bool right, SIZE size, int w) {
    std::vector<std::uint32_t> pixels;
    for (LONG row = 0; row < size.cy; ++row) {
        LONG line = size.cy - 1 - row;
        for (LONG column = 0; column < size.cx; ++column) {
            LONG fromEnd = std::min({line, size.cy - 1 - line, LONG(w - 1)});
            std::uint32_t alpha = right ? CornerAlpha(column, w - 1 - fromEnd, w)
                                        : CornerAlpha(std::max(w - 1 - column, 0L), line, w);
            pixels.push_back(alpha << 24);
        }
    }
    return pixels;
}

// The shadow of one owner as its two strips and width.
struct Strips {
    HWND right = nullptr;
    HWND bottom = nullptr;
    int width = 0;
};

// Checks the recorded updates of both strips for an owner at `owner`: each drawn (a picture
// equal to the model with the constant alpha) or only moved, and each window in its place.
void ExpectStrips(const std::vector<Call>& calls, const Strips& strips, RECT owner, bool rightDrawn,
                  bool bottomDrawn, BYTE alpha = 255) {
    ASSERT_EQ(calls.size(), 2u);
    const LONG w = strips.width;
    struct Expected {
        HWND window;
        bool right, drawn;
        RECT place;
    } expected[] = {
        {strips.right,
         true,
         rightDrawn,
         {owner.right, owner.top + w, owner.right + w, owner.bottom + w}},
        {strips.bottom,
         false,
         bottomDrawn,
         {owner.left + w, owner.bottom, owner.right, owner.bottom + w}},
    };
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Call& call = calls[i];
        const Expected& strip = expected[i];
        SIZE size{strip.place.right - strip.place.left, strip.place.bottom - strip.place.top};
        EXPECT_EQ(call.window, strip.window);
        EXPECT_EQ(call.moveOnly, !strip.drawn);
        EXPECT_EQ(call.place.x, strip.place.left);
        EXPECT_EQ(call.place.y, strip.place.top);
        if (strip.drawn) {
            EXPECT_EQ(call.size.cx, size.cx);
            EXPECT_EQ(call.size.cy, size.cy);
            EXPECT_EQ(call.constantAlpha, alpha);
            EXPECT_EQ(call.pixels, ModelStrip(strip.right, size, w));
        }
        RECT frame = FrameOf(strip.window);
        EXPECT_TRUE(::EqualRect(&frame, &strip.place));
    }
}

// Casts the shadow of a visible owner and names its strips by their first updates.
Strips CastShadow(HWND owner) {
    windowseam::Take();
    gtlCreateShadow(owner);
    std::vector<Call> calls = windowseam::Take();
    Strips strips;
    if (calls.size() == 2) {
        strips = {calls[0].window, calls[1].window, int(calls[0].size.cx)};
        ExpectStrips(calls, strips, FrameOf(owner), true, true);
    } else {
        ADD_FAILURE() << calls.size() << " updates";
    }
    return strips;
}

} // namespace

TEST(WindowEffects, TransparencyLevelsMakeLayeredAlphaAndTellTheWindow) {
    const struct {
        BYTE level;
        bool layered;
        BYTE alpha;
        WPARAM sent;
    } rows[] = {{0, false, 0, 0}, {1, true, 255, 0}, {128, true, 127, 128}, {255, true, 0, 255}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.level);
        Window window = MakeWindow(kOwnerClass, WS_POPUP | WS_VISIBLE, {10, 10, 110, 60});
        LONG_PTR before = ::GetWindowLongPtrW(window.get(), GWL_EXSTYLE);
        g_log.transparency.clear();
        EXPECT_EQ(gtlSetWindowTransparency(window.get(), row.level), 1);
        LONG_PTR after = ::GetWindowLongPtrW(window.get(), GWL_EXSTYLE);
        EXPECT_EQ((after & WS_EX_LAYERED) != 0, row.layered);
        EXPECT_EQ(after & ~LONG_PTR(WS_EX_LAYERED), before);
        BYTE alpha = 0;
        DWORD flags = 0;
        if (row.layered) {
            EXPECT_TRUE(::GetLayeredWindowAttributes(window.get(), nullptr, &alpha, &flags));
            EXPECT_EQ(alpha, row.alpha);
            EXPECT_EQ(flags, DWORD(LWA_ALPHA));
        }
        EXPECT_EQ(g_log.transparency, std::vector<WPARAM>{row.sent});
        // Level 0 takes the layered style away again.
        EXPECT_EQ(gtlSetWindowTransparency(window.get(), 0), 1);
        EXPECT_FALSE(::GetWindowLongPtrW(window.get(), GWL_EXSTYLE) & WS_EX_LAYERED);
    }
    HWND gone = MakeWindow(kOwnerClass, WS_POPUP, {0, 0, 10, 10}).get();
    g_log.transparency.clear();
    EXPECT_EQ(gtlSetWindowTransparency(gone, 128), 0);
    EXPECT_TRUE(g_log.transparency.empty());
    EXPECT_NE(gtlGetSetLayeredWindowAttributes(), nullptr);
}

TEST(WindowEffects, CornerProfileFollowsTheQuarterDisc) {
    for (int w : {1, 6, 16}) {
        SCOPED_TRACE(w);
        tu::graphics::CornerProfile profile;
        std::fill(&profile[0][0], &profile[0][0] + 256, 0xCCCCCCCCu);
        tu::graphics::ComputeCornerProfile(w, profile);
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 16; ++column) {
                std::uint32_t expected =
                    row < w && column < w ? CornerAlpha(column, w - 1 - row, w) << 24 : 0;
                ASSERT_EQ(profile[row][column], expected) << row << "," << column;
            }
    }
    tu::graphics::CornerProfile six;
    tu::graphics::ComputeCornerProfile(6, six);
    const std::uint32_t alongEdge[] = {141, 113, 83, 56, 33, 15};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(six[5][x] >> 24, alongEdge[x]) << x;
    EXPECT_EQ(six[1][4] >> 24, 7u);
    EXPECT_EQ(six[1][5], 0u);
}

TEST(WindowEffects, ShadowWidthIsReadOncePerProcessAndKeptWithinLimits) {
    const struct {
        const char* settings; // null: no settings file
        DWORD width;
    } rows[] = {
        {nullptr, 6}, {"[GUI]\r\nShadowWidth=0\r\n", 1}, {"[GUI]\r\nShadowWidth=40\r\n", 16}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        std::vector<tutest::HostFile> files;
        if (row.settings)
            files.push_back({L"settings.ini", row.settings});
        auto result = tutest::RunHostInFreshFolder(L"shadowWidthHost.exe",
                                                   {L"tarnUtil.dll", L"BaseKit.dll"}, files);
        EXPECT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, row.width) << result.output;
    }
}

TEST(WindowEffects, ShadowFollowsItsOwnerThroughItsLife) {
    Window owner = MakeWindow(kOwnerClass, WS_POPUP | WS_VISIBLE, {100, 100, 400, 300});
    Strips strips = CastShadow(owner.get());
    ASSERT_TRUE(strips.right && strips.bottom);
    g_log.strips[0] = strips.right;
    g_log.strips[1] = strips.bottom;
    for (HWND strip : {strips.right, strips.bottom}) {
        wchar_t name[16] = L"";
        ::GetClassNameW(strip, name, 16);
        EXPECT_EQ(std::wstring(name), L"_SHADOW_");
        EXPECT_EQ(::GetWindow(strip, GW_OWNER), owner.get());
        EXPECT_EQ(::GetWindowLongPtrW(strip, GWL_EXSTYLE) & 0x800A0, 0x800A0);
        EXPECT_EQ(DWORD(::GetWindowLongPtrW(strip, GWL_STYLE)) & ~(WS_VISIBLE | WS_CLIPSIBLINGS),
                  DWORD(WS_POPUP));
        EXPECT_TRUE(::IsWindowVisible(strip));
    }
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 2u);

    gtlCreateShadow(owner.get()); // a second shadow is not made
    EXPECT_TRUE(windowseam::Take().empty());
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 2u);

    const struct {
        RECT place;
        bool rightDrawn, bottomDrawn;
    } steps[] = {
        {{150, 120, 450, 320}, false, false}, // moved only
        {{150, 120, 450, 380}, true, false},  // taller: the right strip is drawn again
        {{150, 120, 510, 380}, false, true},  // wider: the bottom strip is drawn again
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.place.right);
        const RECT& r = step.place;
        Resize(owner.get(), r.left, r.top, r.right - r.left, r.bottom - r.top);
        ExpectStrips(windowseam::Take(), strips, r, step.rightDrawn, step.bottomDrawn);
    }

    // The strips take on the owner's transparency; the same level again changes nothing.
    EXPECT_EQ(gtlSetWindowTransparency(owner.get(), 128), 1);
    ExpectStrips(windowseam::Take(), strips, FrameOf(owner.get()), true, true, 127);
    EXPECT_EQ(gtlSetWindowTransparency(owner.get(), 128), 1);
    EXPECT_TRUE(windowseam::Take().empty());

    // Hidden before the owner, shown again with it.
    ::ShowWindow(owner.get(), SW_HIDE);
    EXPECT_TRUE(g_log.hideSeen);
    EXPECT_FALSE(g_log.stripVisibleAtHide);
    EXPECT_FALSE(::IsWindowVisible(strips.right) || ::IsWindowVisible(strips.bottom));
    ::ShowWindow(owner.get(), SW_SHOWNA);
    EXPECT_TRUE(::IsWindowVisible(strips.right) && ::IsWindowVisible(strips.bottom));

    owner.reset();
    g_log = OwnerLog{};
    EXPECT_FALSE(::IsWindow(strips.right) || ::IsWindow(strips.bottom));
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 0u);
}

TEST(WindowEffects, ChildAndNarrowOwnersShowNoBrokenShadow) {
    // A child window's shadow is made and placed but never shown.
    Window parent = MakeWindow(kOwnerClass, WS_POPUP | WS_VISIBLE, {50, 50, 450, 350});
    Window child = MakeWindow(kOwnerClass, WS_CHILD | WS_VISIBLE, {10, 10, 110, 110}, parent.get());
    Strips strips = CastShadow(child.get());
    Resize(child.get(), 20, 20, 150, 150);
    for (HWND strip : {strips.right, strips.bottom})
        EXPECT_FALSE(::IsWindowVisible(strip));

    // An owner narrower than the shadow gets its right strip and no bottom picture.
    Window narrow = MakeWindow(kOwnerClass, WS_POPUP | WS_VISIBLE, {500, 100, 503, 200});
    windowseam::Take();
    gtlCreateShadow(narrow.get());
    std::vector<Call> calls = windowseam::Take();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(calls[0].moveOnly);
    EXPECT_EQ(calls[0].size.cy, 100);
    child.reset();
    narrow.reset();
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 0u);
}

namespace {

LRESULT ThumbLength(HWND trackbar) {
    return ::SendMessageW(trackbar, TBM_GETTHUMBLENGTH, 0, 0);
}

LONG_PTR ProcedureOf(HWND window) {
    return ::GetWindowLongPtrW(window, GWLP_WNDPROC);
}

Window MakeTrackbar(HWND parent, DWORD style, int width, int height) {
    return MakeWindow(TRACKBAR_CLASSW, WS_CHILD | WS_VISIBLE | style, {0, 0, width, height},
                      parent);
}

} // namespace

TEST(WindowEffects, ThumbFillsTheTrackbarAndFollowsItOnlyWhenKept) {
    Window parent = MakeWindow(kOwnerClass, WS_POPUP | WS_VISIBLE, {10, 10, 330, 330});
    const struct {
        DWORD style;
        int width, height, length, grownLength;
    } rows[] = {{TBS_HORZ, 200, 30, 26, 36}, {TBS_VERT, 24, 200, 20, 30}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        Window trackbar = MakeTrackbar(parent.get(), row.style, row.width, row.height);
        LONG_PTR original = ProcedureOf(trackbar.get());
        gtlSetDefaultThumbLength(trackbar.get(), 0);
        EXPECT_EQ(ThumbLength(trackbar.get()), row.length);
        EXPECT_TRUE(::GetWindowLongW(trackbar.get(), GWL_STYLE) & TBS_FIXEDLENGTH);
        EXPECT_EQ(ProcedureOf(trackbar.get()), original);
        Resize(trackbar.get(), 0, 0, row.width + 10, row.height + 10);
        EXPECT_EQ(ThumbLength(trackbar.get()), row.length);
        EXPECT_EQ(tu::graphics::ThumbMapEntries(), 0u);

        gtlSetDefaultThumbLength(trackbar.get(), 1);
        LONG_PTR kept = ProcedureOf(trackbar.get());
        gtlSetDefaultThumbLength(trackbar.get(), 1);
        EXPECT_NE(kept, original);
        EXPECT_EQ(ProcedureOf(trackbar.get()), kept);
        EXPECT_EQ(tu::graphics::ThumbMapEntries(), 1u);
        EXPECT_EQ(ThumbLength(trackbar.get()), row.grownLength);
        Resize(trackbar.get(), 0, 0, row.width, row.height);
        EXPECT_EQ(ThumbLength(trackbar.get()), row.length);
        trackbar.reset();
        EXPECT_EQ(tu::graphics::ThumbMapEntries(), 0u);
    }
    HWND gone = MakeTrackbar(parent.get(), 0, 100, 30).get();
    gtlSetDefaultThumbLength(gone, 1);
    EXPECT_EQ(tu::graphics::ThumbMapEntries(), 0u);
}

TEST(WindowEffects, TrackbarsOfTwoThreadsKeepTheirThumbsAtOnce) {
    auto work = [](int* wrong) {
        Window parent = MakeWindow(kOwnerClass, WS_POPUP, {0, 0, 300, 300});
        for (int i = 0; i < 100; ++i) {
            Window trackbar = MakeTrackbar(parent.get(), 0, 100 + i, 30);
            gtlSetDefaultThumbLength(trackbar.get(), 1);
            Resize(trackbar.get(), 0, 0, 100, 20 + i % 50);
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

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<DWORD*>(count);
    return TRUE;
}

// Live GDI objects and USER objects of the test. Where the platform does not count them
// (Wine), every GDI handle index is asked for its object (Wine accepts an index alone) and the
// thread's top-level windows are counted.
std::pair<DWORD, DWORD> LiveObjects() {
    HANDLE self = ::GetCurrentProcess();
    std::pair<DWORD, DWORD> live{::GetGuiResources(self, GR_GDIOBJECTS),
                                 ::GetGuiResources(self, GR_USEROBJECTS)};
    if (!live.first)
        for (ULONG_PTR index = 1; index < 0x10000; ++index)
            live.first += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    if (!live.second)
        ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow,
                            reinterpret_cast<LPARAM>(&live.second));
    return live;
}

} // namespace

TEST(WindowEffects, ObjectCountsStayLevelOverManyShadowedWindows) {
    auto cycle = [] {
        Window owner = MakeWindow(kOwnerClass, WS_POPUP | WS_VISIBLE, {60, 60, 260, 160});
        gtlCreateShadow(owner.get());
        Resize(owner.get(), 70, 70, 240, 190);
        gtlSetWindowTransparency(owner.get(), 100);
        owner.reset();
        return windowseam::Take().size();
    };
    ASSERT_EQ(cycle(), 6u); // drawn, drawn again after the resize and the transparency change
    std::pair<DWORD, DWORD> before = LiveObjects();
    ASSERT_GT(before.first, 0u);
    for (int i = 0; i < 1000; ++i)
        cycle();
    EXPECT_EQ(LiveObjects(), before);
    EXPECT_EQ(tu::graphics::ShadowMapEntries(), 0u);
}
