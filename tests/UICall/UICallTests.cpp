// Calls into the UI thread: the executor (runs, waking, withdrawal, failures, the watchdog, stress,
// first calls from workers, the exit step at unload), UI listeners and their registrations.
#include "ExecutorWindow.h"
#include "MessageBoxSpy.h"
#include "TestSupport.h"
#include "tuUICall.h"

#include <BaseKit/TestDrive.h>

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <boost/weak_ptr.hpp>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// Static initialization runs in the main thread, the UI thread of the test program.
const DWORD kMainThread = ::GetCurrentThreadId();

template <class F> boost::shared_ptr<utl::CUICall> MakeCall(F body) {
    struct Call : utl::CUICall {
        explicit Call(F f) : body(std::move(f)) {}
        void Execute() override { body(); }
        F body;
    };
    return boost::shared_ptr<utl::CUICall>(new Call(std::move(body)));
}

// The executor's window belongs to the thread that makes the first call: the main thread.
[[maybe_unused]] const bool g_executorMade = utl::CallInUIThread(MakeCall([] {}), 0);

// Thread-safe list of entries, in the order they were added.
template <class T> struct SyncLog {
    void Add(T const& entry) {
        std::lock_guard<std::mutex> guard(lock);
        entries.push_back(entry);
    }
    std::vector<T> All() const {
        std::lock_guard<std::mutex> guard(lock);
        return entries;
    }
    size_t Size() const { return All().size(); }
    mutable std::mutex lock;
    std::vector<T> entries;
};

// Ids of the calls that ran, negated when recorded outside the UI thread.
struct RunLog : SyncLog<int> {
    void Run(int id) { Add(::GetCurrentThreadId() == kMainThread ? id : -id); }
    boost::shared_ptr<utl::CUICall> Call(int id) {
        return MakeCall([this, id] { Run(id); });
    }
};

// What a call from the current thread returned and recorded as its last error.
struct Outcome {
    bool result = false, reported = false;
    bk::tErrorRecord error;
};
Outcome CallAndReport(boost::shared_ptr<utl::CUICall> call, unsigned long timeout) {
    Outcome outcome;
    bk::ClearLastErrorRecord();
    outcome.result = utl::CallInUIThread(std::move(call), timeout);
    outcome.reported = bk::GetLastErrorRecord(outcome.error);
    return outcome;
}

// A thread running one function, joined on destruction; done once the function returned.
struct Worker {
    explicit Worker(std::function<void()> body)
        : thread([this, body] {
              body();
              done = true;
          }) {}
    ~Worker() { thread.join(); }
    std::atomic<bool> done{false};
    std::thread thread;
};

void RunInWorker(std::function<void()> body) {
    std::thread(std::move(body)).join();
}

// Waits, without dispatching anything, until the condition holds or the time runs out.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    for (int waited = 0; !condition() && waited < timeoutMs; ++waited)
        ::Sleep(1);
    return condition();
}

// An object whose release records the releasing thread.
std::shared_ptr<void> ReleaseWitness(DWORD& releasedIn) {
    return std::shared_ptr<void>(nullptr,
                                 [&releasedIn](void*) { releasedIn = ::GetCurrentThreadId(); });
}

// Dispatches what is pending now, including a message sent to the executor's window.
void DrainMessages() {
    ::SendMessageW(tutest::ExecutorWindow(), WM_NULL, 0, 0);
    tutest::PumpMessagesUntil([] { return false; }, 50);
}

// Pumps until the condition holds; the text of what dispatching throws is appended to thrown.
bool PumpCatching(const std::function<bool()>& condition, std::vector<std::string>& thrown) {
    for (;;) {
        try {
            return tutest::PumpMessagesUntil(condition);
        } catch (std::exception const& e) {
            thrown.push_back(e.what());
        }
    }
}

