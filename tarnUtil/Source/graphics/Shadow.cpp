// Drop shadows: two layered popups beside and below a window, drawn from the corner profile and
// kept in step with the window by subclassing it.
#include "tuFileSys.h"
#include "tuGraphics.h"
#include "tuSettings.h"

#include "internal/Library.h"
#include "common/LateBound.h"
#include "common/Lock.h"
#include "graphics/WindowEffects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace {

using tu::graphics::UpdateLayeredWindowFn;
using tu::graphics::WindowPlatform;

const wchar_t kShadowClass[] = L"_SHADOW_";

// The width and corner profile shared by every shadow, decided on the first shadow.
struct ShadowLook {
    std::once_flag decided;
    int width = 0;
    tu::graphics::CornerProfile profile{};
};
ShadowLook g_look;

// The shadow class's atom; nonzero once the class is registered.
std::atomic<ATOM> g_shadowClass{0};

tu::LateBound<UpdateLayeredWindowFn> g_updateLayered;

UpdateLayeredWindowFn SystemUpdateLayered() {
    // Layered popups updated from a bitmap exist from Windows 2000 on.
    return g_updateLayered.Get(L"User32.dll", "UpdateLayeredWindow",
                               [] { return osIsWin2000(1) != 0; });
}

const WindowPlatform kSystem = {&SystemUpdateLayered};

void DecideShadowLook() {
    std::call_once(g_look.decided, [] {
        int width = iniGetInt(L"GUI", L"ShadowWidth", 6, MAKEINTRESOURCEW(3));
        g_look.width = std::clamp(width, 1, tu::graphics::kMaxShadowWidth);
        tu::graphics::ComputeCornerProfile(g_look.width, g_look.profile);
    });
}

void RegisterShadowClass() {
    if (g_shadowClass.load())
        return;
    WNDCLASSW shadowClass{};
    shadowClass.lpfnWndProc = ::DefWindowProcW;
    shadowClass.hInstance = tu::frame::LibraryInstance();
    shadowClass.lpszClassName = kShadowClass;
    g_shadowClass.store(::RegisterClassW(&shadowClass));
}

// A strip's pixels: right strips fade towards both ends and their far edge, bottom strips
// towards their left end and their far edge. Bitmaps are bottom-up; both patterns are laid out
// so that memory row r reads profile row r.
void FillRightStrip(std::uint32_t* pixels, SIZE size) {
    for (LONG row = 0; row < size.cy; ++row) {
        LONG profileRow = std::min({row, size.cy - 1 - row, LONG(g_look.width - 1)});
        std::memcpy(pixels + row * size.cx, g_look.profile[profileRow], size.cx * sizeof *pixels);
    }
}

void FillBottomStrip(std::uint32_t* pixels, SIZE size) {
    for (LONG row = 0; row < size.cy; ++row)
        for (LONG column = 0; column < size.cx; ++column)
            pixels[row * size.cx + column] =
                g_look.profile[row][std::max(g_look.width - 1 - column, 0L)];
}

} // namespace

// The drop shadow of one window; made by gtlCreateShadow, deleted when its owner is destroyed.
class CShadow {
public:
    // Casts the shadow of owner. Nothing is left behind when a strip window, a map entry or the
    // subclassing cannot be made.
    static void Cast(HWND owner, const WindowPlatform& platform);
    virtual ~CShadow();
    CShadow(const CShadow&) = delete;
    CShadow& operator=(const CShadow&) = delete;

    // The owner's procedure while it casts a shadow.
    static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    CShadow(HWND owner, const WindowPlatform& platform);
    bool Attach();
    bool Subclass();
    void Update(bool force);
    // Places a strip; rebuilds its picture unless its length is the same as last time. False
    // when the picture was due and could not be made (the strip is left as it was).
    bool PlaceStrip(HWND strip, POINT place, SIZE size, bool sameLength,
                    void (*fill)(std::uint32_t*, SIZE)) const;
    void Show(bool show);

    HWND m_hOwner;
    const WindowPlatform& m_platform;
    HWND m_hRight = nullptr;
    HWND m_hBottom = nullptr;
    RECT m_rcLast{};
    BYTE m_nTransparency = 0;
};

