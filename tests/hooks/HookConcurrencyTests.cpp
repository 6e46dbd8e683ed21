// Threads setting, calling and removing hooks at once: afterwards every chain is consistent
// and every hook ran exactly as often as the calls imply; and no hook runs once removed.
#include "tuHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <thread>

namespace {

const unsigned kSharedIds[] = {13300, 13301};
const int kThreads = 4, kMaxSerials = 1 << 16;
std::atomic<unsigned> g_runs[kMaxSerials]; // per hook serial
std::atomic<long> g_nextSerial{1};
std::atomic<unsigned long long> g_sharedVisits{0};

// A hook of a private chain as its thread knows it.
struct Hook {
    long serial;
    unsigned long handle;
    bool mutator;
};

// A thread's own id, the chain it expects there (newest first), and each hook's expected runs.
struct PrivateChain {
    unsigned id;
    std::deque<Hook> hooks;
    std::map<long, unsigned> expectedRuns;
};

// The hook parameter: the serials of the hooks a walk visited, in order, and its chain.
struct Walk {
    std::vector<long> visited;
    PrivateChain* owner = nullptr;
};

Walk& Visit(void* parameter, long serial) {
    ++g_runs[serial];
    static_cast<Walk*>(parameter)->visited.push_back(serial);
    return *static_cast<Walk*>(parameter);
}

unsigned long CALLBACK Counting(void* parameter, unsigned long hook, long serial) {
    Visit(parameter, serial);
    return hookCallNext(hook, parameter) + 1;
}

unsigned long SetCounting(unsigned id, long serial) {
    return hookSet(id, reinterpret_cast<void*>(&Counting), 0, serial);
}

void CallSharedChain(unsigned id) {
    Walk walk;
    g_sharedVisits += hookCallFirst(id, &walk);
}

void RemoveAt(PrivateChain& chain, size_t index) {
    ASSERT_EQ(hookRemove(chain.hooks[index].handle), 1);
    chain.hooks.erase(chain.hooks.begin() + index);
}

// Amid a walk of its chain: removes the hook after it, sets one in front, calls a shared chain.
unsigned long CALLBACK Mutator(void* parameter, unsigned long hook, long serial) {
    PrivateChain& chain = *Visit(parameter, serial).owner;
    size_t self = 0;
    while (chain.hooks[self].serial != serial)
        ++self;
    if (self + 1 < chain.hooks.size())
        RemoveAt(chain, self + 1);
    long fresh = g_nextSerial++;
    chain.hooks.push_front({fresh, SetCounting(chain.id, fresh), false});
    chain.expectedRuns[fresh] += 0;
    CallSharedChain(kSharedIds[serial % 2]);
    return hookCallNext(hook, parameter) + 1;
}

// The walk the model predicts, applying each mutator's changes as it is passed.
std::vector<long> PredictWalk(std::deque<Hook> hooks) {
    std::vector<long> visited;
    for (size_t i = 0; i < hooks.size(); ++i) {
        visited.push_back(hooks[i].serial);
        if (hooks[i].mutator) {
            if (i + 1 < hooks.size())
                hooks.erase(hooks.begin() + i + 1);
            hooks.push_front({0, 0, false});
            ++i;
        }
    }
    return visited;
}

void RunWorker(unsigned seed, PrivateChain& chain, std::vector<unsigned long>& sharedHandles,
               std::chrono::steady_clock::time_point until) {
    std::mt19937 random(seed);
    // Half the serials at most, so that no hook's serial overruns g_runs, and the rest serve later.
    while (std::chrono::steady_clock::now() < until && g_nextSerial < kMaxSerials / 2) {
        unsigned shared = kSharedIds[random() % 2];
        switch (random() % 6) {
        case 0:
            if (sharedHandles.size() < 200)
                sharedHandles.push_back(SetCounting(shared, g_nextSerial++));
            break;
        case 1:
            CallSharedChain(shared);
            break;
        case 2:
        case 3: {
            if (chain.hooks.size() > 60)
                break;
            long serial = g_nextSerial++;
            bool mutator = random() % 4 == 0;
            unsigned long handle = hookSet(
                chain.id, reinterpret_cast<void*>(mutator ? &Mutator : &Counting), 0, serial);
            ASSERT_NE(handle, 0ul);
            chain.hooks.push_front({serial, handle, mutator});
            chain.expectedRuns[serial] += 0;
            break;
        }
        case 4:
            if (!chain.hooks.empty())
                RemoveAt(chain, random() % chain.hooks.size());
            break;
        case 5: {
            std::vector<long> expected = PredictWalk(chain.hooks);
            Walk walk{{}, &chain};
            EXPECT_EQ(hookCallFirst(chain.id, &walk), expected.size());
            ASSERT_EQ(walk.visited, expected) << "seed " << seed;
            for (long serial : expected)
                ++chain.expectedRuns[serial];
            break;
        }
        }
    }
}

TEST(HookConcurrency, ChainsStayConsistentAndHooksRunAsCallsImply) {
    PrivateChain chains[kThreads];
    std::vector<unsigned long> sharedHandles[kThreads];
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        chains[t].id = 13310 + t;
        threads.emplace_back(RunWorker, 1000u + t, std::ref(chains[t]), std::ref(sharedHandles[t]),
                             until);
    }
    for (auto& thread : threads)
        thread.join();

