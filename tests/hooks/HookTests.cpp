// Hook ids, names, stored chains, registry requests, removal, the process's hook limit, and
// calling chains: call forms, handles and data handed on, and chains run in the UI thread.
#include "MessageBoxSpy.h"
#include "tuHooks.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// The calls that hooks and defaults saw: who, handle, data. The hook parameter points to it.
using Log = std::vector<std::tuple<std::string, unsigned long, long>>;

std::vector<std::string> Names(const Log& log) {
    std::vector<std::string> names;
    for (const auto& call : log)
        names.push_back(std::get<0>(call));
    return names;
}

// Full-form hooks named A, B, C, D that log and pass the call on, adding 1 to its result.
template <char Name> unsigned long CALLBACK PassOn(void* parameter, unsigned long hook, long data) {
    static_cast<Log*>(parameter)->emplace_back(std::string(1, Name), hook, data);
    return hookCallNext(hook, parameter) + 1;
}

unsigned long CALLBACK Default(void* parameter, unsigned long hook, long data) {
    static_cast<Log*>(parameter)->emplace_back("default", hook, data);
    return 100;
}

unsigned long CALLBACK ParamOnly(void* parameter) {
    static_cast<Log*>(parameter)->emplace_back("paramonly", 0, 0);
    return 7;
}

template <class F> void* AsHook(F function) {
    return reinterpret_cast<void*>(function);
}

// What hookGetFirst reports for an id: first hook, default function, its flags and data.
using First = std::tuple<unsigned long, void*, unsigned long, long>;
First GetFirst(unsigned id) {
    First first{0, AsHook(&Default), 99, 99}; // fields it leaves alone keep these
    std::get<0>(first) =
        hookGetFirst(id, &std::get<1>(first), &std::get<2>(first), &std::get<3>(first));
    return first;
}

void RemoveAllHooks(unsigned id) {
    while (unsigned long first = hookGetFirst(id, nullptr, nullptr, nullptr))
        ASSERT_EQ(hookRemove(first), 1);
}

// Frees an id's record and hooks at the end of a test.
struct IdScope {
    unsigned id;
    ~IdScope() {
        RemoveAllHooks(id);
        hookExit(id);
    }
};

// Tests on one id, whose record and hooks go at the end of each.
class HookChain : public ::testing::Test {
protected:
    const unsigned id = 13100;
    IdScope scope{id};
};

TEST(HookIds, OnlyIds13000To14999AreManagedAndNothingToCallGivesZero) {
    for (unsigned id : {13000u, 14999u})
        EXPECT_EQ(hookIsCommonID(id), 1) << id;
    for (unsigned id : {0u, 12999u, 15000u, 13001u + 65536u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(hookIsCommonID(id), 0);
        EXPECT_EQ(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul);
        EXPECT_EQ(hookSetDefault(id, AsHook(&Default), 0), 0);
        EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
        EXPECT_EQ(hookExit(id), 0);
    }
    Log log;
    EXPECT_EQ(hookCallFirst(13200, &log), 0ul) << "no record";
    EXPECT_EQ(hookCallFirst(12000, &log), 0ul) << "outside the range";
    EXPECT_EQ(hookCallNext(MAKELONG(0, 13200), &log), 0ul) << "no entry in the handle";
    EXPECT_EQ(hookCallThisOne(MAKELONG(2, 12000), &log), 0ul);
    EXPECT_EQ(hookCallThisOne(0, &log), 0ul);
    IdScope scope{13201};
    hookSetDefault(13201, nullptr, 0);
    EXPECT_EQ(hookCallFirst(13201, &log), 0ul) << "a record without default or hooks";
    EXPECT_TRUE(log.empty());
}

TEST(HookNames, LowestFreeIdIsHandedOutAndReusedWithoutItsHooks) {
    EXPECT_EQ(hookCreateID(L"first"), 14500u);
    EXPECT_EQ(hookCreateID(L"second"), 14501u);
    EXPECT_EQ(hookFindID(L"first"), 14500u);
    EXPECT_EQ(hookFindID(L"First"), 0u) << "names are matched exactly";
    IdScope scope{14500};
    unsigned long hook = hookSet(14500, AsHook(&PassOn<'A'>), 0, 0);
    EXPECT_EQ(hookDeleteID(L"first"), 1);
    EXPECT_EQ(hookDeleteID(L"first"), 0);
    EXPECT_EQ(hookCreateID(L"third"), 14500u);
    EXPECT_EQ(hookGetFirst(14500, nullptr, nullptr, nullptr), hook) << "hooks outlive the name";

    // A name mapped again moves to the next free id and frees its old one.
    EXPECT_EQ(hookCreateID(L"third"), 14502u);
    EXPECT_EQ(hookFindID(L"third"), 14502u);
    EXPECT_EQ(hookCreateID(L"fourth"), 14500u);
    for (const wchar_t* name : {L"second", L"third", L"fourth"})
        EXPECT_EQ(hookDeleteID(name), 1);
    EXPECT_EQ(hookCreateID(nullptr), 0u);

    auto name = [](int i) { return L"n" + std::to_wstring(i); };
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(hookCreateID(name(i).c_str()), 14500u + i);
    EXPECT_EQ(hookCreateID(L"one too many"), 0u);
    EXPECT_EQ(hookFindID(L"one too many"), 0u);
    for (int i = 0; i < 500; ++i)
        hookDeleteID(name(i).c_str());
}

TEST_F(HookChain, FirstSetMakesARecordWithoutDefaultAndBareEntriesAreNotRemoved) {
    unsigned long hook = hookSet(id, AsHook(&PassOn<'A'>), 0, 5);
    EXPECT_EQ(GetFirst(id), First(hook, nullptr, HOOKF_PARAMONLY, 0));
    EXPECT_EQ(hookRemove(hook & 0xFFFF), 0) << "no id: the newest hook cannot be unlinked";
    EXPECT_EQ(hookRemove(0), 0);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), hook);
}

