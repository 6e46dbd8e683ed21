// Observes message boxes shown in the calling thread: records caption and text, then closes
// each box, so that tests see what a user would and never wait for a person.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tutest {

struct ShownBox {
    std::wstring caption;
    std::wstring text;
};

// Watches while it lives; boxes of other threads are not seen.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    const std::vector<ShownBox>& Boxes() const { return m_boxes; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook;
    std::vector<ShownBox> m_boxes;
};

} // namespace tutest
