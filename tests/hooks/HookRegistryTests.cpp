// Hook ids, names, stored chains, registry requests, removal and the process's hook limit.
#include "HookTestSupport.h"

#include "MessageBoxSpy.h"

#include <gtest/gtest.h>

using namespace hooktest;

namespace {

TEST(HookIds, ManagedRangeIsExactly13000To14999) {
    struct Row {
        unsigned id;
        int managed;
    } rows[] = {{0, 0}, {12999, 0}, {13000, 1}, {14500, 1}, {14999, 1}, {15000, 0}, {78535, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(hookIsCommonID(row.id), row.managed);
    }
    for (unsigned id : {0u, 12999u, 15000u, 13001u + 65536u}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul);
        EXPECT_EQ(hookSetDefault(id, AsHook(&Default), 0), 0);
        EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
        EXPECT_EQ(hookExit(id), 0);
    }
}

TEST(HookNames, LowestFreeNamedIdIsHandedOutAndReused) {
    EXPECT_EQ(hookCreateID(L"first"), 14500u);
    EXPECT_EQ(hookCreateID(L"second"), 14501u);
    EXPECT_EQ(hookFindID(L"first"), 14500u);
    EXPECT_EQ(hookFindID(L"First"), 0u) << "names are matched exactly";
    EXPECT_EQ(hookDeleteID(L"first"), 1);
    EXPECT_EQ(hookDeleteID(L"first"), 0);
    EXPECT_EQ(hookCreateID(L"third"), 14500u);

    // A name mapped again moves to the next free id and frees its old one.
    EXPECT_EQ(hookCreateID(L"third"), 14502u);
    EXPECT_EQ(hookFindID(L"third"), 14502u);
    EXPECT_EQ(hookCreateID(L"fourth"), 14500u);
    for (const wchar_t* name : {L"second", L"third", L"fourth"})
        EXPECT_EQ(hookDeleteID(name), 1);
    EXPECT_EQ(hookFindID(L"never"), 0u);
    EXPECT_EQ(hookCreateID(nullptr), 0u);
}

TEST(HookNames, ANameDoesNotOwnItsIdsHooks) {
    unsigned id = hookCreateID(L"owner");
    IdScope scope(id);
    unsigned long hook = hookSet(id, AsHook(&PassOn<'A'>), 0, 0);
    ASSERT_NE(hook, 0ul);
    EXPECT_EQ(hookDeleteID(L"owner"), 1);
    EXPECT_EQ(hookCreateID(L"heir"), id);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), hook);
    hookDeleteID(L"heir");
}

TEST(HookNames, AllFiveHundredCanBeTaken) {
    std::vector<std::wstring> names;
    for (int i = 0; i < 500; ++i) {
        names.push_back(L"n" + std::to_wstring(i));
        ASSERT_EQ(hookCreateID(names.back().c_str()), 14500u + i);
    }
    EXPECT_EQ(hookCreateID(L"one too many"), 0u);
    EXPECT_EQ(hookFindID(L"one too many"), 0u);
    for (const auto& name : names)
        hookDeleteID(name.c_str());
}

TEST(HookChains, FirstSetCreatesARecordWithoutDefault) {
    const unsigned id = 13100;
    IdScope scope(id);
    unsigned long hook = hookSet(id, AsHook(&PassOn<'A'>), 0, 5);
    ASSERT_NE(hook, 0ul);
    EXPECT_EQ(hook >> 16, id);
    EXPECT_NE(hook & 0xFFFF, 0ul);

    void* function = AsHook(&Default);
    unsigned long flags = 99;
    long data = 99;
    EXPECT_EQ(hookGetFirst(id, &function, &flags, &data), hook);
    EXPECT_EQ(function, nullptr);
    EXPECT_EQ(flags, static_cast<unsigned long>(HOOKF_PARAMONLY));
    EXPECT_EQ(data, 0);
}

TEST(HookChains, NewestFirstAndRemovalFromEveryPlace) {
    const unsigned id = 13101;
    IdScope scope(id);
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 1);
    unsigned long b = hookSet(id, AsHook(&PassOn<'B'>), 0, 2);
    unsigned long c = hookSet(id, AsHook(&PassOn<'C'>), 0, 3);
    unsigned long d = hookSet(id, AsHook(&PassOn<'D'>), 0, 4);
    ASSERT_TRUE(a && b && c && d);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), d);

    struct Row {
        unsigned long removed;
        std::vector<std::string> order;
    } rows[] = {
        {0, {"D", "C", "B", "A", "default"}},
        {c, {"D", "B", "A", "default"}}, // middle
        {d, {"B", "A", "default"}},      // front
        {a, {"B", "default"}},           // end
        {b, {"default"}},                // the last one
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.removed);
        if (row.removed) {
            EXPECT_EQ(hookRemove(row.removed), 1);
        }
        Log log;
        EXPECT_EQ(hookCallFirst(id, &log), 100ul + row.order.size() - 1);
        EXPECT_EQ(log.Names(), row.order);
    }
    unsigned long flags = 0;
    EXPECT_EQ(hookGetFirst(id, nullptr, &flags, nullptr), 0ul);
    EXPECT_EQ(flags, 0ul);
}

