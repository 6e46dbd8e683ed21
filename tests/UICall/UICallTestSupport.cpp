// Helpers of the UICall tests: the catching pump and the debug-output capture.
#include "UICallTestSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>

namespace uitest {

HWND ExecutorWindow() {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) != nullptr) {
        wchar_t className[16] = L"";
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == ::GetCurrentProcessId() && ::GetClassNameW(window, className, 16) &&
            wcscmp(className, L"Message") == 0)
            return window;
    }
    return nullptr;
}

void DrainMessages() {
    ::SendMessageW(ExecutorWindow(), WM_NULL, 0, 0);
    tutest::PumpMessagesUntil([] { return false; }, 50);
}

bool PumpCatching(const std::function<bool()>& condition, std::vector<std::string>& thrown,
                  DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    while (!condition()) {
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return condition();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, (std::min)(timeoutMs - elapsed, 20ul),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            try {
                ::DispatchMessageW(&msg);
            } catch (std::exception const& e) {
                thrown.push_back(e.what());
            }
        }
    }
    return true;
}

namespace {
// The executor's window belongs to the thread that makes the first call: the test programs
// make it in their main thread, which is the UI thread.
class ExecutorInMainThread : public ::testing::Environment {
public:
    void SetUp() override {
        utl::CallInUIThread(MakeCall([] {}), 0);
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ExecutorInMainThread);

std::mutex g_captureLock;
std::vector<std::string>* g_captured;

std::string Narrow(const wchar_t* text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], size, nullptr, nullptr);
    return narrow;
}

// Wide debug text is raised first where the system supports it, then the narrow form when no
// one handled it: only the narrow form is recorded after a wide one was seen.
LONG CALLBACK WatchDebugOutput(EXCEPTION_POINTERS* pointers) {
    EXCEPTION_RECORD const& record = *pointers->ExceptionRecord;
    thread_local bool wideSeen = false;
    std::string text;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_WIDE_C && record.NumberParameters >= 2) {
        text = Narrow(reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]));
        wideSeen = true;
    } else if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
        if (wideSeen) {
            wideSeen = false;
            return EXCEPTION_CONTINUE_SEARCH;
        }
        text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    std::lock_guard<std::mutex> guard(g_captureLock);
    if (g_captured)
        g_captured->push_back(text);
    return EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

DebugOutputCapture::DebugOutputCapture() {
    {
        std::lock_guard<std::mutex> guard(g_captureLock);
        g_captured = new std::vector<std::string>;
    }
    m_handler = ::AddVectoredExceptionHandler(1, &WatchDebugOutput);
}

DebugOutputCapture::~DebugOutputCapture() {
    ::RemoveVectoredExceptionHandler(m_handler);
    std::lock_guard<std::mutex> guard(g_captureLock);
    delete g_captured;
    g_captured = nullptr;
}

std::vector<std::string> DebugOutputCapture::Texts() const {
    std::lock_guard<std::mutex> guard(g_captureLock);
    return g_captured ? *g_captured : std::vector<std::string>();
}

size_t DebugOutputCapture::Count(std::string const& text) const {
    auto texts = Texts();
    return std::count(texts.begin(), texts.end(), text);
}

} // namespace uitest
