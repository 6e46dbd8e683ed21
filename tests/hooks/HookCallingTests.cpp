// Calling chains: call forms, handles and data handed to hooks and defaults, single hooks,
// and chains run in the user-input thread.
#include "HookTestSupport.h"

#include "TestSupport.h"
#include "tuUICall.h"

#include <boost/make_shared.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace hooktest;

namespace {

TEST(HookCalls, NothingToCallGivesZero) {
    Log log;
    EXPECT_EQ(hookCallFirst(13200, &log), 0ul) << "no record";
    EXPECT_EQ(hookCallFirst(12000, &log), 0ul) << "outside the range";
    EXPECT_EQ(hookCallNext(MAKELONG(0, 13200), &log), 0ul) << "no entry in the handle";
    EXPECT_EQ(hookCallThisOne(MAKELONG(2, 12000), &log), 0ul);
    EXPECT_EQ(hookCallThisOne(0, &log), 0ul);
    EXPECT_TRUE(log.calls.empty());

    IdScope scope(13201);
    hookSetDefault(13201, nullptr, 0);
    EXPECT_EQ(hookCallFirst(13201, &log), 0ul) << "a record without default or hooks";
}

TEST(HookCalls, FullFormDefaultWithoutHooksGetsHandleAndDataZero) {
    IdScope scope(13202);
    ASSERT_EQ(hookSetDefault(13202, AsHook(&Default), 0), 1);
    Log log;
    EXPECT_EQ(hookCallFirst(13202, &log), 100ul);
    EXPECT_EQ(log.calls, (std::vector<Call>{{"default", 0, 0}}));
}

TEST(HookCalls, HooksGetTheirOwnHandleAndDataAndTheDefaultGetsTheIdAlone) {
    const unsigned id = 13203;
    IdScope scope(id);
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 7);
    unsigned long b = hookSet(id, AsHook(&PassOn<'B'>), 0, 8);
    Log log;
    EXPECT_EQ(hookCallFirst(id, &log), 102ul);
    std::vector<Call> expected = {{"B", b, 8}, {"A", a, 7}, {"default", id << 16, 0}};
    EXPECT_EQ(log.calls, expected);

    Log fromA;
    EXPECT_EQ(hookCallNext(a, &fromA), 100ul);
    EXPECT_EQ(fromA.calls, (std::vector<Call>{{"default", id << 16, 0}}));
}

TEST(HookCalls, ParameterOnlyHooksGetTheParameterAlone) {
    const unsigned id = 13204;
    IdScope scope(id);
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    hookSet(id, AsHook(&ParamOnly), HOOKF_PARAMONLY, 9);
    Log log;
    EXPECT_EQ(hookCallFirst(id, &log), 7ul);
    EXPECT_EQ(log.Names(), std::vector<std::string>{"paramonly"});
}

TEST(HookCalls, CallThisOneRunsOnlyTheNamedHook) {
    const unsigned id = 13205;
    IdScope scope(id);
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&ParamOnly), HOOKF_PARAMONLY, 0);
    hookSet(id, AsHook(&PassOn<'B'>), 0, 0);
    Log log;
    EXPECT_EQ(hookCallThisOne(a, &log), 7ul);
    EXPECT_EQ(log.Names(), std::vector<std::string>{"paramonly"});
}

struct ThrownByHook {};
unsigned long CALLBACK Throwing(void*, unsigned long, long) {
    throw ThrownByHook();
}

TEST(HookCalls, ExceptionsOfHooksReachTheCallerAndLeaveTheRegistryUsable) {
    const unsigned id = 13206;
    IdScope scope(id);
    hookSet(id, AsHook(&Throwing), 0, 0);
    EXPECT_THROW(hookCallFirst(id, nullptr), ThrownByHook);
    std::thread other([&] { EXPECT_NE(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul); });
    other.join();
}

unsigned long CALLBACK ReportThread(void*, unsigned long, long) {
    return ::GetCurrentThreadId();
}

// Runs nothing; made in the UI thread so that the executor's window belongs to that thread.
class NoCall : public utl::CUICall {
public:
    void Execute() override {}
};

TEST(HookCalls, CallFirstInUIRunsTheChainInTheUserInputThread) {
    ASSERT_TRUE(utl::CallInUIThread(boost::make_shared<NoCall>(), 0));
    const unsigned id = 13207;
    IdScope scope(id);
    hookSet(id, AsHook(&ReportThread), 0, 0);
    EXPECT_EQ(hookCallFirstInUI(id, nullptr), ::GetCurrentThreadId()) << "called directly";

    std::atomic<unsigned long> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = hookCallFirstInUI(id, nullptr);
        done = true;
    });
    EXPECT_TRUE(tutest::PumpMessagesUntil([&] { return done.load(); }, 20000));
    worker.join();
    EXPECT_EQ(result.load(), ::GetCurrentThreadId());
}

} // namespace
