// Message-box watcher: a CBT hook that reads each box as it is activated and closes it.
#include "MessageBoxWatcher.h"

namespace tutest {

namespace {
thread_local MessageBoxWatcher* t_watcher;

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(window, text, 1024);
    return text;
}

// The box's message is its longest static text (the icon is a static without text).
BOOL CALLBACK CollectStaticText(HWND child, LPARAM found) {
    wchar_t className[16] = L"";
    ::GetClassNameW(child, className, 16);
    auto* text = reinterpret_cast<std::wstring*>(found);
    std::wstring candidate = WindowText(child);
    if (_wcsicmp(className, L"Static") == 0 && candidate.size() > text->size())
        *text = candidate;
    return TRUE;
}
} // namespace

MessageBoxWatcher::MessageBoxWatcher()
    : m_hook(::SetWindowsHookExW(WH_CBT, &OnCbt, nullptr, ::GetCurrentThreadId())) {
    t_watcher = this;
}

MessageBoxWatcher::~MessageBoxWatcher() {
    t_watcher = nullptr;
    ::UnhookWindowsHookEx(m_hook);
}

LRESULT CALLBACK MessageBoxWatcher::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_watcher) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = L"";
        ::GetClassNameW(box, className, 16);
        if (wcscmp(className, L"#32770") == 0) {
            ShownBox shown{WindowText(box), L""};
            ::EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&shown.text));
            t_watcher->m_boxes.push_back(shown);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace tutest
