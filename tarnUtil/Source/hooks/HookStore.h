// The hook registry's stored records and the helpers that both registry and calling use.
// Every helper here expects g_hookLock to be held by the caller.
#pragma once

#include "common/Lock.h"
#include "common/WindowsSupport.h"

#include <atomic>

// One hook of a chain, an item of the entry heap. Entries sit at any byte offset of the heap,
// so they are packed and only ever copied in and out whole (ReadEntry, WriteEntry).
#pragma pack(push, 1)
struct HOOKENTRY {
    unsigned long hPrev;         // next newer hook of the id, 0 for the newest
    unsigned long hNext;         // next older hook, 0 for the oldest
    void* pfnHook;               // the hook function
    void* pfnDefault;            // copy of the id's default function
    unsigned long nDefaultFlags; // copy of the id's default flags
    unsigned long nFlags;        // the hook's own call-form flags
    long nData;                  // handed to the hook on every call
};
#pragma pack(pop)

// One id that has been used, an item of the id table sorted by nID.
struct HOOKIDREC {
    unsigned long nID;
    unsigned long hFirst;        // entry handle of the newest hook, 0 without hooks
    void* pfnDefault;            // the id's default function, possibly null
    unsigned long nDefaultFlags; // call-form flags of the default function
    unsigned long nCreateFlags;  // the default flags the record was created with
    long nDefaultData;           // data handed to the default function: always 0
};

namespace tu::hooks {

// The registry's re-entrant lock (g_hookLock).
CRITICAL_SECTION& RegistryLock();

// A function to call with its call form and data.
struct tTarget {
    void* function = nullptr;
    unsigned long flags = 0;
    long data = 0;
};

bool IsManagedId(unsigned long id);
// True when the handle's entry holds a hook that is set now, whatever id the handle names. A
// removed entry names nothing until a new hook takes it over.
bool IsLiveEntry(unsigned long hook);
// Finds the id's record and leaves the id table's cursor on it.
bool FindRecord(unsigned long id, HOOKIDREC& record);
// Copies the entry at the handle's low 16 bits out of the heap; false for 0, for a handle the
// heap cannot look up, and for an entry that would reach past the heap's end.
bool ReadEntry(unsigned long hook, HOOKENTRY& entry);
// The hook of the entry at the handle, as ReadEntry finds it.
tTarget HookOfEntry(unsigned long hook);
// The handle of the id's newest hook (0 without hooks or for an unknown id), and in `target`
// what a chain call runs first: that hook, or the id's default when it has none.
unsigned long FirstTarget(unsigned long id, tTarget& target);
// What a chain call runs after the hook at the handle: the next older hook that is still set,
// or the chain's default at its end; `next` gets that hook's entry handle, 0 for the default.
// A removed entry that a running call may still stand on leads on from where it stood.
tTarget NextTarget(unsigned long hook, unsigned long& next);
// One thread's part in the chain calls it runs: its outermost running call, which covers the
// steps nested in it. Only the owner thread changes `depth` of its own record while it is above
// 0; everything else is read and written under the registry lock.
struct alignas(64) tWalker {
    bool shared = false;            // a record of threads that found no record of their own
    std::atomic<unsigned> depth{0}; // calls running: 1 at most on a thread's own record
    unsigned long long since = 0;   // epoch in which the outermost of them began
    DWORD owner = 0;                // id of the thread the record serves
};
// The records of threads in chain calls, each thread first trying the one its id maps to; the
// epoch now, which moves on with every removal; and the number of removed entries waiting. All
// under the registry lock (HookWalks.cpp).
const unsigned kWalkerRecords = 8;
extern tWalker g_walkers[kWalkerRecords];
extern unsigned long long g_epoch;
extern unsigned g_removedCount;
tWalker* EnterWalkSlowly(DWORD thread);
// Counts the thread holding the registry lock into a chain call; first gives back the removed
// entries that no running call can reach. Null when a running call of the thread on a record of
// its own covers this one: the step then has nothing to count out.
inline tWalker* EnterWalk(const CRITICAL_SECTION& heldLock) {
    auto thread = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(heldLock.OwningThread));
    tWalker& home = g_walkers[(thread >> 2) % kWalkerRecords];
    if (g_removedCount || home.owner != thread)
        return EnterWalkSlowly(thread);
    if (home.depth.load(std::memory_order_relaxed))
        return nullptr;
    home.since = g_epoch;
    home.depth.store(1, std::memory_order_relaxed);
    return &home;
}
void LeaveSharedWalk(tWalker* walker);
// Counts it out again once the called function returned; for a record of its own, without lock.
inline void LeaveWalk(tWalker* walker) {
    if (walker->shared)
        LeaveSharedWalk(walker);
    else
        walker->depth.store(0, std::memory_order_release);
}
// Keeps a removed entry until every chain call that was running at its removal has ended.
void AwaitWalks(unsigned long entry);
// Frees every removed entry that no running chain call can reach, through FreeRemovedEntry.
void ReclaimRemovedEntries();
// Gives a removed entry's range back to the heap (HookRegistry.cpp).
void FreeRemovedEntry(unsigned long entry);
// Forgets the removed entries and the threads' records: the entry heap is new or gone.
void ForgetWalks();

// Calls a target in its call form; the full form gets the handle and the target's data.
unsigned long CallTarget(const tTarget& target, void* parameter, unsigned long handle);

// The handle of an id's entry: id in the high 16 bits, entry in the low 16 bits.
inline unsigned long MakeHookHandle(unsigned long id, unsigned long entry) {
    return ((id & 0xFFFF) << 16) | (entry & 0xFFFF);
}

} // namespace tu::hooks
