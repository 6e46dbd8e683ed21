// The hook registry: named ids, the id table, the entry heap, and set and remove requests
// carried out by the default function of the registry's own id.
#include "tuHooks.h"

#include "common/Boundary.h"
#include "hooks/HookStore.h"
#include "internal/LoadSteps.h"
#include "tuContainers.h"
#include "tuLocal.h"

#include <cstring>
#include <new>
#include <string>
#include <unordered_map>

namespace {

// g_hookLock guards everything below, and the walk records of HookWalks.cpp; it is re-entrant
// and never held while a hook runs. It lives from the attach step on and is not destroyed, so
// late calls still find it.
CRITICAL_SECTION g_hookLock;
std::unordered_map<std::wstring, unsigned> g_hookNames;
tagCHAIN g_hookIDTable;
tagHEAPMG g_hookHeap;
// The id each entry's hook was set on, by entry handle; 0 for a free entry, and with
// kRemovedBit added while a removed entry waits for the chain calls that may stand on it.
// Calls and removals check it, so a handle never reaches freed storage.
unsigned short g_entryOwner[0x10000];
const unsigned short kRemovedBit = 0x8000; // above every managed id

// A program uses a few dozen hook ids: the first block of 47 records usually holds them all, and
// growing by the same step keeps the rare reallocations linear.
const unsigned kIdTableSlots = 47;
// 563 bytes hold 15 entries (20 in a 32-bit build), more than a program's usual hooks, so the
// entry heap rarely grows; it grows by the same step.
const unsigned kEntryHeapBytes = 563;
// The freed-memory pattern: a removed entry's function fields hold it, so a stale copy read
// after the removal shows an address that is plainly no function rather than a callable one.
const unsigned char kRemovedFunctionFill = 0xDD;

typedef tu::LockGuard RegistryGuard;

int __cdecl CompareRecordIds(const void* key, const void* item) {
    unsigned long a = static_cast<const HOOKIDREC*>(key)->nID;
    unsigned long b = static_cast<const HOOKIDREC*>(item)->nID;
    return a < b ? -1 : (a > b ? 1 : 0);
}

void WriteEntry(unsigned long entryHandle, const HOOKENTRY& entry) {
    std::memcpy(HeapMgPointer(&g_hookHeap, entryHandle), &entry, sizeof entry);
}

// Writes a record back over the one the id table's cursor names.
bool WriteRecord(const HOOKIDREC& record) {
    return SetContentOfChain(&g_hookIDTable, &record) != 0;
}

bool IsNameMapped(unsigned id) {
    for (const auto& name : g_hookNames)
        if (name.second == id)
            return true;
    return false;
}

// Gives every entry of the id's chain the id's present default.
void RefreshChainDefaults(const HOOKIDREC& record) {
    HOOKENTRY entry;
    for (unsigned long h = record.hFirst; h && tu::hooks::ReadEntry(h, entry); h = entry.hNext) {
        entry.pfnDefault = record.pfnDefault;
        entry.nDefaultFlags = record.nDefaultFlags;
        WriteEntry(h, entry);
    }
}

int SetDefaultLocked(unsigned long id, void* function, unsigned long flags) {
    if (!tu::hooks::IsManagedId(id))
        return 0;
    HOOKIDREC record;
    if (tu::hooks::FindRecord(id, record)) {
        record.pfnDefault = function;
        record.nDefaultFlags = flags;
        if (!WriteRecord(record))
            return 0;
        RefreshChainDefaults(record);
        return 1;
    }
    record = HOOKIDREC{id, 0, function, flags, flags, 0};
    int inserted = InsertInSortedChain(&record, &g_hookIDTable, &CompareRecordIds, 1, nullptr);
    if (inserted == 2) {
        errOutOfMemMsgBox();
        return 0;
    }
    return 1;
}

// Gives an entry's range back to the heap: a new entry that could not be linked, or a removed
// one that no chain call can reach any more.
void DropEntry(unsigned long entryHandle) {
    HeapMgDeleteItem(&g_hookHeap, entryHandle, sizeof(HOOKENTRY));
}

unsigned long SetHookLocked(const HOOKREQUEST& request) {
    unsigned long id = request.nID;
    if (!tu::hooks::IsManagedId(id))
        return 0;
    tu::hooks::ReclaimRemovedEntries(); // outside any call, a removed entry's range serves again
    HOOKIDREC record;
    if (!tu::hooks::FindRecord(id, record) &&
        !(SetDefaultLocked(id, nullptr, HOOKF_PARAMONLY) && tu::hooks::FindRecord(id, record)))
        return 0;

    unsigned entryHandle = 0;
    if (!HeapMgInsertItem(nullptr, sizeof(HOOKENTRY), &g_hookHeap, &entryHandle)) {
        errOutOfMemMsgBox();
        return 0;
    }
    HOOKENTRY entry;
    if (entryHandle > 0xFFFF) {
        errOutOfMemMsgBox();
        DropEntry(entryHandle);
        return 0;
    }
    if (!tu::hooks::ReadEntry(entryHandle, entry)) {
        DropEntry(entryHandle);
        return 0;
    }
    entry = HOOKENTRY{0,
                      record.hFirst,
                      request.pfnHook,
                      record.pfnDefault,
                      record.nDefaultFlags,
                      request.nFlags,
                      request.nData};
    WriteEntry(entryHandle, entry);

    unsigned long olderFirst = record.hFirst;
    record.hFirst = entryHandle;
    // The heap insertion left the id table alone, so its cursor still names the record.
    if (!WriteRecord(record)) {
        DropEntry(entryHandle);
        return 0;
    }
    HOOKENTRY older;
    if (olderFirst && tu::hooks::ReadEntry(olderFirst, older)) {
        older.hPrev = entryHandle;
        WriteEntry(olderFirst, older);
    }
    g_entryOwner[entryHandle] = static_cast<unsigned short>(id);
    return tu::hooks::MakeHookHandle(id, entryHandle);
}

unsigned short OwnerOf(unsigned long entryHandle) {
    return g_entryOwner[entryHandle & 0xFFFF];
}

// The newest entry of a chain leaves the record of the id it was set on, whatever id the request
// names, so that no record keeps naming a removed entry.
bool UnlinkNewest(unsigned long entryHandle, unsigned long next) {
    HOOKIDREC record;
    if (!tu::hooks::FindRecord(OwnerOf(entryHandle), record) || record.hFirst != entryHandle)
        return true;
    record.hFirst = next;
    return WriteRecord(record);
}

// A removed entry keeps its hNext, so a chain call standing on it leads on down the chain, but its
// functions hold the freed-memory pattern; its range goes back once no such call runs.
void RetireEntry(unsigned long entryHandle, HOOKENTRY entry) {
    entry.hPrev = 0;
    std::memset(&entry.pfnHook, kRemovedFunctionFill, sizeof entry.pfnHook);
    std::memset(&entry.pfnDefault, kRemovedFunctionFill, sizeof entry.pfnDefault);
    WriteEntry(entryHandle, entry);
    g_entryOwner[entryHandle] |= kRemovedBit;
    tu::hooks::AwaitWalks(entryHandle);
}

// Removes the hook of any live entry; the request's id only has to be nonzero for the newest hook
// of a chain, as the id that unlinks it.
int RemoveHookLocked(const HOOKREQUEST& request) {
    unsigned long entryHandle = request.hEntry;
    HOOKENTRY entry, neighbour;
    if (entryHandle > 0xFFFF || !tu::hooks::IsLiveEntry(entryHandle) ||
        !tu::hooks::ReadEntry(entryHandle, entry))
        return 0;
    if (entry.hPrev) {
        if (tu::hooks::ReadEntry(entry.hPrev, neighbour)) {
            neighbour.hNext = entry.hNext;
            WriteEntry(entry.hPrev, neighbour);
        }
    } else if (request.nID == 0 || !UnlinkNewest(entryHandle, entry.hNext)) {
        return 0;
    }
    if (entry.hNext && tu::hooks::ReadEntry(entry.hNext, neighbour)) {
        neighbour.hPrev = entry.hPrev;
        WriteEntry(entry.hNext, neighbour);
    }
    RetireEntry(entryHandle, entry);
    return 1;
}

// The default at a chain's end after the entry: a live entry's own copy, or for a removed one
// (whose copy is gone) the present default of the id it was set on.
tu::hooks::tTarget DefaultAfter(unsigned long entryHandle, const HOOKENTRY& entry) {
    if (!(OwnerOf(entryHandle) & kRemovedBit))
        return {entry.pfnDefault, entry.nDefaultFlags, 0};
    HOOKIDREC record;
    if (!tu::hooks::FindRecord(OwnerOf(entryHandle) & ~kRemovedBit, record))
        return {};
    return {record.pfnDefault, record.nDefaultFlags, 0};
}

void ForgetEntries() {
    std::memset(g_entryOwner, 0, sizeof g_entryOwner);
    tu::hooks::ForgetWalks();
}

unsigned long SendRegistryRequest(HOOKREQUEST& request) {
    return hookCallFirst(HOOKID_REGISTRY, &request);
}

// The default function of HOOKID_REGISTRY: carries out set and remove requests.
unsigned long CALLBACK hookRegistryProc(void* parameter, unsigned long, long) {
    const auto* request = static_cast<const HOOKREQUEST*>(parameter);
    if (!request)
        return 0;
    RegistryGuard guard(g_hookLock);
    switch (request->nCommand) {
    case HOOKCMD_SET:
        return SetHookLocked(*request);
    case HOOKCMD_REMOVE:
        return RemoveHookLocked(*request);
    default:
        return 0;
    }
}

} // namespace

