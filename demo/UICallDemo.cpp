// Demo of calls into the UI thread: a worker thread's calls, a listener's events and a
// message-center registration, all handled in the UI thread (this program's main thread).
#include "Demo.h"
#include "DemoPump.h"

#include "tuUICall.h"

#include <boost/make_shared.hpp>

#include <atomic>
#include <string>
#include <thread>

namespace {

// Prints which thread ran it.
class SayWhere : public utl::CUICall {
public:
    explicit SayWhere(const char* what) : m_what(what) {}
    void Execute() override {
        std::printf("  %-36s ran in thread %lu\n", m_what, ::GetCurrentThreadId());
    }

private:
    const char* m_what;
};

class PrintingListener : public utl::CUIListener {
public:
    explicit PrintingListener(utl::CEventSource const& source)
        : utl::CUIListener(source, INFINITE) {}

protected:
    void WorkUI(unsigned int first, unsigned int second, boost::any const& data) override {
        std::string what = "listener event (" + std::to_string(first) + ", " +
                           std::to_string(second) + ", " + boost::any_cast<std::string>(data) + ")";
        std::printf("  %-36s ran in thread %lu\n", what.c_str(), ::GetCurrentThreadId());
    }
};

class PrintingHandler : public utl::CEventHandler {
public:
    void OnMessage(utl::CMsgCenter const&, int code, int word, boost::any const&) {
        std::string what =
            "message-center message " + std::to_string(code) + "/" + std::to_string(word);
        std::printf("  %-36s ran in thread %lu\n", what.c_str(), ::GetCurrentThreadId());
    }
};

} // namespace

void ShowUICall() {
    DemoSection("Calls into the UI thread");
    std::printf("UI thread:   %lu\n", ::GetCurrentThreadId());
    // Called here first, so the executor's window belongs to the UI thread; runs at once.
    utl::CallInUIThread(boost::make_shared<SayWhere>("call made in the UI thread"), INFINITE);

    utl::CEventSource source;
    PrintingListener listener(source);
    utl::CMsgCenter center;
    auto handler = boost::make_shared<PrintingHandler>();
    utl::AddUIListener(center, 100, handler,
                       static_cast<utl::CMsgCenter::tHandlerFn>(&PrintingHandler::OnMessage));

    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::printf("worker:      %lu\n", ::GetCurrentThreadId());
        utl::CallInUIThread(boost::make_shared<SayWhere>("queued call 1 (not waited for)"), 0);
        utl::CallInUIThread(boost::make_shared<SayWhere>("queued call 2 (not waited for)"), 0);
        bool ran = utl::CallInUIThread(boost::make_shared<SayWhere>("waited-for call"), INFINITE);
        std::printf("  worker's wait returned %s\n", ran ? "true" : "false");
        source.Raise(1, 2, boost::any(std::string("hello")));
        center.Dispatch(100, 7, boost::any());
        done = true;
    });
    PumpUntil(done);
    worker.join();
    // The registration's message was queued without waiting; its wake-up is pending now.
    DispatchPending();
    utl::RemoveUIListener(center, handler);
}