// Counts the lost wake-up warning: debug output reaches a debugger as this narrow exception.
const char kLostWarning[] = "Warning: A UICall message is lost!\n";
std::atomic<int> g_lostWarnings{0};
LONG CALLBACK CountLostWarnings(EXCEPTION_POINTERS* pointers) {
    EXCEPTION_RECORD const& record = *pointers->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
        g_lostWarnings += strcmp(reinterpret_cast<const char*>(record.ExceptionInformation[1]),
                                 kLostWarning) == 0;
    return EXCEPTION_CONTINUE_SEARCH;
}
[[maybe_unused]] void* const g_watch = ::AddVectoredExceptionHandler(1, &CountLostWarnings);

using Ids = std::vector<int>;

const unsigned long kNoLimit = INFINITE, kTimeouts[] = {0, 10, kNoLimit};

// Nothing queued around each test: wake-up counts are exact, no call outlives its test's locals.
class UIExec : public ::testing::Test {
protected:
    void SetUp() override { DrainMessages(); }
    void TearDown() override { DrainMessages(); }
};

TEST_F(UIExec, InTheUIThreadRunsAtOnceAndEmptyCallsAreRefusedWithoutReport) {
    EXPECT_EQ(::GetWindowThreadProcessId(tutest::ExecutorWindow(), nullptr), kMainThread);
    for (unsigned long timeout : kTimeouts) {
        SCOPED_TRACE(timeout);
        RunLog log;
        EXPECT_TRUE(utl::CallInUIThread(log.Call(1), timeout));
        EXPECT_EQ(log.All(), Ids{1});

        unsigned long errors = bk::GetErrorCount();
        EXPECT_FALSE(utl::CallInUIThread(nullptr, timeout));
        bool result = true;
        RunInWorker([&] { result = utl::CallInUIThread(nullptr, timeout); });
        EXPECT_FALSE(result);
        EXPECT_EQ(bk::GetErrorCount(), errors);
    }
    EXPECT_THROW(utl::CallInUIThread(MakeCall([] { throw std::runtime_error("direct"); }), 0),
                 std::runtime_error);
}

// Nothing is dispatched while the worker waits (waiters told true: the stress run).
TEST_F(UIExec, WaiterThatGivesUpWithdrawsItsCallWhichIsReleasedUnrunInTheUIThread) {
    RunLog log;
    DWORD releasedIn = 0;
    auto call = MakeCall([&log, witness = ReleaseWitness(releasedIn)] { log.Run(7); });
    Outcome outcome;
    RunInWorker([&] { outcome = CallAndReport(std::move(call), 20); });
    const bk::tErrorRecord& e = outcome.error;
    EXPECT_FALSE(outcome.result);
    ASSERT_TRUE(outcome.reported);
    EXPECT_EQ(std::tie(e.function, e.file, e.line, e.group, e.code, e.log),
              std::make_tuple("utl::CUIExec::PushCallInfo", ".\\Source\\UICall", 167u, 1,
                              static_cast<unsigned long>(WAIT_TIMEOUT), true));
    EXPECT_EQ(releasedIn, 0u) << "released before the UI thread took it";
    DrainMessages();
    EXPECT_EQ(log.Size(), 0u);
    EXPECT_EQ(releasedIn, kMainThread);
}