namespace {

// Shadows by owner, and the procedures the owners had before. Guarded by g_shadowLock, which
// is a leaf and is never held while a window procedure runs.
std::map<HWND, CShadow*> g_shadows;
std::map<HWND, WNDPROC> g_ownerProcedures;
tu::Lock g_shadowLock;

template <typename Value> Value Find(const std::map<HWND, Value>& map, HWND window) {
    tu::LockGuard lock(g_shadowLock);
    auto found = map.find(window);
    return found == map.end() ? nullptr : found->second;
}

// Removes an owner from both maps and gives back its shadow, if it had one.
CShadow* ForgetOwner(HWND owner) {
    tu::LockGuard lock(g_shadowLock);
    g_ownerProcedures.erase(owner);
    CShadow* shadow = Find(g_shadows, owner);
    g_shadows.erase(owner);
    return shadow;
}

HWND CreateStrip(HWND owner) {
    return ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW, kShadowClass,
                             L"", WS_POPUP, 0, 0, 0, 0, owner, nullptr,
                             tu::frame::LibraryInstance(), nullptr);
}

} // namespace

CShadow::CShadow(HWND owner, const WindowPlatform& platform)
    : m_hOwner(owner), m_platform(platform) {
    DecideShadowLook();
    RegisterShadowClass();
}

CShadow::~CShadow() {
    {
        tu::LockGuard lock(g_shadowLock);
        auto entry = g_shadows.find(m_hOwner);
        if (entry != g_shadows.end() && entry->second == this)
            g_shadows.erase(entry);
    }
    // Owned popups usually go before their owner; destroy those that are still there.
    for (HWND strip : {m_hRight, m_hBottom})
        if (strip && ::IsWindow(strip))
            ::DestroyWindow(strip);
}

void CShadow::Cast(HWND owner, const WindowPlatform& platform) {
    CShadow* shadow = new (std::nothrow) CShadow(owner, platform);
    if (shadow && !shadow->Attach())
        delete shadow;
}

bool CShadow::Attach() {
    m_hRight = CreateStrip(m_hOwner);
    m_hBottom = CreateStrip(m_hOwner);
    if (!m_hRight || !m_hBottom || !Subclass())
        return false;
    Update(false);
    return true;
}

bool CShadow::Subclass() {
    tu::LockGuard lock(g_shadowLock);
    try {
        if (!g_shadows.emplace(m_hOwner, this).second)
            return false;
        g_ownerProcedures.emplace(m_hOwner, nullptr);
    } catch (const std::bad_alloc&) {
        ForgetOwner(m_hOwner);
        return false;
    }
    // Pointer-sized: a window procedure does not fit in 32 bits on x64. Replacing it sends no
    // message, and the owner's thread waits on the lock until the entry holds it.
    LONG_PTR previous = ::SetWindowLongPtrW(m_hOwner, GWLP_WNDPROC,
                                            reinterpret_cast<LONG_PTR>(&CShadow::OwnerProc));
    if (!previous) {
        ForgetOwner(m_hOwner);
        return false;
    }
    g_ownerProcedures[m_hOwner] = reinterpret_cast<WNDPROC>(previous);
    return true;
}

LRESULT CALLBACK CShadow::OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = Find(g_ownerProcedures, window);
    // A window the shadows do not know still gets the default handling, so that it paints,
    // closes and is destroyed like any other.
    if (!previous)
        return ::DefWindowProcW(window, message, wParam, lParam);
    CShadow* shadow = Find(g_shadows, window);
    if (!shadow)
        return ::CallWindowProcW(previous, window, message, wParam, lParam);

    if (message == WM_TRANSPARENCYCHANGED && WM_TRANSPARENCYCHANGED) {
        BYTE level = LOBYTE(wParam);
        if (level != shadow->m_nTransparency) {
            shadow->m_nTransparency = level;
            shadow->Update(true);
        }
        return 0;
    }
    if (message == WM_WINDOWPOSCHANGING && lParam &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW))
        shadow->Show(false);

    LRESULT result = ::CallWindowProcW(previous, window, message, wParam, lParam);

    // The previous procedure may have destroyed the owner and its shadow: look it up again.
    if (message == WM_WINDOWPOSCHANGED) {
        if (CShadow* current = Find(g_shadows, window))
            current->Update(false);
    } else if (message == WM_NCDESTROY) {
        // The owner is going: its old procedure is not put back.
        delete ForgetOwner(window);
    }
    return result;
}

