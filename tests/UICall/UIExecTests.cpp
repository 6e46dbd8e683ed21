// The UI call executor: direct and queued runs, waking, waiting, withdrawal, failures in
// queued calls, the watchdog, and a stress run of several threads against the pumping thread.
#include "UICallTestSupport.h"

#include "TestSupport.h"

#include <BaseKit/TestDrive.h>

#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>

#include <memory>
#include <random>
#include <stdexcept>

namespace {

using uitest::MakeCall;
using uitest::RunInWorker;
using uitest::RunLog;
using uitest::Worker;

const char kLostWarning[] = "Warning: A UICall message is lost!\n";
const unsigned long kNoLimit = INFINITE;

// Static initialization runs in the main thread, the UI thread of the test program.
const DWORD kMainThread = ::GetCurrentThreadId();

TEST(UIExec, EmptyCallIsRefusedWithoutReport) {
    for (unsigned long timeout : {0ul, 10ul, kNoLimit}) {
        SCOPED_TRACE(timeout);
        unsigned long errors = bk::GetErrorCount();
        EXPECT_FALSE(utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(), timeout));
        bool result = true;
        RunInWorker(
            [&] { result = utl::CallInUIThread(boost::shared_ptr<utl::CUICall>(), timeout); });
        EXPECT_FALSE(result);
        EXPECT_EQ(bk::GetErrorCount(), errors);
    }
}

TEST(UIExec, RunsAtOnceInTheUIThread) {
    for (unsigned long timeout : {0ul, 10ul, kNoLimit}) {
        SCOPED_TRACE(timeout);
        RunLog log;
        EXPECT_TRUE(utl::CallInUIThread(log.Call(1), timeout));
        EXPECT_EQ(log.Ids(), std::vector<int>{1});
        EXPECT_TRUE(log.AllIn(kMainThread));
    }
    EXPECT_THROW(utl::CallInUIThread(MakeCall([] { throw std::runtime_error("direct"); }), 0),
                 std::runtime_error);
}

TEST(UIExec, WindowIsAMessageOnlyWindowOfTheFirstCallingThread) {
    HWND window = uitest::ExecutorWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(::GetWindowThreadProcessId(window, nullptr), kMainThread);
    wchar_t className[32] = L"";
    ::GetClassNameW(window, className, 32);
    EXPECT_STREQ(className, L"Message");
}

TEST(UIExec, CallsQueuedTogetherShareOneWakeUpAndRunInOrder) {
    RunLog log;
    std::vector<bool> results;
    RunInWorker([&] {
        for (int id = 1; id <= 3; ++id)
            results.push_back(utl::CallInUIThread(log.Call(id), 0));
    });
    EXPECT_EQ(results, std::vector<bool>(3, true));
    EXPECT_EQ(log.Size(), 0u);

    std::vector<MSG> wakeUps;
    EXPECT_EQ(uitest::RemovePendingWakeUps(&wakeUps), 1);
    for (MSG const& msg : wakeUps) {
        EXPECT_EQ(msg.wParam, 0u);
        EXPECT_EQ(msg.lParam, 0);
        ::DispatchMessageW(&msg);
    }
    EXPECT_EQ(log.Ids(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(log.AllIn(kMainThread));
}

TEST(UIExec, WaitingCallerReturnsAfterItsCallRan) {
    for (unsigned long timeout : {kNoLimit, 60000ul}) {
        SCOPED_TRACE(timeout);
        RunLog log;
        bool result = false;
        size_t ranBeforeReturn = 0;
        Worker worker([&] {
            result = utl::CallInUIThread(log.Call(7), timeout);
            ranBeforeReturn = log.Size();
        });
        ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.Done(); }));
        EXPECT_TRUE(result);
        EXPECT_EQ(ranBeforeReturn, 1u);
        EXPECT_TRUE(log.AllIn(kMainThread));
    }
}

TEST(UIExec, WaiterThatGivesUpWithdrawsItsCall) {
    RunLog log;
    boost::shared_ptr<utl::CUICall> call = log.Call(1);
    boost::weak_ptr<utl::CUICall> watch = call;
    bool result = true;
    bk::tErrorRecord error;
    bool reported = false;
    // The main thread dispatches nothing while the worker waits.
    RunInWorker([&] {
        bk::ClearLastErrorRecord();
        result = utl::CallInUIThread(std::move(call), 20);
        reported = bk::GetLastErrorRecord(error);
    });
    EXPECT_FALSE(result);
    ASSERT_TRUE(reported);
    EXPECT_EQ(error.function, "utl::CUIExec::PushCallInfo");
    EXPECT_EQ(error.file, ".\\Source\\UICall");
    EXPECT_EQ(error.line, 167u);
    EXPECT_EQ(error.group, 1);
    EXPECT_EQ(error.code, static_cast<unsigned long>(WAIT_TIMEOUT));
    EXPECT_TRUE(error.log);

    uitest::DrainMessages();
    EXPECT_EQ(log.Size(), 0u);
    EXPECT_TRUE(watch.expired());
}

