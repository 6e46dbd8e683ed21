// Message boxes observed through a CBT hook: read when activated, then closed with OK.
#include "MessageBoxSpy.h"

namespace tutest {

namespace {
thread_local MessageBoxSpy* t_spy;

bool HasClass(HWND window, const wchar_t* name) {
    wchar_t className[16] = L"";
    ::GetClassNameW(window, className, 16);
    return _wcsicmp(className, name) == 0;
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(window, text, 1024);
    return text;
}

// The box's children: its text is the static control with text, its icon the one with SS_ICON.
BOOL CALLBACK ReadChild(HWND child, LPARAM lParam) {
    auto* box = reinterpret_cast<ShownBox*>(lParam);
    if (!HasClass(child, L"Static"))
        return TRUE;
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        box->icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
    else if (box->text.empty())
        box->text = WindowText(child);
    return TRUE;
}
} // namespace

MessageBoxSpy::MessageBoxSpy() {
    t_spy = this;
    m_hook = ::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId());
}

MessageBoxSpy::~MessageBoxSpy() {
    ::UnhookWindowsHookEx(m_hook);
    t_spy = nullptr;
}

void MessageBoxSpy::Record(HWND box) {
    // A box activated again (after losing the focus) is the same box.
    if (::GetPropW(box, L"tarnSpySeen"))
        return;
    ::SetPropW(box, L"tarnSpySeen", box);
    ShownBox shown;
    shown.caption = WindowText(box);
    ::EnumChildWindows(box, &ReadChild, reinterpret_cast<LPARAM>(&shown));
    m_boxes.push_back(shown);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK MessageBoxSpy::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_spy && HasClass(reinterpret_cast<HWND>(wParam), L"#32770"))
        t_spy->Record(reinterpret_cast<HWND>(wParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace tutest