// One batch: 1's modal loop runs 6, queued meanwhile; 2 queues 5 and throws: 3 and 4 go behind 5.
TEST_F(UIExec, ModalLoopsRunNewCallsAndAThrowingCallPutsTheRestBehindNewerOnes) {
    RunLog log;
    auto modal = [&] {
        log.Run(1);
        Worker nested([&] { utl::CallInUIThread(log.Call(6), 0); });
        tutest::PumpMessagesUntil([&] { return log.Size() == 2; });
        log.Run(7);
    };
    auto thrower = [&] {
        log.Run(2);
        RunInWorker([&] { utl::CallInUIThread(log.Call(5), 0); });
        throw std::runtime_error("queued");
    };
    RunInWorker([&] {
        for (auto call : {MakeCall(modal), MakeCall(thrower), log.Call(3), log.Call(4)})
            utl::CallInUIThread(call, 0);
    });
    std::vector<std::string> thrown;
    ASSERT_TRUE(PumpCatching([&] { return log.Size() == 7; }, thrown));
    EXPECT_EQ(thrown, std::vector<std::string>{"queued"});
    EXPECT_EQ(log.All(), (Ids{1, 6, 7, 2, 5, 3, 4}));

    // A waiter of a throwing call gets false and no report.
    Outcome outcome;
    Worker worker([&] {
        outcome = CallAndReport(MakeCall([] { throw std::runtime_error("waited"); }), INFINITE);
    });
    ASSERT_TRUE(PumpCatching([&] { return worker.done.load(); }, thrown));
    EXPECT_FALSE(outcome.result || outcome.reported);
    EXPECT_EQ(thrown, (std::vector<std::string>{"queued", "waited"}));
}

// One wake-up per batch; any message to the executor runs it; only a tick finding it lost warns.
TEST_F(UIExec, OneWakeUpPerBatchAndAnyMessageRunsTheBatch) {
    struct Row {
        UINT message; // WM_APP: wait for the executor's own one-second timer
        WPARAM wParam;
        bool loseWakeUp;
        int warnings;
    } const rows[] = {
        {WM_USER, 0, true, 0},   // the wake-up itself, taken from the queue and dispatched
        {WM_APP, 0, true, 1},    // the real watchdog picks up a lost wake-up
        {WM_TIMER, 1, true, 1},  // watchdog tick, wake-up lost
        {WM_TIMER, 1, false, 0}, // watchdog tick, wake-up still pending
        {WM_NULL, 0, true, 0},   // any other message
        {WM_TIMER, 2, true, 0},  // not the watchdog's timer
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.message + row.wParam);
        int warnings = g_lostWarnings;
        RunLog log;
        RunInWorker([&] {
            for (int id = 1; id <= 3; ++id)
                EXPECT_TRUE(utl::CallInUIThread(log.Call(id), 0));
        });
        MSG wakeUp;
        int wakeUps = 0;
        while (row.loseWakeUp &&
               ::PeekMessageW(&wakeUp, tutest::ExecutorWindow(), WM_USER, WM_USER, PM_REMOVE)) {
            ++wakeUps;
            if (row.message == WM_USER)
                ::DispatchMessageW(&wakeUp);
        }
        EXPECT_EQ(wakeUps, row.loseWakeUp ? 1 : 0);
        if (row.message == WM_APP)
            EXPECT_TRUE(tutest::PumpMessagesUntil([&] { return log.Size() == 3; }, 5000));
        else if (row.message != WM_USER)
            ::SendMessageW(tutest::ExecutorWindow(), row.message, row.wParam, 0);
        EXPECT_EQ(log.All(), (Ids{1, 2, 3}));
        EXPECT_EQ(g_lostWarnings - warnings, row.warnings);
        DrainMessages(); // the log must outlive the calls, also when the test failed
    }
}

// The UI thread's window for messages sent by workers: WM_APP runs g_onSent.
std::function<void()> g_onSent;
LRESULT CALLBACK RunOnSent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP)
        return ::DefWindowProcW(window, message, wParam, lParam);
    g_onSent();
    return 0;
}

HWND MakeSentTarget() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &RunOnSent;
    windowClass.lpszClassName = L"uiCallSentTarget";
    ::RegisterClassW(&windowClass);
    return ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                             nullptr, nullptr, nullptr);
}

