// Threads setting, calling and removing hooks at once: afterwards every chain is consistent
// and every hook ran exactly as often as the calls imply; and every call runs what a model allows.
#include "tuHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace {

const unsigned kSharedIds[] = {13300, 13301};
const int kThreads = 4, kMaxSerials = 1 << 19;
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

// Removals returned, and by thread the count when its running operation began (none: the
// maximum). A removed entry waits for the calls running at its removal, so no thread may remove
// far ahead of a set, removal or call stalled in another: the entry heap holds fewer than 1600.
const int kMaxThreads = 8;
std::atomic<long> g_removals{0};
std::atomic<long> g_removalsAtOperation[kMaxThreads];

void ResetPacing() {
    for (auto& atOperation : g_removalsAtOperation)
        atOperation = LONG_MAX;
}

// One operation of a thread, begun once no other thread's operation lags far behind.
class PacedOperation {
public:
    explicit PacedOperation(int thread) : m_thread(thread) {
        auto farAhead = [] {
            long oldest = LONG_MAX;
            for (auto& atOperation : g_removalsAtOperation)
                oldest = std::min(oldest, atOperation.load());
            return g_removals - oldest > 500;
        };
        while (farAhead())
            std::this_thread::yield();
        g_removalsAtOperation[thread] = g_removals.load();
    }
    ~PacedOperation() { g_removalsAtOperation[m_thread] = LONG_MAX; }

private:
    int m_thread;
};