TEST(UIExec, WaiterWhoseCallIsRunningWhenTimeRunsOutGetsTrue) {
    RunLog log;
    bool result = false;
    bool reported = true;
    Worker worker([&] {
        bk::ClearLastErrorRecord();
        result = utl::CallInUIThread(MakeCall([&] {
                                         ::Sleep(200);
                                         log.Add(1);
                                     }),
                                     5);
        bk::tErrorRecord error;
        reported = bk::GetLastErrorRecord(error);
    });
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return worker.Done(); }));
    EXPECT_TRUE(result);
    EXPECT_FALSE(reported);
    EXPECT_EQ(log.Size(), 1u);
}

TEST(UIExec, ThrowingQueuedCallPutsTheRestBackBehindNewerCalls) {
    RunLog log;
    // Call 1 runs while a worker queues call 5; call 2 throws; 3 and 4 must then follow 5.
    auto queueFive = [&] {
        log.Add(1);
        RunInWorker([&] { utl::CallInUIThread(log.Call(5), 0); });
    };
    auto thrower = [&] {
        log.Add(2);
        throw std::runtime_error("queued");
    };
    RunInWorker([&] {
        utl::CallInUIThread(MakeCall(queueFive), 0);
        utl::CallInUIThread(MakeCall(thrower), 0);
        utl::CallInUIThread(log.Call(3), 0);
        utl::CallInUIThread(log.Call(4), 0);
    });
    std::vector<std::string> thrown;
    ASSERT_TRUE(uitest::PumpCatching([&] { return log.Size() == 5; }, thrown));
    EXPECT_EQ(thrown, std::vector<std::string>{"queued"});
    EXPECT_EQ(log.Ids(), (std::vector<int>{1, 2, 5, 3, 4}));
    EXPECT_TRUE(log.AllIn(kMainThread));
}

TEST(UIExec, WaiterOfAThrowingCallGetsFalseWithoutReport) {
    bool result = true;
    bool reported = true;
    Worker worker([&] {
        bk::ClearLastErrorRecord();
        result =
            utl::CallInUIThread(MakeCall([] { throw std::runtime_error("waited"); }), INFINITE);
        bk::tErrorRecord error;
        reported = bk::GetLastErrorRecord(error);
    });
    std::vector<std::string> thrown;
    ASSERT_TRUE(uitest::PumpCatching([&] { return worker.Done(); }, thrown));
    EXPECT_FALSE(result);
    EXPECT_FALSE(reported);
    EXPECT_EQ(thrown, std::vector<std::string>{"waited"});
}

TEST(UIExec, WatchdogTickPicksUpALostWakeUp) {
    uitest::DebugOutputCapture debug;
    RunLog log;
    RunInWorker([&] { utl::CallInUIThread(log.Call(1), 0); });
    ASSERT_EQ(uitest::RemovePendingWakeUps(), 1);
    // Only the one-second timer can run the call now.
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return log.Size() == 1; }, 5000));
    EXPECT_EQ(debug.Count(kLostWarning), 1u);
}

TEST(UIExec, AnyMessageRunsQueuedCallsAndOnlyALostWakeUpIsReported) {
    struct Row {
        UINT message;
        WPARAM wParam;
        bool loseWakeUp;
        size_t warnings;
    } const rows[] = {
        {WM_TIMER, 1, true, 1},  // watchdog tick, wake-up lost
        {WM_TIMER, 1, false, 0}, // watchdog tick, wake-up still pending
        {WM_NULL, 0, true, 0},   // any other message
        {WM_TIMER, 2, true, 0},  // not the watchdog's timer
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(row);
        uitest::DebugOutputCapture debug;
        RunLog log;
        RunInWorker([&] { utl::CallInUIThread(log.Call(1), 0); });
        if (rows[row].loseWakeUp) {
            ASSERT_EQ(uitest::RemovePendingWakeUps(), 1);
        }
        ::SendMessageW(uitest::ExecutorWindow(), rows[row].message, rows[row].wParam, 0);
        EXPECT_EQ(log.Size(), 1u);
        EXPECT_EQ(debug.Count(kLostWarning), rows[row].warnings);
        uitest::DrainMessages();
    }
}