// A watchdog tick that finds calls queued and its wake-up lost looks for the wake-up, which
// delivers a message a worker is sending: its handler runs while no lock of the executor is
// held, so a worker queuing a call meanwhile (as a handler may wait for) is not blocked.
TEST_F(UIExec, MessagesSentDuringTheWatchdogsLookRunWithoutExecutorLocks) {
    RunLog log;
    RunInWorker([&] { utl::CallInUIThread(log.Call(1), 0); });
    MSG wakeUp;
    ASSERT_TRUE(::PeekMessageW(&wakeUp, tutest::ExecutorWindow(), WM_USER, WM_USER, PM_REMOVE));
    std::thread prober;
    std::atomic<bool> probed{false};
    bool handledInTick = false, queuedMeanwhile = false;
    g_onSent = [&] {
        handledInTick = true;
        prober = std::thread([&] {
            utl::CallInUIThread(log.Call(2), 0);
            probed = true;
        });
        queuedMeanwhile = WaitFor([&] { return probed.load(); }, 5000);
    };
    HWND target = MakeSentTarget();
    Worker sender([&] { ::SendMessageW(target, WM_APP, 0, 0); });
    EXPECT_TRUE(WaitFor([] { return HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) != 0; }));
    ::SendMessageW(tutest::ExecutorWindow(), WM_TIMER, 1, 0);
    EXPECT_TRUE(handledInTick);
    EXPECT_TRUE(queuedMeanwhile);
    EXPECT_TRUE(tutest::PumpMessagesUntil([&] { return sender.done && log.Size() == 2; }));
    prober.join();
    EXPECT_EQ(log.All(), (Ids{1, 2}));
    ::DestroyWindow(target);
}

// Four threads call with mixed time-outs while the UI thread pumps, at times slowly or in a box:
// each call runs at most once, in the UI thread, and as its caller was told (waiters: at return).
TEST(UIExecStress, ManyThreadsAgainstAPumpingUIThread) {
    tutest::MessageBoxSpy closesBoxes;
    const int kThreads = 4, kCallsPerThread = 20000, total = kThreads * kCallsPerThread;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::unique_ptr<std::atomic<int>[]> runs(new std::atomic<int>[total]());
    std::vector<int> expectedRuns(total, -1); // -1: the call failed
    // Calls run outside the UI thread, and waiters told true before their call ran.
    std::atomic<int> faults{0}, finished{0};

    std::vector<std::unique_ptr<Worker>> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back(new Worker([&, t] {
            std::mt19937 random(seed + t);
            const unsigned long timeouts[] = {0, 0, 1, 3, INFINITE};
            for (int i = t * kCallsPerThread; i < (t + 1) * kCallsPerThread; ++i) {
                unsigned long timeout = timeouts[random() % std::size(timeouts)];
                auto call = MakeCall([&, i] {
                    ++runs[i];
                    faults += ::GetCurrentThreadId() != kMainThread;
                    if (i % 10000 == 5000)
                        ::MessageBoxW(nullptr, L"modal", L"stress", MB_OK);
                });
                Outcome o = CallAndReport(call, timeout);
                bool withdrawn = timeout && o.reported && o.error.line == 167;
                expectedRuns[i] = o.result ? 1 : withdrawn ? 0 : -1;
                faults += timeout && o.result && runs[i] != 1;
            }
            ++finished;
        }));
    std::mt19937 pace(seed);
    ASSERT_TRUE(tutest::PumpMessagesUntil(
        [&] {
            if (pace() % 50 == 0)
                ::Sleep(pace() % 8);
            return finished == kThreads;
        },
        300000))
        << "workers still blocked";

    DrainMessages();
    for (int i = 0; i < total; ++i)
        ASSERT_EQ(runs[i], expectedRuns[i]) << "call " << i;
    EXPECT_EQ(faults, 0);
}

