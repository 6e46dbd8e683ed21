// Which chain calls are running, and since when: a removed hook entry goes back to the entry
// heap only once no call that began before its removal is still running.
//
// The registry counts removals in epochs. A thread's record notes the epoch its outermost running
// chain call began in; an entry removed in that epoch or later may still be stood on by the call.
// Threads count themselves in under g_hookLock (which every call step takes anyway) and out again
// with a plain store to their own record, so a call costs no extra lock or interlocked operation;
// the steps nested in a thread's running call are covered by it and count nothing.
#include "hooks/HookStore.h"

namespace {

// A thread that finds no record of its own free counts itself into a shared record instead, in
// and out under g_hookLock. The shared record's calls overlap, so it keeps the epoch of its first
// call until all have ended; two records take turns, so that one always drains.
tu::hooks::tWalker g_sharedWalkers[2] = {{true}, {true}};
unsigned g_sharedTurn = 0;

// Removed entries in the order of their removal, each with the epoch it was removed in. Every
// entry has its own 16-bit handle, so the ring holds all the heap can hold and never overflows.
struct tRemoved {
    unsigned long long epoch;
    unsigned long entry;
};
const unsigned kMaxEntries = 0x10000 / sizeof(HOOKENTRY) + 1;
tRemoved g_removed[kMaxEntries];
unsigned g_removedFirst = 0;

// The shared record that takes new calls: the other one once all calls of the other have ended.
tu::hooks::tWalker* SharedWalker() {
    if (g_sharedWalkers[1 - g_sharedTurn].depth.load(std::memory_order_relaxed) == 0)
        g_sharedTurn = 1 - g_sharedTurn;
    return &g_sharedWalkers[g_sharedTurn];
}

// The thread's record: the one it used last unless another thread took that over while it was
// idle, else an idle one, else a shared one.
tu::hooks::tWalker* WalkerOf(DWORD thread) {
    for (tu::hooks::tWalker& walker : tu::hooks::g_walkers)
        if (walker.owner == thread)
            return &walker;
    for (tu::hooks::tWalker& walker : tu::hooks::g_walkers)
        if (walker.depth.load(std::memory_order_relaxed) == 0) {
            walker.owner = thread;
            return &walker;
        }
    return SharedWalker();
}

unsigned long long OldestRunningEpoch() {
    unsigned long long oldest = tu::hooks::g_epoch;
    auto consider = [&oldest](const tu::hooks::tWalker& walker) {
        if (walker.depth.load(std::memory_order_acquire) && walker.since < oldest)
            oldest = walker.since;
    };
    for (const tu::hooks::tWalker& walker : tu::hooks::g_walkers)
        consider(walker);
    for (const tu::hooks::tWalker& walker : g_sharedWalkers)
        consider(walker);
    return oldest;
}

} // namespace

namespace tu::hooks {

tWalker g_walkers[kWalkerRecords];
unsigned long long g_epoch = 1;
unsigned g_removedCount = 0;

tWalker* EnterWalkSlowly(DWORD thread) {
    ReclaimRemovedEntries();
    tWalker* walker = WalkerOf(thread);
    unsigned depth = walker->depth.load(std::memory_order_relaxed);
    if (depth && !walker->shared)
        return nullptr;
    if (depth == 0)
        walker->since = g_epoch;
    walker->depth.store(depth + 1, std::memory_order_relaxed);
    return walker;
}

void LeaveSharedWalk(tWalker* walker) {
    tu::LockGuard guard(RegistryLock());
    walker->depth.store(walker->depth.load(std::memory_order_relaxed) - 1,
                        std::memory_order_relaxed);
}

void AwaitWalks(unsigned long entry) {
    g_removed[(g_removedFirst + g_removedCount++) % kMaxEntries] = {g_epoch++, entry};
}

void ReclaimRemovedEntries() {
    if (!g_removedCount)
        return;
    unsigned long long oldest = OldestRunningEpoch();
    for (; g_removedCount && g_removed[g_removedFirst].epoch < oldest; --g_removedCount) {
        FreeRemovedEntry(g_removed[g_removedFirst].entry);
        g_removedFirst = (g_removedFirst + 1) % kMaxEntries;
    }
}

void ForgetWalks() {
    g_removedFirst = g_removedCount = 0;
    for (tWalker& walker : g_walkers)
        walker.owner = 0;
}

} // namespace tu::hooks