// Each hook gets its own handle and data; the default the id's bare handle, or 0 without hooks.
TEST_F(HookChain, NewestFirstRemovalFromEveryPlaceAndDefaultChanges) {
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 1);
    unsigned long b = hookSet(id, AsHook(&PassOn<'B'>), 0, 2);
    unsigned long c = hookSet(id, AsHook(&PassOn<'C'>), 0, 3);
    unsigned long d = hookSet(id, AsHook(&PassOn<'D'>), 0, 4);
    ASSERT_TRUE(a && b && c && d);
    const unsigned long top = id << 16;
    struct Row {
        unsigned long removed;
        Log calls;
    } const rows[] = {
        {0, {{"D", d, 4}, {"C", c, 3}, {"B", b, 2}, {"A", a, 1}, {"default", top, 0}}},
        {c, {{"D", d, 4}, {"B", b, 2}, {"A", a, 1}, {"default", top, 0}}}, // middle
        {d, {{"B", b, 2}, {"A", a, 1}, {"default", top, 0}}},              // front
        {a, {{"B", b, 2}, {"default", top, 0}}},                           // end
        {b, {{"default", 0, 0}}},                                          // the last one
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.removed);
        if (row.removed) {
            EXPECT_EQ(hookRemove(row.removed), 1);
        }
        Log log;
        EXPECT_EQ(hookCallFirst(id, &log), 100ul + row.calls.size() - 1);
        EXPECT_EQ(log, row.calls);
    }
    EXPECT_EQ(GetFirst(id), First(0, AsHook(&Default), 0, 0));

    // A new default reaches the entries already set; their flags stay as created meanwhile.
    unsigned long e = hookSet(id, AsHook(&PassOn<'E'>), 0, 0);
    ASSERT_EQ(hookSetDefault(id, AsHook(&ParamOnly), HOOKF_PARAMONLY), 1);
    Log log;
    EXPECT_EQ(hookCallFirst(id, &log), 8ul);
    EXPECT_EQ(log, (Log{{"E", e, 0}, {"paramonly", 0, 0}}));
    EXPECT_EQ(GetFirst(id), First(e, AsHook(&ParamOnly), 0, 0));
    EXPECT_EQ(hookRemove(e), 1);
    EXPECT_EQ(GetFirst(id), First(0, AsHook(&ParamOnly), HOOKF_PARAMONLY, 0));
}