// Fresh processes: the exit step drops calls that never ran; a worker's first call makes the window
// in the UI thread, where every call runs; when it cannot be made, every call fails, none runs.
TEST(UIExecFreshProcess, ExitStepAndFirstCallsFromAWorker) {
    struct Row {
        const wchar_t* mode;
        const char* output;
    } const rows[] = {
        {L"", "queued ran=0\nreleased ran=0\n"},
        {L"call", "true true true ran: ui ui ui \n"},
        {L"hook", "hook=ui true true ran: ui ui \n"},
        {L"no-window", "false(151,1400) false(151,1400) false(151,1400) ran: \n"},
        {L"listener", "no window\n"}, // ends of listeners that never forwarded make nothing
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(tutest::Narrow(row.mode));
        auto result = tutest::RunHostInFreshFolder(L"uiCallHost.exe",
                                                   {L"tarnUtil.dll", L"BaseKit.dll"}, {}, row.mode);
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        EXPECT_EQ(result.output, row.output);
    }
}

// One handled event or message as the handler saw it: center, words, data, thread.
using Delivery = std::tuple<const void*, int, int, std::string, DWORD>;
using DeliveryLog = SyncLog<Delivery>;

Delivery Seen(const void* center, int first, int second, boost::any const& data) {
    const std::string* text = boost::any_cast<std::string>(&data);
    return {center, first, second, text ? *text : "<not text>", ::GetCurrentThreadId()};
}

boost::any Text(const char* text) {
    return boost::any(std::string(text));
}

struct RecordingListener : utl::CUIListener {
    RecordingListener(utl::CEventSource const& source, DeliveryLog& log, unsigned long timeout)
        : utl::CUIListener(source, timeout), log(log) {}
    void WorkUI(unsigned int first, unsigned int second, boost::any const& data) override {
        log.Add(Seen(nullptr, first, second, data));
        if (endInHandler)
            delete this;
    }
    DeliveryLog& log;
    bool endInHandler = false; // made with new, the listener destroys itself in its handler
};

// Handles only events with the first word 5.
struct RecordingMapListener : utl::CUIMapListener {
    RecordingMapListener(utl::CEventSource const& source, DeliveryLog& log, unsigned long timeout)
        : utl::CUIMapListener(source, timeout) {
        MapHandler(5, [&log](unsigned int first, unsigned int second, boost::any const& data) {
            log.Add(Seen(nullptr, first, second, data));
        });
    }
};

// Destroying a waiting listener in the UI thread, before or while it handles, lets its worker go.
TEST(UIListener, DestroyedUnderABlockedWorkerEndsTheDelivery) {
    for (bool inHandler : {false, true}) {
        SCOPED_TRACE(inHandler);
        utl::CEventSource source;
        DeliveryLog log;
        auto* listener = new RecordingListener(source, log, INFINITE);
        listener->endInHandler = inHandler;
        Worker worker([&] { source.Raise(1, 2, Text("blocked")); });
        MSG wakeUp;
        WaitFor([&] {
            return ::PeekMessageW(&wakeUp, tutest::ExecutorWindow(), WM_USER, WM_USER, PM_NOREMOVE);
        });
        if (inHandler)
            ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.done.load(); }));
        else
            delete listener;
        EXPECT_TRUE(WaitFor([&] { return worker.done.load(); }));
        DrainMessages();
        EXPECT_EQ(log.Size(), inHandler ? 1u : 0u);
    }
}

// Destroyed in a worker while the UI thread handles its event, a listener lets the event's
// waiter go at once: nothing of the executor waits for the running handler.
TEST(UIListener, DestroyedInAWorkerWhileHandlingLetsTheWaiterGoAtOnce) {
    struct Listener : utl::CUIListener {
        Listener(utl::CEventSource const& source, std::function<void()>& handle)
            : utl::CUIListener(source, INFINITE), handle(handle) {}
        void WorkUI(unsigned int, unsigned int, boost::any const&) override { handle(); }
        std::function<void()>& handle; // the handler touches nothing of the listener
    };
    utl::CEventSource source;
    std::thread destroyer;
    bool waiterLetGo = false;
    std::function<void()> handle;
    auto* listener = new Listener(source, handle);
    Worker waiter([&] { source.Raise(1, 2, Text("handled while destroyed")); });
    handle = [&] {
        destroyer = std::thread([listener] { delete listener; });
        waiterLetGo = WaitFor([&] { return waiter.done.load(); }, 5000);
    };
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return waiter.done.load(); }));
    destroyer.join();
    EXPECT_TRUE(waiterLetGo);
}

