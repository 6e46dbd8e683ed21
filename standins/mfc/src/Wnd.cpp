// CWnd: attaching window objects to windows and routing their messages to OnWndMsg.
#include "afxwin.h"

#include "SrwGuard.h"

#include <memory>
#include <unordered_map>

// Process-wide map from window to attached object, and the attach/detach steps.
// g_mapLock guards g_windows; it is never held while a message is handled.
namespace {
SRWLOCK g_mapLock = SRWLOCK_INIT;
std::unordered_map<HWND, CWnd*>* g_windows;
thread_local CWnd* t_creating;
} // namespace

struct WndRouting {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        CWnd* wnd = CWnd::FromHandlePermanent(window);
        if (!wnd)
            return ::DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            LRESULT result = wnd->DefWindowProc(message, wParam, lParam);
            Detach(*wnd);
            wnd->PostNcDestroy();
            return result;
        }
        return wnd->WindowProc(message, wParam, lParam);
    }

    static void Attach(CWnd& wnd, HWND window) {
        wnd.m_hWnd = window;
        {
            ExclusiveSrwGuard hold(g_mapLock);
            if (!g_windows)
                g_windows = new std::unordered_map<HWND, CWnd*>;
            (*g_windows)[window] = &wnd;
        }
        wnd.m_pfnSuper = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }

    static void Detach(CWnd& wnd) {
        if (::IsWindow(wnd.m_hWnd) && wnd.m_pfnSuper)
            ::SetWindowLongPtrW(wnd.m_hWnd, GWLP_WNDPROC,
                                reinterpret_cast<LONG_PTR>(wnd.m_pfnSuper));
        {
            ExclusiveSrwGuard hold(g_mapLock);
            if (g_windows) {
                g_windows->erase(wnd.m_hWnd);
                if (g_windows->empty()) {
                    delete g_windows;
                    g_windows = nullptr;
                }
            }
        }
        wnd.m_hWnd = nullptr;
    }

    // Attaches the object being created to its window before the window's first message.
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && t_creating && !t_creating->m_hWnd) {
            CWnd* wnd = t_creating;
            t_creating = nullptr;
            Attach(*wnd, reinterpret_cast<HWND>(wParam));
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

CWnd::~CWnd() {
    if (!m_hWnd)
        return;
    // Another thread's window cannot be destroyed from here; it is detached instead,
    // so that it never calls into a dead object.
    if (!::DestroyWindow(m_hWnd) && m_hWnd)
        WndRouting::Detach(*this);
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU idOrMenu,
                    LPVOID param) {
    if (m_hWnd)
        return FALSE;
    HHOOK hook =
        ::SetWindowsHookExW(WH_CBT, &WndRouting::CreationHook, nullptr, ::GetCurrentThreadId());
    t_creating = this;
    HWND window = ::CreateWindowExW(exStyle, className, windowName, style, x, y, width, height,
                                    parent, idOrMenu, ::GetModuleHandleW(nullptr), param);
    t_creating = nullptr;
    if (hook)
        ::UnhookWindowsHookEx(hook);
    if (!window) {
        m_hWnd = nullptr;
        return FALSE;
    }
    if (!m_hWnd)
        WndRouting::Attach(*this, window);
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    SharedSrwGuard hold(g_mapLock);
    if (!g_windows)
        return nullptr;
    auto it = g_windows->find(window);
    return it != g_windows->end() ? it->second : nullptr;
}

namespace {
// A temporary object only names its window: it is let go before deletion, never destroying it.
struct TemporaryWndDelete {
    void operator()(CWnd* wnd) const {
        wnd->m_hWnd = nullptr;
        delete wnd;
    }
};
thread_local std::unordered_map<HWND, std::unique_ptr<CWnd, TemporaryWndDelete>> t_temporary;
} // namespace

CWnd* CWnd::FromHandle(HWND window) {
    if (!window)
        return nullptr;
    if (CWnd* permanent = FromHandlePermanent(window))
        return permanent;
    auto& temporary = t_temporary[window];
    if (!temporary) {
        temporary.reset(new CWnd);
        temporary->m_hWnd = window;
    }
    return temporary.get();
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}