void CShadow::Update(bool force) {
    if (!::IsWindowVisible(m_hOwner)) {
        Show(false);
        return;
    }
    if (force)
        ::SetRectEmpty(&m_rcLast);
    RECT owner;
    if (!::GetWindowRect(m_hOwner, &owner))
        return;
    const LONG w = g_look.width;
    const LONG width = owner.right - owner.left;
    const LONG height = owner.bottom - owner.top;
    bool right = PlaceStrip(m_hRight, {owner.right, owner.top + w}, {w, height},
                            height == m_rcLast.bottom - m_rcLast.top, FillRightStrip);
    bool bottom = PlaceStrip(m_hBottom, {owner.left + w, owner.bottom}, {width - w, w},
                             width == m_rcLast.right - m_rcLast.left, FillBottomStrip);
    Show(true);
    // A strip that could not be drawn is drawn again on the next update, whatever moved.
    if (right && bottom)
        m_rcLast = owner;
    else
        ::SetRectEmpty(&m_rcLast);
}

bool CShadow::PlaceStrip(HWND strip, POINT place, SIZE size, bool sameLength,
                         void (*fill)(std::uint32_t*, SIZE)) const {
    UpdateLayeredWindowFn updateLayered = m_platform.updateLayeredWindow();
    if (sameLength) {
        updateLayered(strip, nullptr, &place, nullptr, nullptr, nullptr, 0, nullptr, 0);
        return true;
    }
    // An owner narrower than the shadow has no room for a bottom strip.
    if (size.cx <= 0 || size.cy <= 0)
        return false;
    void* bits = nullptr;
    tu::UniqueBitmap picture(gtlCreateDIBSection(size.cx, size.cy, 32, 1, &bits));
    tu::MemoryDC memory;
    tu::SelectedObject selected(memory.get(), picture.get());
    if (!selected)
        return false;
    fill(static_cast<std::uint32_t*>(bits), size);
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, BYTE(255 - m_nTransparency), AC_SRC_ALPHA};
    updateLayered(strip, nullptr, &place, &size, memory.get(), &origin, 0, &blend, ULW_ALPHA);
    return true;
}

void CShadow::Show(bool show) {
    if (::GetWindowLongPtrW(m_hOwner, GWL_STYLE) & WS_CHILD)
        show = false;
    if (!::IsWindowVisible(m_hRight) == !show)
        return;
    const UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                       (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    ::SetWindowPos(m_hRight, nullptr, 0, 0, 0, 0, flags);
    ::SetWindowPos(m_hBottom, nullptr, 0, 0, 0, 0, flags);
}

namespace tu::graphics {

void ComputeCornerProfile(int width, CornerProfile& profile) {
    std::memset(profile, 0, sizeof profile);
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x) {
            double distance = std::sqrt(double(x * x + y * y));
            if (distance >= width)
                continue;
            auto alpha = std::uint32_t((std::cos(distance / width * 1.5708 + 1.3) + 1.0) * 112.0);
            profile[width - 1 - y][x] = alpha << 24;
        }
}

std::size_t ShadowMapEntries() {
    tu::LockGuard lock(g_shadowLock);
    return g_shadows.size() + g_ownerProcedures.size();
}

void CreateShadow(HWND window, const WindowPlatform& platform) {
    // The settings read sets the thread's last error; the caller's stays as it was.
    tu::LastErrorGuard keepLastError;
    if (!platform.updateLayeredWindow() || !::IsWindow(window) ||
        ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId())
        return;
    if (!Find(g_shadows, window))
        CShadow::Cast(window, platform);
}

} // namespace tu::graphics

void WINAPI gtlCreateShadow(HWND window) {
    tu::graphics::CreateShadow(window, kSystem);
}
