// Helpers of the UICall tests: call objects from functions, worker threads, the executor's
// window, a message pump that catches what dispatching throws, and captured debug output.
#pragma once

#include "tuUICall.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace uitest {

// A call object running a function.
class FunctionCall : public utl::CUICall {
public:
    explicit FunctionCall(std::function<void()> body) : m_body(std::move(body)) {}
    void Execute() override { m_body(); }

private:
    std::function<void()> m_body;
};

inline boost::shared_ptr<utl::CUICall> MakeCall(std::function<void()> body) {
    return boost::shared_ptr<utl::CUICall>(new FunctionCall(std::move(body)));
}

// Thread-safe record of what ran, in order, and where.
class RunLog {
public:
    void Add(int id) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_ids.push_back(id);
        m_threads.push_back(::GetCurrentThreadId());
    }
    std::vector<int> Ids() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_ids;
    }
    size_t Size() const { return Ids().size(); }
    // True when every entry was made in the given thread.
    bool AllIn(DWORD thread) const {
        std::lock_guard<std::mutex> guard(m_lock);
        for (DWORD t : m_threads)
            if (t != thread)
                return false;
        return true;
    }
    // A call that adds the id when it runs.
    boost::shared_ptr<utl::CUICall> Call(int id) {
        return MakeCall([this, id] { Add(id); });
    }

private:
    mutable std::mutex m_lock;
    std::vector<int> m_ids;
    std::vector<DWORD> m_threads;
};

// A thread running one function; the owner pumps messages until Done, then joins.
class Worker {
public:
    explicit Worker(std::function<void()> body)
        : m_thread([this, body] {
              body();
              m_done = true;
          }) {}
    ~Worker() {
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Done() const { return m_done; }
    // Waits without dispatching messages.
    void Join() { m_thread.join(); }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// Runs the function in a new thread and waits for it without dispatching messages.
inline void RunInWorker(std::function<void()> body) {
    Worker(std::move(body)).Join();
}

// The executor's message-only window: this process's one window of the "Message" class.
// (Found by class, not by name: Wine's "Message" class keeps no window text.)
HWND ExecutorWindow();

// Removes the wake-up messages pending for the executor's window; returns how many there were.
inline int RemovePendingWakeUps(std::vector<MSG>* removed = nullptr) {
    int count = 0;
    MSG msg;
    while (::PeekMessageW(&msg, ExecutorWindow(), WM_USER, WM_USER, PM_REMOVE)) {
        ++count;
        if (removed)
            removed->push_back(msg);
    }
    return count;
}

// Dispatches what is pending now, including a message sent to the executor's window.
void DrainMessages();

// Dispatches the calling thread's messages until the condition holds or the time runs out;
// what a dispatched message throws is caught and its text appended to thrown.
bool PumpCatching(const std::function<bool()>& condition, std::vector<std::string>& thrown,
                  DWORD timeoutMs = 10000);

// Collects the debug output written while it lives (any thread), by watching the exception
// through which OutputDebugString reaches a debugger.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(DebugOutputCapture const&) = delete;
    DebugOutputCapture& operator=(DebugOutputCapture const&) = delete;

    std::vector<std::string> Texts() const;
    size_t Count(std::string const& text) const;

private:
    void* m_handler;
};

} // namespace uitest