    // Each private chain holds what its thread expects, and stays in order as hooks go at random.
    std::mt19937 random(7);
    for (PrivateChain& chain : chains) {
        for (size_t i = chain.hooks.size(); i-- > 0;)
            if (chain.hooks[i].mutator) // walks here must not change the chain
                RemoveAt(chain, i);
        while (!chain.hooks.empty()) {
            Walk walk;
            hookCallFirst(chain.id, &walk);
            for (long serial : walk.visited)
                --g_runs[serial];                              // this check's own visits
            ASSERT_EQ(walk.visited, PredictWalk(chain.hooks)); // no mutators left
            RemoveAt(chain, random() % chain.hooks.size());
        }
        EXPECT_EQ(hookGetFirst(chain.id, nullptr, nullptr, nullptr), 0ul);
        hookExit(chain.id);
        for (const auto& runs : chain.expectedRuns)
            EXPECT_EQ(g_runs[runs.first].load(), runs.second) << "hook " << runs.first;
    }

    // Each shared chain holds each hook set on it once; they ran as often as walks reported.
    unsigned long long sharedRuns = 0;
    for (unsigned id : kSharedIds) {
        std::vector<unsigned long> handles;
        for (auto& perThread : sharedHandles)
            for (unsigned long handle : perThread)
                if (handle >> 16 == id)
                    handles.push_back(handle);
        Walk walk;
        EXPECT_EQ(hookCallFirst(id, &walk), handles.size());
        std::set<long> seen(walk.visited.begin(), walk.visited.end());
        EXPECT_EQ(seen.size(), walk.visited.size()) << "visited twice";
        for (long serial : seen)
            sharedRuns += --g_runs[serial]; // less this check's own visit
        for (unsigned long handle : handles)
            EXPECT_EQ(hookRemove(handle), 1);
        EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
        hookExit(id);
    }
    EXPECT_EQ(sharedRuns, g_sharedVisits.load());
}

// Walkers call one chain while changers add and remove hooks of it and of a second id (which
// reuse freed entries): a walk step begun after a hook's removal completed must not reach it.
const unsigned kWalkedIds[] = {13330, 13331};
std::atomic<long> g_removalsDone{0};
std::atomic<long> g_removedAt[kMaxSerials]; // by serial: the removal's number, 0 while set
std::atomic<unsigned> g_lateCalls{0}, g_foreignCalls{0};

// The parameter: the removals completed before the current walk step began.
unsigned long CALLBACK Watched(void* parameter, unsigned long hook, long serial) {
    long& removalsBefore = *static_cast<long*>(parameter);
    long removedAt = g_removedAt[serial];
    g_lateCalls += removedAt != 0 && removedAt <= removalsBefore;
    g_foreignCalls += hook >> 16 != kWalkedIds[serial % 2];
    removalsBefore = g_removalsDone;
    return hookCallNext(hook, parameter) + 1;
}

void ChangeHooks(unsigned seed, std::atomic<bool> const& stop) {
    std::mt19937 random(seed);
    std::vector<std::pair<long, unsigned long>> mine;
    while (!stop) {
        if (random() % 2 && mine.size() < 40) {
            long serial = g_nextSerial++;
            if (serial < kMaxSerials)
                mine.emplace_back(serial, hookSet(kWalkedIds[serial % 2],
                                                  reinterpret_cast<void*>(&Watched), 0, serial));
        } else if (!mine.empty()) {
            size_t victim = random() % mine.size();
            ASSERT_EQ(hookRemove(mine[victim].second), 1);
            g_removedAt[mine[victim].first] = ++g_removalsDone;
            mine.erase(mine.begin() + victim);
        }
    }
    for (auto const& hook : mine)
        EXPECT_EQ(hookRemove(hook.second), 1);
}

TEST(HookConcurrency, NoHookRunsOnceItsRemovalCompleted) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 2; ++t) {
        threads.emplace_back(ChangeHooks, 500u + t, std::cref(stop));
        threads.emplace_back([&] {
            while (!stop) {
                long removalsBefore = g_removalsDone;
                hookCallFirst(kWalkedIds[0], &removalsBefore);
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    stop = true;
    for (auto& thread : threads)
        thread.join();
    EXPECT_GT(g_removalsDone.load(), 100);
    EXPECT_EQ(g_lateCalls.load(), 0u);
    EXPECT_EQ(g_foreignCalls.load(), 0u);
    for (unsigned id : kWalkedIds) {
        EXPECT_EQ(hookGetFirst(id, nullptr, nullptr, nullptr), 0ul);
        hookExit(id);
    }
}

} // namespace
