// Demo of the hook registry: a chain with a default, and a worker thread's chain call carried
// into the user-input thread.
#include "Demo.h"
#include "DemoPump.h"

#include "tuHooks.h"
#include "tuUICall.h"

#include <boost/make_shared.hpp>

#include <atomic>
#include <thread>

namespace {

// Runs nothing: the first call into the UI thread, made by the UI thread itself, so that the
// executor's window (and with it the running of queued calls) belongs to that thread.
class NoCall : public utl::CUICall {
public:
    void Execute() override {}
};

unsigned long CALLBACK Greeting(void* parameter, unsigned long, long) {
    std::printf("  default function runs in thread %lu for \"%ls\"\n", ::GetCurrentThreadId(),
                static_cast<const wchar_t*>(parameter));
    return 1;
}

unsigned long CALLBACK Decorate(void* parameter, unsigned long hook, long data) {
    std::printf("  hook (data %ld) runs in thread %lu and passes the call on\n", data,
                ::GetCurrentThreadId());
    return hookCallNext(hook, parameter) + 1;
}

} // namespace

void ShowHooks() {
    DemoSection("Hook registry");
    unsigned id = hookCreateID(L"demo.greeting");
    hookSetDefault(id, reinterpret_cast<void*>(&Greeting), 0);
    unsigned long hook = hookSet(id, reinterpret_cast<void*>(&Decorate), 0, 7);
    std::printf("named id \"demo.greeting\" = %u, hook handle 0x%08lX\n", id, hook);

    std::printf("UI thread %lu calls the chain:\n", ::GetCurrentThreadId());
    unsigned long result = hookCallFirst(id, const_cast<wchar_t*>(L"direct"));
    std::printf("  result %lu\n", result);

    utl::CallInUIThread(boost::make_shared<NoCall>(), 0);
    unsigned long workerResult = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::printf("worker thread %lu asks for the chain in the UI thread:\n",
                    ::GetCurrentThreadId());
        workerResult = hookCallFirstInUI(id, const_cast<wchar_t*>(L"from a worker"));
        done = true;
    });
    PumpUntil(done);
    worker.join();
    std::printf("  the worker got result %lu\n", workerResult);

    hookRemove(hook);
    hookExit(id);
    hookDeleteID(L"demo.greeting");
}