namespace tu::hooks {

CRITICAL_SECTION& RegistryLock() {
    return g_hookLock;
}

bool IsManagedId(unsigned long id) {
    return id >= HOOKID_FIRST && id <= HOOKID_LAST;
}

bool IsLiveEntry(unsigned long hook) {
    unsigned short owner = OwnerOf(hook);
    return owner && !(owner & kRemovedBit);
}

bool FindRecord(unsigned long id, HOOKIDREC& record) {
    HOOKIDREC key = {};
    key.nID = id;
    if (IsEmptyChain(&g_hookIDTable) || SearchInChain(&key, &g_hookIDTable, &CompareRecordIds) != 0)
        return false;
    return ContentOfChain(&g_hookIDTable, &record) != 0;
}

bool ReadEntry(unsigned long hook, HOOKENTRY& entry) {
    unsigned long handle = hook & 0xFFFF;
    if (!handle || handle + sizeof entry > g_hookHeap.nHeapSize)
        return false;
    const void* at = HeapMgPointer(&g_hookHeap, handle);
    if (!at)
        return false;
    std::memcpy(&entry, at, sizeof entry);
    return true;
}

tTarget HookOfEntry(unsigned long hook) {
    HOOKENTRY entry;
    if (!ReadEntry(hook, entry))
        return {};
    return {entry.pfnHook, entry.nFlags, entry.nData};
}

unsigned long FirstTarget(unsigned long id, tTarget& target) {
    HOOKIDREC record;
    if (!IsManagedId(id) || !FindRecord(id, record))
        return 0;
    if (!record.hFirst) {
        target = {record.pfnDefault, record.nDefaultFlags, record.nDefaultData};
        return 0;
    }
    target = HookOfEntry(record.hFirst);
    return MakeHookHandle(id, record.hFirst);
}

tTarget NextTarget(unsigned long hook, unsigned long& next) {
    next = 0;
    unsigned long at = hook & 0xFFFF;
    HOOKENTRY entry;
    if (!OwnerOf(at) || !ReadEntry(at, entry))
        return {};
    // Removed entries met on the way were removed after the call reached them: they lead on.
    while (entry.hNext && (OwnerOf(entry.hNext) & kRemovedBit)) {
        at = entry.hNext;
        if (!ReadEntry(at, entry))
            return {};
    }
    if (!entry.hNext)
        return DefaultAfter(at, entry);
    next = entry.hNext;
    return HookOfEntry(next);
}

void FreeRemovedEntry(unsigned long entry) {
    DropEntry(entry);
    g_entryOwner[entry] = 0;
}

} // namespace tu::hooks

