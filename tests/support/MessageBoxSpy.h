// Watches the message boxes that the calling thread shows: records each box's caption, text
// and icon, and closes it at once, so tests see what a user would see without a person there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tutest {

struct ShownBox {
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr; // the box's icon, comparable with LoadIconW(nullptr, IDI_...)
};

// Installs a thread-local CBT hook for its lifetime; one spy per thread at a time.
class MessageBoxSpy {
public:
    MessageBoxSpy();
    ~MessageBoxSpy();
    MessageBoxSpy(const MessageBoxSpy&) = delete;
    MessageBoxSpy& operator=(const MessageBoxSpy&) = delete;

    const std::vector<ShownBox>& Boxes() const { return m_boxes; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND box);

    HHOOK m_hook;
    std::vector<ShownBox> m_boxes;
};

} // namespace tutest