void RemoveAt(PrivateChain& chain, size_t index) {
    ASSERT_EQ(hookRemove(chain.hooks[index].handle), 1);
    ++g_removals;
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

void RunWorker(unsigned seed, int thread, PrivateChain& chain,
               std::vector<unsigned long>& sharedHandles,
               std::chrono::steady_clock::time_point until) {
    std::mt19937 random(seed);
    // Half the serials at most, so that no hook's serial overruns g_runs, and the rest serve later.
    while (std::chrono::steady_clock::now() < until && g_nextSerial < kMaxSerials / 2) {
        PacedOperation paced(thread);
        unsigned shared = kSharedIds[random() % 2];
        switch (random() % 6) {
        case 0:
            if (sharedHandles.size() < 100)
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
    ResetPacing();
    PrivateChain chains[kThreads];
    std::vector<unsigned long> sharedHandles[kThreads];
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        chains[t].id = 13310 + t;
        threads.emplace_back(RunWorker, 1000u + t, t, std::ref(chains[t]),
                             std::ref(sharedHandles[t]), until);
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

// The model test: threads set, remove and call hooks on a few ids at random. Hooks hand on,
// stop, remove themselves or remove a hook of anyone's. Every call records the hooks it ran;
// each record must be a newest-to-oldest sequence of the call's id, hooks set before the call
// ended and not removed before it began, ending in the default unless its last hook stopped.
const unsigned kModelIds[] = {13340, 13341, 13342, 13343};
const int kModelThreads = 8;
enum Kind : char { kHandOn, kStop, kRemoveSelf, kRemoveOther };

// A logical clock orders sets, removals and calls; by serial: the id, kind, and the ticks at
// which its set began and its removal returned (0 while set). Serials grow in the order hooks
// enter each chain, because an id's sets are serialized by its own mutex.
std::atomic<long long> g_clock{1};
std::atomic<long long> g_setAt[kMaxSerials], g_removedAt[kMaxSerials];
std::atomic<unsigned> g_idOf[kMaxSerials];
std::atomic<Kind> g_kindOf[kMaxSerials];
std::atomic<bool> g_removing[kMaxSerials];
std::mutex g_setMutex[std::size(kModelIds)];
// Hooks anyone may remove, each taken out once, by handle and serial.
std::mutex g_bagMutex;
std::vector<std::pair<unsigned long, long>> g_bag;
std::atomic<long> g_sets{0};

struct ModelWalk {
    unsigned id;
    long long begin;
    std::vector<long> ran; // serials, 0 for the default
};

void Remove(unsigned long handle, long serial) {
    if (g_removing[serial].exchange(true))
        return; // a removal of its own that another call got to first
    EXPECT_EQ(hookRemove(handle), 1);
    g_removedAt[serial] = g_clock++;
    ++g_removals;
}

void RemoveFromBag(std::mt19937& random) {
    std::unique_lock<std::mutex> lock(g_bagMutex);
    if (g_bag.empty())
        return;
    std::swap(g_bag[random() % g_bag.size()], g_bag.back());
    auto [handle, serial] = g_bag.back();
    g_bag.pop_back();
    lock.unlock();
    Remove(handle, serial);
}

unsigned long CALLBACK ModelHook(void* parameter, unsigned long hook, long serial) {
    static_cast<ModelWalk*>(parameter)->ran.push_back(serial);
    thread_local std::mt19937 random(static_cast<unsigned>(serial));
    switch (g_kindOf[serial].load()) {
    case kStop:
        return 0;
    case kRemoveSelf:
        Remove(hook, serial);
        break;
    case kRemoveOther:
        RemoveFromBag(random);
        break;
    case kHandOn:
        break;
    }
    return hookCallNext(hook, parameter);
}

unsigned long CALLBACK ModelDefault(void* parameter, unsigned long, long) {
    static_cast<ModelWalk*>(parameter)->ran.push_back(0);
    return 0;
}

void SetModelHook(std::mt19937& random) {
    size_t idIndex = random() % std::size(kModelIds);
    Kind kind = static_cast<Kind>(random() % 4);
    std::lock_guard<std::mutex> lock(g_setMutex[idIndex]);
    long serial = g_nextSerial++;
    g_idOf[serial] = kModelIds[idIndex];
    g_kindOf[serial] = kind;
    g_setAt[serial] = g_clock++;
    ++g_sets;
    unsigned long handle =
        hookSet(kModelIds[idIndex], reinterpret_cast<void*>(&ModelHook), 0, serial);
    ASSERT_NE(handle, 0ul);
    if (kind != kRemoveSelf) {
        std::lock_guard<std::mutex> bagLock(g_bagMutex);
        g_bag.emplace_back(handle, serial);
    }
}

// What is wrong with a call's record, or an empty text.
std::string ModelFault(const ModelWalk& walk, long long end) {
    long newer = LONG_MAX;
    for (size_t i = 0; i < walk.ran.size(); ++i) {
        long serial = walk.ran[i];
        bool last = i + 1 == walk.ran.size();
        if (serial == 0)
            return last ? "" : "the default ran before a hook";
        if (serial >= newer)
            return "hook " + std::to_string(serial) + " out of order or twice";
        newer = serial;
        if (g_idOf[serial] != walk.id || g_setAt[serial] >= end)
            return "hook " + std::to_string(serial) + " was not set on the id during the call";
        long long removed = g_removedAt[serial];
        if (removed && removed < walk.begin)
            return "hook " + std::to_string(serial) + " ran after its removal returned";
        if ((g_kindOf[serial] == kStop) != last)
            return last ? "the last hook handed on but the default did not run"
                        : "a hook ran after one that stopped";
    }
    return walk.ran.empty() ? "not even the default ran" : "";
}

void CallModelChain(std::mt19937& random, std::atomic<long>& faults) {
    ModelWalk walk{kModelIds[random() % std::size(kModelIds)], 0, {}};
    walk.begin = g_clock++;
    hookCallFirst(walk.id, &walk);
    long long end = g_clock++;
    std::string fault = ModelFault(walk, end);
    if (!fault.empty() && faults++ < 5)
        ADD_FAILURE() << fault;
}

void RunModelThread(unsigned seed, int thread, std::chrono::steady_clock::time_point until,
                    std::atomic<long>& faults, std::atomic<long>& calls) {
    std::mt19937 random(seed);
    while (std::chrono::steady_clock::now() < until && g_nextSerial < kMaxSerials - 1000) {
        PacedOperation paced(thread);
        unsigned choice = random() % 8;
        if (choice < 3 && g_sets - g_removals < 120)
            SetModelHook(random);
        else if (choice < 5)
            RemoveFromBag(random);
        else {
            CallModelChain(random, faults);
            ++calls;
        }
    }
}

TEST(HookConcurrency, EveryCallRunsANewestFirstSequenceOfHooksSetDuringIt) {
    for (unsigned id : kModelIds)
        ASSERT_EQ(hookSetDefault(id, reinterpret_cast<void*>(&ModelDefault), 0), 1);
    ResetPacing();
    const unsigned seed =
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::printf("model seeds %u to %u\n", seed, seed + kModelThreads - 1);
    std::atomic<long> faults{0}, calls{0};
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
    std::vector<std::thread> threads;
    for (int t = 0; t < kModelThreads; ++t)
        threads.emplace_back(RunModelThread, seed + t, t, until, std::ref(faults), std::ref(calls));
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(faults.load(), 0) << "seeds from " << seed;
    EXPECT_GT(calls.load(), 1000);
    EXPECT_GT(g_removals.load(), 1000);
    for (unsigned id : kModelIds) {
        while (unsigned long first = hookGetFirst(id, nullptr, nullptr, nullptr))
            ASSERT_EQ(hookRemove(first), 1);
        hookExit(id);
    }
}

} // namespace