TEST_F(HookChain, ExitForgetsTheRecordButKeepsEntriesCallable) {
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 0);
    unsigned long b = hookSet(id, AsHook(&PassOn<'B'>), 0, 0);
    EXPECT_EQ(hookExit(id), 1);
    EXPECT_EQ(hookExit(id), 0);
    Log log;
    EXPECT_EQ(hookCallFirst(id, &log), 0ul);
    EXPECT_EQ(hookCallThisOne(b, &log), 102ul);
    EXPECT_EQ(Names(log), (std::vector<std::string>{"B", "A", "default"}));

    // A fresh record knows none of the old entries, and their removal leaves it alone.
    unsigned long fresh = hookSet(id, AsHook(&PassOn<'C'>), 0, 0);
    log.clear();
    EXPECT_EQ(hookCallFirst(id, &log), 1ul);
    EXPECT_EQ(Names(log), std::vector<std::string>{"C"});
    EXPECT_EQ(hookRemove(a), 1);
    EXPECT_EQ(hookRemove(b), 1);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), fresh);
}

unsigned long CALLBACK AnswerNothing(void*) {
    return 0;
}

// A one-shot hook that removes itself, then hands the call on.
unsigned long CALLBACK RemoveSelfThenPassOn(void* parameter, unsigned long hook, long data) {
    static_cast<Log*>(parameter)->emplace_back("S", hook, data);
    EXPECT_EQ(hookRemove(hook), 1);
    return hookCallNext(hook, parameter) + 1;
}

// A hook that removed itself still hands the call on down its chain. Once the call is over its
// handle names nothing, until a hook of any id takes over its entry: handles name entries.
TEST(RemovedHooks, HandOnDownTheirChainAndTheirHandlesNameNothingAfterwards) {
    struct Row {
        const char* oldestFirst; // S: the self-removing hook
        std::vector<std::string> firstCall, secondCall;
    } const rows[] = {
        {"S", {"S", "default"}, {"default"}},
        {"ASB", {"B", "S", "A", "default"}, {"B", "A", "default"}},
        {"SA", {"A", "S", "default"}, {"A", "default"}},
        {"AS", {"S", "A", "default"}, {"A", "default"}},
    };
    const unsigned id = 13210, otherId = 13211;
    IdScope scope{id}, otherScope{otherId};
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    for (Row const& row : rows) {
        SCOPED_TRACE(row.oldestFirst);
        unsigned long self = 0;
        for (const char* c = row.oldestFirst; *c; ++c) {
            auto hook = *c == 'S' ? &RemoveSelfThenPassOn : *c == 'A' ? &PassOn<'A'> : &PassOn<'B'>;
            unsigned long handle = hookSet(id, AsHook(hook), 0, 0);
            self = *c == 'S' ? handle : self;
        }
        Log log;
        EXPECT_EQ(hookCallFirst(id, &log), 100 + row.firstCall.size() - 1);
        EXPECT_EQ(Names(log), row.firstCall);
        log.clear();
        hookCallFirst(id, &log);
        EXPECT_EQ(Names(log), row.secondCall);

        log.clear();
        EXPECT_EQ(hookCallThisOne(self, &log), 0ul);
        EXPECT_EQ(hookCallNext(self, &log), 0ul);
        EXPECT_EQ(hookRemove(self), 0);
        EXPECT_TRUE(log.empty());
        unsigned long other = 0;
        for (int tries = 0; tries < 100 && (other & 0xFFFF) != (self & 0xFFFF); ++tries)
            other = hookSet(otherId, AsHook(&PassOn<'Z'>), 0, 0);
        ASSERT_EQ(other & 0xFFFF, self & 0xFFFF) << "the freed entry is used again";
        EXPECT_EQ(hookCallThisOne(self, &log), 1ul);
        EXPECT_EQ(log, (Log{{"Z", self, 0}}));
        RemoveAllHooks(id);
        RemoveAllHooks(otherId);
    }
}

// H removes itself, sets N (which may take over H's entry) and hands on: no hook runs twice in
// that call, and N runs from the next call on.
unsigned long CALLBACK ReplaceSelfThenPassOn(void* parameter, unsigned long hook, long data) {
    static_cast<Log*>(parameter)->emplace_back("H", hook, data);
    EXPECT_EQ(hookRemove(hook), 1);
    EXPECT_NE(hookSet(hook >> 16, AsHook(&PassOn<'N'>), 0, 0), 0ul);
    return hookCallNext(hook, parameter) + 1;
}

TEST_F(HookChain, AHookReplacingItselfMidCallLetsNoHookRunTwice) {
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    for (auto hook : {&PassOn<'A'>, &ReplaceSelfThenPassOn, &PassOn<'B'>})
        hookSet(id, AsHook(hook), 0, 0);
    for (auto const& expected : {std::vector<std::string>{"B", "H", "A", "default"},
                                 std::vector<std::string>{"N", "B", "A", "default"}}) {
        Log log;
        hookCallFirst(id, &log);
        EXPECT_EQ(Names(log), expected);
    }
}