TEST(UIExec, CallsQueuedDuringAModalLoopRunInsideIt) {
    RunLog log;
    auto modal = [&] {
        log.Add(1);
        Worker nested([&] { utl::CallInUIThread(log.Call(2), 0); });
        tutest::PumpMessagesUntil([&] { return log.Size() == 2; });
        log.Add(3);
    };
    RunInWorker([&] {
        utl::CallInUIThread(MakeCall(modal), 0);
        utl::CallInUIThread(log.Call(4), 0);
    });
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return log.Size() == 4; }));
    EXPECT_EQ(log.Ids(), (std::vector<int>{1, 2, 3, 4}));
}

// Four threads make many calls with mixed time-outs while the UI thread pumps, now and then
// slowly. Every call runs at most once, in the UI thread; a waiter told true saw its call run;
// a withdrawn call never runs; calls not waited for all run; nothing is left queued.
TEST(UIExecStress, ManyThreadsAgainstAPumpingUIThread) {
    const int kThreads = 4;
    const int kCallsPerThread = 20000;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));

    enum Outcome : unsigned char { kPending, kQueued, kWaitedTrue, kWithdrawn, kOther };
    const int total = kThreads * kCallsPerThread;
    std::unique_ptr<std::atomic<int>[]> runs(new std::atomic<int>[total]);
    std::vector<Outcome> outcomes(total, kPending);
    std::atomic<int> wrongThread{0};
    std::atomic<int> finished{0};
    for (int i = 0; i < total; ++i)
        runs[i] = 0;

    std::vector<std::unique_ptr<Worker>> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back(new Worker([&, t] {
            std::mt19937 random(seed + t);
            const unsigned long timeouts[] = {0, 0, 1, 3, INFINITE};
            for (int i = t * kCallsPerThread; i < (t + 1) * kCallsPerThread; ++i) {
                unsigned long timeout = timeouts[random() % std::size(timeouts)];
                auto call = MakeCall([&, i] {
                    ++runs[i];
                    if (::GetCurrentThreadId() != kMainThread)
                        ++wrongThread;
                });
                bk::ClearLastErrorRecord();
                bool result = utl::CallInUIThread(call, timeout);
                bk::tErrorRecord error;
                bool withdrawn = bk::GetLastErrorRecord(error) && error.line == 167;
                if (timeout == 0)
                    outcomes[i] = result ? kQueued : kOther;
                else if (result)
                    outcomes[i] = kWaitedTrue;
                else
                    outcomes[i] = withdrawn ? kWithdrawn : kOther;
            }
            ++finished;
        }));
    }
    std::mt19937 pace(seed);
    bool allFinished = tutest::PumpMessagesUntil(
        [&] {
            if (pace() % 50 == 0)
                ::Sleep(pace() % 8);
            return finished == kThreads;
        },
        300000);
    ASSERT_TRUE(allFinished) << "workers still blocked";
    for (auto& worker : workers)
        worker->Join();

    // A call queued behind everything runs only after every earlier entry was taken.
    bool last = false;
    Worker closer([&] { last = utl::CallInUIThread(MakeCall([] {}), INFINITE); });
    ASSERT_TRUE(tutest::PumpMessagesUntil([&] { return closer.Done(); }, 60000));
    EXPECT_TRUE(last);

    int counts[5] = {};
    for (int i = 0; i < total; ++i) {
        ++counts[outcomes[i]];
        int ran = runs[i];
        ASSERT_LE(ran, 1) << "call " << i;
        if (outcomes[i] == kQueued || outcomes[i] == kWaitedTrue) {
            ASSERT_EQ(ran, 1) << "call " << i;
        }
        if (outcomes[i] == kWithdrawn) {
            ASSERT_EQ(ran, 0) << "call " << i;
        }
    }
    EXPECT_EQ(counts[kOther], 0);
    EXPECT_EQ(counts[kPending], 0);
    EXPECT_EQ(wrongThread, 0);
    std::printf("stress: %d queued, %d waited, %d withdrawn\n", counts[kQueued],
                counts[kWaitedTrue], counts[kWithdrawn]);
}

TEST(UIExecUnload, ExitStepDropsCallsThatNeverRan) {
    auto result =
        tutest::RunHostInFreshFolder(L"uiCallHost.exe", {L"tarnUtil.dll", L"BaseKit.dll"}, {});
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(result.output, "queued ran=0\nreleased ran=0\n");
}

} // namespace