TEST(HookChains, DefaultChangesReachEveryEntryButNotTheCreateFlags) {
    const unsigned id = 13102;
    IdScope scope(id);
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 0);
    ASSERT_NE(a, 0ul);
    ASSERT_EQ(hookSetDefault(id, AsHook(&ParamOnly), HOOKF_PARAMONLY), 1);

    Log log;
    EXPECT_EQ(hookCallFirst(id, &log), 8ul);
    EXPECT_EQ(log.Names(), (std::vector<std::string>{"A", "paramonly"}));
    unsigned long flags = 0;
    void* function = nullptr;
    EXPECT_EQ(hookGetFirst(id, &function, &flags, nullptr), a);
    EXPECT_EQ(flags, 0ul) << "the flags the record was created with, while hooks remain";
    EXPECT_EQ(function, AsHook(&ParamOnly));
    EXPECT_EQ(hookRemove(a), 1);
    EXPECT_EQ(hookGetFirst(id, nullptr, &flags, nullptr), 0ul);
    EXPECT_EQ(flags, static_cast<unsigned long>(HOOKF_PARAMONLY));
}

TEST(HookChains, ExitForgetsTheRecordButKeepsEntriesCallable) {
    const unsigned id = 13103;
    ASSERT_EQ(hookSetDefault(id, AsHook(&Default), 0), 1);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 0);
    unsigned long b = hookSet(id, AsHook(&PassOn<'B'>), 0, 0);
    EXPECT_EQ(hookExit(id), 1);
    EXPECT_EQ(hookExit(id), 0);

    Log log;
    EXPECT_EQ(hookCallFirst(id, &log), 0ul);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(hookCallThisOne(b, &log), 102ul);
    EXPECT_EQ(log.Names(), (std::vector<std::string>{"B", "A", "default"}));

    // A fresh record knows none of the old entries.
    IdScope scope(id);
    unsigned long fresh = hookSet(id, AsHook(&PassOn<'C'>), 0, 0);
    Log freshLog;
    EXPECT_EQ(hookCallFirst(id, &freshLog), 1ul);
    EXPECT_EQ(freshLog.Names(), std::vector<std::string>{"C"});
    EXPECT_NE(fresh, a);
    // The old entries unlink among themselves; the id's new record is left alone.
    EXPECT_EQ(hookRemove(a), 1);
    EXPECT_EQ(hookRemove(b), 1);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), fresh);
}

// Registry hooks: one that refuses every set, one that rewrites the data of every set.
unsigned long CALLBACK RefuseSets(void* parameter, unsigned long hook, long) {
    auto* request = static_cast<HOOKREQUEST*>(parameter);
    return request->nCommand == HOOKCMD_SET ? 0 : hookCallNext(hook, parameter);
}

unsigned long CALLBACK RewriteData(void* parameter, unsigned long hook, long) {
    auto* request = static_cast<HOOKREQUEST*>(parameter);
    if (request->nCommand == HOOKCMD_SET)
        request->nData = 42;
    return hookCallNext(hook, parameter);
}

TEST(RegistryHooks, SeeRefuseAndRewriteRequests) {
    const unsigned id = 13104;
    IdScope scope(id);
    unsigned long refuse = hookSet(HOOKID_REGISTRY, AsHook(&RefuseSets), 0, 0);
    ASSERT_NE(refuse, 0ul);
    EXPECT_EQ(hookSet(id, AsHook(&PassOn<'A'>), 0, 1), 0ul);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
    EXPECT_EQ(hookRemove(refuse), 1);

    unsigned long rewrite = hookSet(HOOKID_REGISTRY, AsHook(&RewriteData), 0, 0);
    ASSERT_NE(rewrite, 0ul);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 1);
    EXPECT_EQ(hookRemove(rewrite), 1);
    Log log;
    hookCallThisOne(a, &log);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].data, 42);
}

unsigned long CALLBACK AnswerNothing(void*) {
    return 0;
}

TEST(RegistryHooks, TheRegistryIdHasNoSpecialProtection) {
    void* registryProc = nullptr;
    unsigned long flags = 1;
    ASSERT_EQ(hookGetFirst(HOOKID_REGISTRY, &registryProc, &flags, nullptr), 0ul);
    ASSERT_NE(registryProc, nullptr);
    EXPECT_EQ(flags, 0ul);

    const unsigned id = 13105;
    ASSERT_EQ(hookSetDefault(HOOKID_REGISTRY, AsHook(&AnswerNothing), HOOKF_PARAMONLY), 1);
    EXPECT_EQ(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul) << "requests now reach another default";
    EXPECT_EQ(hookExit(HOOKID_REGISTRY), 1);
    EXPECT_EQ(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul);
    EXPECT_EQ(hookRemove(MAKELONG(2, id)), 0);

    ASSERT_EQ(hookSetDefault(HOOKID_REGISTRY, registryProc, 0), 1);
    IdScope scope(id);
    EXPECT_NE(hookSet(id, AsHook(&PassOn<'A'>), 0, 0), 0ul);
}

TEST(RegistryHooks, RemovingTheNewestHookNeedsItsId) {
    const unsigned id = 13106;
    IdScope scope(id);
    unsigned long a = hookSet(id, AsHook(&PassOn<'A'>), 0, 0);
    EXPECT_EQ(hookRemove(a & 0xFFFF), 0) << "no id: the newest hook cannot be unlinked";
    EXPECT_EQ(hookRemove(0), 0);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), a);
}

TEST(HookLimit, FullStorageFailsWithTheBoxAndRecovers) {
    const unsigned id = 13107;
    IdScope scope(id);
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
    EXPECT_FALSE(watcher.Boxes()[0].text.empty());

    for (unsigned long hook : first)
        ASSERT_EQ(hookRemove(hook), 1);
    EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
    std::vector<unsigned long> second = fill();
    EXPECT_EQ(second.size(), first.size());
    EXPECT_EQ(watcher.Boxes().size(), 2u);
}

} // namespace