// The id a handle carries need not be the one its hook was set on: the handle names its entry.
TEST_F(HookChain, HandlesNameTheirEntryWhateverManagedIdTheyCarry) {
    const unsigned otherId = id + 1;
    IdScope other{otherId};
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 1);
    unsigned long b = hookSet(id, AsHook(&PassOn<'B'>), 0, 2);
    unsigned long c = hookSet(otherId, AsHook(&PassOn<'C'>), 0, 3);
    auto carrying = [otherId](unsigned long hook) { return MAKELONG(hook & 0xFFFF, otherId); };
    Log log;
    EXPECT_EQ(hookCallThisOne(carrying(a), &log), 101ul);
    EXPECT_EQ(hookCallNext(carrying(b), &log), 101ul);
    const Log aThenDefault{{"A", carrying(a), 1}, {"default", otherId << 16, 0}};
    EXPECT_EQ(log, (Log{aThenDefault[0], aThenDefault[1], aThenDefault[0], aThenDefault[1]}));
    EXPECT_EQ(hookRemove(carrying(b)), 1) << "the newest hook leaves its own id's chain";
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), a);
    EXPECT_EQ(hookRemove(carrying(a)), 1);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
    EXPECT_EQ(hookGetFirst(otherId, nullptr, nullptr, nullptr), c);
}

// A registry hook for requests on kRewrittenId: passes them on rewritten by g_rewrite, or answers.
const unsigned kRewrittenId = 13212;
void (*g_rewrite)(HOOKREQUEST&) = nullptr;
unsigned long g_answer = 0;
unsigned long CALLBACK RewriteRequest(void* parameter, unsigned long hook, long) {
    auto* request = static_cast<HOOKREQUEST*>(parameter);
    if (request->nID != kRewrittenId)
        return hookCallNext(hook, parameter);
    if (!g_rewrite)
        return g_answer;
    g_rewrite(*request);
    return hookCallNext(hook, parameter);
}

// Whatever registry hooks make of a request, only a live hook is removed, and only through an id.
TEST(RegistryHooks, SeeRefuseAndRewriteRequestsInAnyWay) {
    IdScope scope{kRewrittenId}, neighbour{kRewrittenId + 1};
    unsigned long victim = hookSet(kRewrittenId, AsHook(&PassOn<'V'>), 0, 0);
    unsigned long other = hookSet(kRewrittenId + 1, AsHook(&PassOn<'O'>), 0, 0);
    unsigned long rewriter = hookSet(HOOKID_REGISTRY, AsHook(&RewriteRequest), 0, 0);
    ASSERT_NE(rewriter, 0ul);
    g_answer = 7;
    EXPECT_EQ(hookRemove(victim), 7) << "the registry chain's answer";
    g_answer = 0;
    EXPECT_EQ(hookSet(kRewrittenId, AsHook(&PassOn<'W'>), 0, 0), 0ul) << "refused";

    // Each rewrite, whether a removal rewritten that way removes the newest hook of the id, and
    // the id a set request rewritten that way reaches (0: none).
    struct Row {
        void (*rewrite)(HOOKREQUEST&);
        int removes;
        unsigned long setReaches;
    } const rows[] = {
        {[](HOOKREQUEST& r) { r.nCommand = 99; }, 0, 0},
        {[](HOOKREQUEST& r) { r.nID = 0xFFFFFFFF; }, 1, 0},
        {[](HOOKREQUEST& r) { r.nID = 0; }, 0, 0},
        {[](HOOKREQUEST& r) { r.nID = 70000 + r.nID; }, 1, 0},
        {[](HOOKREQUEST& r) { r.nID = kRewrittenId + 1; }, 1, kRewrittenId + 1},
        {[](HOOKREQUEST& r) { r.hEntry |= 0x10000; }, 0, kRewrittenId},
        {[](HOOKREQUEST& r) { r.hEntry = 0xFFFF; }, 0, kRewrittenId},
        {[](HOOKREQUEST& r) { r.hEntry = 0; }, 0, kRewrittenId},
        {[](HOOKREQUEST& r) { r.hEntry += 1; }, 0, kRewrittenId},
    };
    for (Row const& row : rows) {
        g_rewrite = [](HOOKREQUEST&) {};
        unsigned long newest = hookSet(kRewrittenId, AsHook(&PassOn<'N'>), 0, 0);
        g_rewrite = row.rewrite;
        EXPECT_EQ(hookRemove(newest), row.removes);
        EXPECT_EQ(hookSet(kRewrittenId, AsHook(&PassOn<'W'>), 0, 0) >> 16, row.setReaches);
    }
    g_rewrite = [](HOOKREQUEST& r) { r.nData = 42; };
    unsigned long rewritten = hookSet(kRewrittenId, AsHook(&PassOn<'D'>), 0, 0);
    g_rewrite = nullptr;
    EXPECT_EQ(hookRemove(rewriter), 1);
    Log log;
    EXPECT_EQ(hookCallThisOne(victim, &log), 1ul);
    EXPECT_EQ(hookCallThisOne(other, &log), 1ul);
    hookCallThisOne(rewritten, &log);
    log.resize(3); // D hands on to the hooks older than it
    EXPECT_EQ(log, (Log{{"V", victim, 0}, {"O", other, 0}, {"D", rewritten, 42}}));

    // Nor is the registry's own record protected: its default is replaced, the record exited.
    void* registryProc = std::get<1>(GetFirst(HOOKID_REGISTRY));
    ASSERT_EQ(hookSetDefault(HOOKID_REGISTRY, AsHook(&AnswerNothing), HOOKF_PARAMONLY), 1);
    EXPECT_EQ(hookRemove(victim), 0) << "requests now reach another default";
    EXPECT_EQ(hookExit(HOOKID_REGISTRY), 1);
    EXPECT_EQ(hookRemove(victim), 0);
    ASSERT_EQ(hookSetDefault(HOOKID_REGISTRY, registryProc, 0), 1);
    EXPECT_EQ(hookRemove(victim), 1);
}