namespace {

// Runs a name-map operation under the registry lock; the map's own allocations (the name's
// copy, the map's nodes) may fail, and then the operation answers 0.
template <class F> auto WithNames(const wchar_t* name, F operation) -> decltype(operation(L"")) {
    if (!name)
        return 0;
    return tu::Guarded(decltype(operation(L"")){0}, [&] {
        RegistryGuard guard(g_hookLock);
        return operation(std::wstring(name));
    });
}

} // namespace

unsigned WINAPI hookCreateID(const wchar_t* name) {
    return WithNames(name, [](std::wstring const& key) -> unsigned {
        for (unsigned id = HOOKID_NAMED_FIRST; id <= HOOKID_LAST; ++id)
            if (!IsNameMapped(id)) {
                g_hookNames[key] = id;
                return id;
            }
        return 0;
    });
}

unsigned WINAPI hookFindID(const wchar_t* name) {
    return WithNames(name, [](std::wstring const& key) -> unsigned {
        auto it = g_hookNames.find(key);
        return it == g_hookNames.end() ? 0 : it->second;
    });
}

int WINAPI hookDeleteID(const wchar_t* name) {
    return WithNames(name,
                     [](std::wstring const& key) -> int { return g_hookNames.erase(key) ? 1 : 0; });
}