TEST(UIListener, ThreeWordEventsAreHandledInTheUIThreadWaitingAsConfigured) {
    for (unsigned long timeout : {0ul, kNoLimit}) {
        SCOPED_TRACE(timeout);
        utl::CEventSource source;
        DeliveryLog log;
        RecordingListener listener(source, log, timeout);
        source.Raise(8, 9, Text("here"));
        EXPECT_EQ(log.Size(), 1u) << "handled at once in the UI thread";
        size_t handledAtReturn = 9;
        Worker worker([&] {
            source.Raise(3, 4, Text("payload"));
            handledAtReturn = log.Size();
        });
        // Not waited for: the worker finishes while this thread dispatches nothing.
        WaitFor([&] { return timeout != 0 || worker.done; });
        ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.done && log.Size() == 2; }));
        EXPECT_EQ(handledAtReturn, timeout ? 2u : 1u);
        EXPECT_EQ(log.All(), (std::vector<Delivery>{{nullptr, 8, 9, "here", kMainThread},
                                                    {nullptr, 3, 4, "payload", kMainThread}}));
    }
}

TEST(UIListener, MapListenerHandlesItsWayAndEventsForListenersThatDiedOnTheWayAreDropped) {
    utl::CEventSource source;
    DeliveryLog log;
    auto mapListener = std::make_unique<RecordingMapListener>(source, log, 0);
    RunInWorker([&] {
        source.Raise(6, 1, Text("unmapped"));
        source.Raise(5, 2, Text("mapped"));
    });
    DrainMessages();
    EXPECT_EQ(log.All(), std::vector<Delivery>{Delivery(nullptr, 5, 2, "mapped", kMainThread)});

    auto listener = std::make_unique<RecordingListener>(source, log, 0);
    RunInWorker([&] { source.Raise(5, 1, Text("late")); });
    listener.reset();
    mapListener.reset();
    unsigned long errors = bk::GetErrorCount();
    DrainMessages();
    EXPECT_EQ(log.Size(), 1u);
    EXPECT_EQ(bk::GetErrorCount(), errors);
}

// A message-center handler that records each message it is given.
struct RecordingHandler : utl::CEventHandler {
    explicit RecordingHandler(DeliveryLog& log) : log(log) {}
    void OnMessage(utl::CMsgCenter const& center, int code, int word, boost::any const& data) {
        log.Add(Seen(&center, code, word, data));
    }
    DeliveryLog& log;
};

const auto kOnMessage = static_cast<utl::CMsgCenter::tHandlerFn>(&RecordingHandler::OnMessage);

// Dispatches a message in the UI thread and in a worker, and lets the UI thread handle it.
void DispatchEverywhere(utl::CMsgCenter& center, int code, const char* text) {
    center.Dispatch(code, 0, Text(text));
    RunInWorker([&] { center.Dispatch(code, 1, Text(text)); });
    DrainMessages();
}