// A one-shot observer of registry requests: removes itself, then hands the request on.
int g_observed = 0;
unsigned long CALLBACK ObserveOnce(void* parameter, unsigned long hook, long) {
    if (g_observed++ == 0) {
        EXPECT_EQ(hookRemove(hook), 1);
    }
    return hookCallNext(hook, parameter);
}

TEST_F(HookChain, AOneShotRegistryObserverLetsTheRequestItSawThrough) {
    ASSERT_NE(hookSet(HOOKID_REGISTRY, AsHook(&ObserveOnce), 0, 0), 0ul);
    unsigned long hook = hookSet(id, AsHook(&PassOn<'A'>), 0, 0);
    EXPECT_NE(hook, 0ul);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), hook);
    EXPECT_EQ(g_observed, 2) << "the observer also saw its own removal";
}

TEST_F(HookChain, FullStorageFailsWithTheBoxAndRecovers) {
    tutest::MessageBoxSpy watcher;
    auto fill = [&] {
        std::vector<unsigned long> hooks;
        while (unsigned long hook = hookSet(id, AsHook(&PassOn<'A'>), 0, 0)) {
            hooks.push_back(hook);
            if (hooks.size() > 70000)
                break;
        }
        return hooks;
    };
    std::vector<unsigned long> first = fill();
    ASSERT_GT(first.size(), 1000u);
    ASSERT_EQ(watcher.Boxes().size(), 1u);
    RemoveAllHooks(id);
    EXPECT_EQ(fill().size(), first.size());
    EXPECT_EQ(watcher.Boxes().size(), 2u);
}

struct ThrownByHook {};
unsigned long CALLBACK Throwing(void*, unsigned long, long) {
    throw ThrownByHook();
}

TEST_F(HookChain, ExceptionsOfHooksReachTheCallerAndLeaveTheRegistryUsable) {
    hookSet(id, AsHook(&Throwing), 0, 0);
    EXPECT_THROW(hookCallFirst(id, nullptr), ThrownByHook);
    std::thread([&] { EXPECT_NE(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul); }).join();
}

unsigned long CALLBACK ReportThread(void*, unsigned long, long) {
    return ::GetCurrentThreadId();
}

// Called in the UI thread, the chain runs at once (a worker's call: the fresh-process tests).
TEST_F(HookChain, CallFirstInUIRunsTheChainAtOnceInTheUIThread) {
    hookSet(id, AsHook(&ReportThread), 0, 0);
    EXPECT_EQ(hookCallFirstInUI(id, nullptr), ::GetCurrentThreadId());
}

} // namespace