int WINAPI hookIsCommonID(unsigned id) {
    return tu::hooks::IsManagedId(id) ? 1 : 0;
}

unsigned long WINAPI hookSet(unsigned id, void* function, unsigned long flags, long data) {
    HOOKREQUEST request = {};
    request.nCommand = HOOKCMD_SET;
    request.nID = id;
    request.pfnHook = function;
    request.nFlags = flags;
    request.nData = data;
    return SendRegistryRequest(request);
}

int WINAPI hookRemove(unsigned long hook) {
    HOOKREQUEST request = {};
    request.nCommand = HOOKCMD_REMOVE;
    request.nID = hook >> 16;
    request.hEntry = hook & 0xFFFF;
    return static_cast<int>(SendRegistryRequest(request));
}

int WINAPI hookSetDefault(unsigned id, void* function, unsigned long flags) {
    RegistryGuard guard(g_hookLock);
    return SetDefaultLocked(id, function, flags);
}

unsigned long WINAPI hookGetFirst(unsigned id, void** function, unsigned long* flags, long* data) {
    if (function)
        *function = nullptr;
    RegistryGuard guard(g_hookLock);
    HOOKIDREC record;
    if (!tu::hooks::IsManagedId(id) || !tu::hooks::FindRecord(id, record))
        return 0;
    if (flags)
        *flags = record.hFirst ? record.nCreateFlags : record.nDefaultFlags;
    if (data)
        *data = record.nDefaultData;
    if (function)
        *function = record.pfnDefault;
    return record.hFirst ? tu::hooks::MakeHookHandle(id, record.hFirst) : 0;
}

int WINAPI hookExit(unsigned id) {
    RegistryGuard guard(g_hookLock);
    HOOKIDREC record;
    if (!tu::hooks::IsManagedId(id) || !tu::hooks::FindRecord(id, record))
        return 0;
    DeleteInChain(&g_hookIDTable);
    return 1;
}

void hookInitRegistry() {
    ::InitializeCriticalSection(&g_hookLock);
    RegistryGuard guard(g_hookLock);
    std::memset(&g_hookIDTable, 0, sizeof g_hookIDTable);
    InitChain(&g_hookIDTable, sizeof(HOOKIDREC), 0, kIdTableSlots, kIdTableSlots);
    SetDefaultLocked(HOOKID_REGISTRY, reinterpret_cast<void*>(&hookRegistryProc), 0);
    std::memset(&g_hookHeap, 0, sizeof g_hookHeap);
    HeapMgInit(&g_hookHeap, HEAPMG_NOEMPTYSTR, kEntryHeapBytes, kEntryHeapBytes);
    ForgetEntries();
}

void hookTermRegistry() {
    RegistryGuard guard(g_hookLock);
    hookExit(HOOKID_REGISTRY);
    DeleteChain(&g_hookIDTable);
    HeapMgDelete(&g_hookHeap);
    ForgetEntries();
}