TEST(UIListenerRegistration, HandlerRunsInTheUIThreadUntilOneRemovalEndsItsUIRegistrations) {
    utl::CMsgCenter center, otherCenter;
    DeliveryLog log;
    auto handler = boost::make_shared<RecordingHandler>(log);
    auto stranger = boost::make_shared<RecordingHandler>(log);
    utl::AddUIListener(center, 1, 2, handler, kOnMessage);
    utl::AddUIListener(center, 1, handler, kOnMessage);
    center.AddListener(8, handler, kOnMessage); // a direct registration, not a UI one
    utl::AddUIListener(otherCenter, 1, handler, kOnMessage);
    DispatchEverywhere(center, 2, "data");
    EXPECT_EQ(log.All(), (std::vector<Delivery>{{&center, 2, 0, "data", kMainThread},
                                                {&center, 2, 1, "data", kMainThread}}));
    DispatchEverywhere(center, 1, "twice");
    EXPECT_EQ(log.Size(), 6u);

    utl::RemoveUIListener(center, stranger);
    EXPECT_EQ(center.GetListenerCount(), 3u);
    utl::RemoveUIListener(center, boost::weak_ptr<utl::CEventHandler>(handler));
    EXPECT_EQ(center.GetListenerCount(), 1u);
    DispatchEverywhere(center, 1, "gone");
    DispatchEverywhere(center, 2, "gone");
    center.Dispatch(8, 0, Text("direct"));
    otherCenter.Dispatch(1, 0, Text("other center"));
    EXPECT_EQ(log.Size(), 8u) << "only the direct and the other center's registrations remain";
    utl::RemoveUIListener(otherCenter, handler);
}

// A handler let go of while handling a worker's message dies in the UI thread; null functions fail.
TEST(UIListenerRegistration, HandlersDieInTheUIThreadAndNullFunctionsAreRefused) {
    static std::atomic<int> diedElsewhere{0};
    struct LastOwnerHandler : utl::CEventHandler {
        ~LastOwnerHandler() override { diedElsewhere += ::GetCurrentThreadId() != kMainThread; }
        // The application's reference goes while the message is handled.
        void LetGo(utl::CMsgCenter const&, int, int, boost::any const&) { owner.reset(); }
        boost::shared_ptr<utl::CEventHandler> owner;
    };
    const auto letGo = static_cast<utl::CMsgCenter::tHandlerFn>(&LastOwnerHandler::LetGo);
    utl::CMsgCenter center;
    for (int i = 0; i < 100; ++i) {
        auto handler = boost::make_shared<LastOwnerHandler>();
        boost::weak_ptr<utl::CEventHandler> weak = handler;
        handler->owner = handler;
        utl::AddUIListener(center, 1, weak, letGo);
        handler.reset();
        Worker worker([&] { center.Dispatch(1, 0, Text("let go")); });
        ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.done && weak.expired(); }));
        utl::RemoveUIListener(center, weak);
    }
    EXPECT_EQ(diedElsewhere, 0);

    auto handler = boost::make_shared<LastOwnerHandler>();
    utl::AddUIListener(center, 1, handler, nullptr);
    utl::AddUIListener(center, 1, 2, handler, nullptr);
    EXPECT_EQ(center.GetListenerCount(), 0u);
}

TEST(UIListenerRegistration, HandlersThatDieBeforeDeliveryGetNothingAndNoErrorIsReported) {
    utl::CMsgCenter center;
    DeliveryLog log;
    auto handler = boost::make_shared<RecordingHandler>(log);
    boost::weak_ptr<utl::CEventHandler> weak = handler;
    boost::weak_ptr<utl::CEventHandler> gone = boost::make_shared<RecordingHandler>(log);
    utl::AddUIListener(center, 3, weak, kOnMessage);
    utl::AddUIListener(center, 9, gone, kOnMessage); // already gone: still succeeds

    // A message queued before the handler's last owner let go keeps it alive until delivered.
    RunInWorker([&] { center.Dispatch(3, 1, Text("queued")); });
    handler.reset();
    EXPECT_FALSE(weak.expired());
    DrainMessages();
    EXPECT_TRUE(weak.expired());

    unsigned long errors = bk::GetErrorCount();
    DispatchEverywhere(center, 3, "dropped");
    DispatchEverywhere(center, 9, "nobody");
    EXPECT_EQ(log.Size(), 1u) << "the queued message only";
    EXPECT_EQ(bk::GetErrorCount(), errors);
    utl::RemoveUIListener(center, weak);
    utl::RemoveUIListener(center, gone);
    EXPECT_EQ(center.GetListenerCount(), 0u);
}

} // namespace
