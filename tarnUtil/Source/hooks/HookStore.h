// The hook registry's stored records and the helpers that both registry and calling use.
// Every helper here expects g_hookLock to be held by the caller.
#pragma once

#include "common/Lock.h"
#include "common/WindowsSupport.h"

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
// True when the handle's entry is a hook that is set now and belongs to the handle's id. A
// removed entry names nothing, and so does one whose place in the heap another id reuses.
bool IsLiveHook(unsigned long hook);
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

// Calls a target in its call form; the full form gets the handle and the target's data.
unsigned long CallTarget(const tTarget& target, void* parameter, unsigned long handle);

// The handle of an id's entry: id in the high 16 bits, entry in the low 16 bits.
inline unsigned long MakeHookHandle(unsigned long id, unsigned long entry) {
    return ((id & 0xFFFF) << 16) | (entry & 0xFFFF);
}

} // namespace tu::hooks
