// Containers: the chain (fixed-size items side by side in one growable block, with a cursor)
// and the heap manager (variable-size items in one block, named by their byte offset).
// Threads: any thread, unlocked by design: the caller serializes all use of one record.
#pragma once

#include "tuExport.h"

#include <windows.h>

// ---------------------------------------------------------------------------------------------
// Chain
//
// The caller owns the record and passes its address (never null). Items go in and come out as
// byte copies of nItemSize bytes; item i sits at pData + i * nItemSize. Positions given to the
// functions are 1-based (1 to the count); the cursor field itself is 0-based. Storage comes from
// the C run-time heap, is allocated at the first insertion, grows by nGrowBy slots, never
// shrinks, and is released by DeleteChain or when DeleteInChain removes the last item.
//
// A chain that holds a count but no storage (what a failed CopyChain or Buffer2Chain leaves)
// offers no items: reads, insertions, removals and traversals fail or do nothing on it, a
// search returns 2; DeleteChain makes it an empty chain again.
//
// An item given by address to an insertion may lie inside the chain's own block: it is read
// from where it is after the block has grown and the items have moved.
// ---------------------------------------------------------------------------------------------

// A chain: the caller's record of its items, cursor and settings.
struct tagCHAIN {
    void* pData;     // the item block; null while the chain holds no storage
    UINT nCurrent;   // the cursor: 0-based index of the current item
    UINT nCount;     // number of items
    UINT nAlloc;     // item slots the block has room for
    UINT nItemSize;  // bytes per item
    UINT nUser;      // the caller's value: stored, copied and serialized, never interpreted
    UINT nInitAlloc; // slots of the first allocation (at least 1)
    UINT nGrowBy;    // slots added when the block is full (at least 1)
};

// Orders key against item (item points into the chain): negative when the key goes before it,
// 0 when equal, positive when after; exactly 2 aborts the search, so "after" is usually 1.
typedef int(__cdecl* PFNCHAINCOMPARE)(const void* key, const void* item);

// Visits the item at 1-based position index (item points into the block and may be changed in
// place); nonzero goes on, 0 stops (DoChain, DoChainRev) or revisits position index
// (DoChainSpecial).
typedef int(__cdecl* PFNCHAINVISIT)(void* item, UINT index, void* user);

// Makes the record an empty chain without storage holding the given settings. Storage the
// record held before is not released.
TARNUTIL_API void WINAPI InitChain(tagCHAIN* chain, UINT itemSize, UINT user, UINT initAlloc,
                                   UINT growBy);

// 1 when the chain has no items, else 0.
TARNUTIL_API int WINAPI IsEmptyChain(const tagCHAIN* chain);

// The number of items.
TARNUTIL_API UINT WINAPI LengthOfChain(const tagCHAIN* chain);

// The cursor's 1-based position; 1 on an empty chain.
TARNUTIL_API UINT WINAPI IndexOfChain(const tagCHAIN* chain);

// Puts the cursor on the first item: 1, or 0 on an empty chain.
TARNUTIL_API int WINAPI StartOfChain(tagCHAIN* chain);

// Puts the cursor on the last item: 1, or 0 on an empty chain.
TARNUTIL_API int WINAPI EndOfChain(tagCHAIN* chain);

// Moves the cursor one item on: 1, or 0 (cursor unchanged) when it is on the last item.
TARNUTIL_API int WINAPI NextOfChain(tagCHAIN* chain);

// Moves the cursor one item back: 1, or 0 (cursor unchanged) when it is on the first item.
TARNUTIL_API int WINAPI PreviousOfChain(tagCHAIN* chain);

// Puts the cursor on 1-based position n: 1, or 0 (cursor unchanged) when n names no item.
TARNUTIL_API int WINAPI NthOfChain(UINT n, tagCHAIN* chain);

// Copies the current item to out (nItemSize bytes): 1, or 0 on an empty chain.
TARNUTIL_API int WINAPI ContentOfChain(const tagCHAIN* chain, void* out);

// Puts the cursor on position n and copies that item to out: 1, or 0 when n names no item.
TARNUTIL_API int WINAPI ContentOfNthOfChain(UINT n, tagCHAIN* chain, void* out);

// Overwrites the current item: 1. On an empty chain it inserts the item instead and returns
// what InsertInChain returns.
TARNUTIL_API int WINAPI SetContentOfChain(tagCHAIN* chain, const void* item);

// Puts the cursor on position n and overwrites that item: 1, or 0 when n names no item.
TARNUTIL_API int WINAPI SetContentOfNthOfChain(UINT n, tagCHAIN* chain, const void* item);

// Adds the item after the last one: 1, or 0 when room cannot be made (chain unchanged). The
// cursor moves to the new item unless the chain was empty (then it stays where it was).
TARNUTIL_API int WINAPI AppendToChain(const void* item, tagCHAIN* chain);

// Inserts the item at the cursor, moving the items from the cursor on up one slot, so that the
// cursor names the new item: 1, or 0 when room cannot be made (chain unchanged).
TARNUTIL_API int WINAPI InsertInChain(const void* item, tagCHAIN* chain);

// Inserts the item so that it becomes the n-th, cursor on it; when n names no item (0, beyond
// the count, empty chain) appends it instead. Result as InsertInChain / AppendToChain.
TARNUTIL_API int WINAPI InsertInNthOfChain(UINT n, const void* item, tagCHAIN* chain);

// Removes the current item. The cursor stays on the item that followed, or moves back to the
// new last item; removing the only item releases the storage.
TARNUTIL_API void WINAPI DeleteInChain(tagCHAIN* chain);

// Releases the storage and empties the chain; the settings stay, so it can be used again.
TARNUTIL_API void WINAPI DeleteChain(tagCHAIN* chain);

// Makes destination a copy of source (all fields) with a block of its own of exactly nCount
// slots: 1, or 0 when that block cannot be allocated (destination then carries the source's
// fields without storage; DeleteChain repairs it). The destination's earlier storage is not
// released; the destination owns its new block.
TARNUTIL_API int WINAPI CopyChain(const tagCHAIN* source, tagCHAIN* destination);

// Writes the serialized chain (32-byte little-endian header, then the items) to buffer and its
// length to *size: 1. When bufferSize is below 32 + nCount * nItemSize: 0, nothing written and
// *size untouched.
TARNUTIL_API int WINAPI Chain2Buffer(const tagCHAIN* chain, UINT* size, void* buffer,
                                     UINT bufferSize);

// Reads a serialized chain into the record, which receives a block of its own, and reports the
// bytes consumed in *used: 1. Never reads beyond bufferSize bytes. 0 when the buffer is shorter
// than 32 bytes (record untouched, *used 0); when it is shorter than the items its header
// announces, the header's cursor names no item, or the block cannot be allocated (*used 32,
// the record carries the header's fields without storage; DeleteChain repairs it).
TARNUTIL_API int WINAPI Buffer2Chain(const void* buffer, UINT bufferSize, tagCHAIN* chain,
                                     UINT* used);

// Binary search for key in a chain ordered by compare; the cursor is left on the last item
// probed. 0: the cursor names an equal item; negative: the key belongs before the cursor's
// item; positive other than 2: after it; 2: the compare function aborted, or the chain has a
// count but no storage. An empty chain gives 1 and keeps its cursor.
TARNUTIL_API int WINAPI SearchInChain(const void* key, tagCHAIN* chain, PFNCHAINCOMPARE compare);

// Inserts the item in order, searching with key (or with the item itself when key is null);
// the cursor ends on the new item. Returns the search's result on success (0 when an equal
// item was found; the new item then goes right before it), 3 when unique is set and an equal
// item exists (nothing inserted, cursor on that item), 2 when the search was aborted or the
// insertion failed.
TARNUTIL_API int WINAPI InsertInSortedChain(const void* item, tagCHAIN* chain,
                                            PFNCHAINCOMPARE compare, int unique, const void* key);

// Visits the items first to last until a visit returns 0: 1 when none did, else 0. The cursor
// ends on the item whose visit returned 0, or on the last item. Visits must not add or remove.
TARNUTIL_API int WINAPI DoChain(tagCHAIN* chain, PFNCHAINVISIT visit, void* user);

// Visits the items first to last; a visit returning 0 makes the result 0 and is followed by a
// visit of whatever item then stands at the same position, so a visit may remove the item
// handed to it (NthOfChain + DeleteInChain) and return 0. Visits must not insert. The cursor
// ends on the position reached, at most the last item.
TARNUTIL_API int WINAPI DoChainSpecial(tagCHAIN* chain, PFNCHAINVISIT visit, void* user);

// Visits the items last to first until a visit returns 0: 1 when none did (cursor on the last
// item), else 0 (cursor on the item whose visit returned 0). A visit may remove the item
// handed to it or items after it.
TARNUTIL_API int WINAPI DoChainRev(tagCHAIN* chain, PFNCHAINVISIT visit, void* user);

// ---------------------------------------------------------------------------------------------
// Heap manager
//
// Many small items (wide strings in particular) in one growable byte block, each named by its
// handle: its byte offset in the block. Handles stay valid when the block grows and moves;
// pointers from HeapMgPointer / HeapMgStrPtr are valid only until the next insertion. Offset 0
// is reserved (handle 0 means no item), items are not aligned: read and write fields of stored
// items with memcpy. The heap does not record item sizes: whoever deletes an item gives its
// size again. Free space is an address-ordered chain of FREEBLOCK values. Growth stops at
// nMaxSize (57344) bytes, so handles of a heap whose first size is below that fit in 16 bits.
// ---------------------------------------------------------------------------------------------

// With this flag handle 0 yields a null pointer, without it the library's static empty string.
constexpr UINT HEAPMG_NOEMPTYSTR = 0x0008;

// A free range of the heap block.
struct FREEBLOCK {
    UINT nOffset; // first byte of the range
    UINT nSize;   // length in bytes
};

// A heap: the caller's record of its block, free space and settings.
struct tagHEAPMG {
    UINT nUser;        // the caller's value: copied, never interpreted
    void* pHeap;       // the heap block; null while the heap holds no storage
    tagCHAIN freeList; // FREEBLOCK items, ascending, neither overlapping nor touching
    UINT nFlags;       // HEAPMG_NOEMPTYSTR or 0
    UINT nHeapSize;    // bytes in the block (0 without storage)
    UINT nInitSize;    // smallest size of the first block
    UINT nGrowBy;      // smallest number of bytes added when the block grows
    UINT nMaxSize;     // growth stops here: 57344
};

// Makes the record an empty heap without storage with the given flags, first size and growth
// step. Storage the record held before is not released.
TARNUTIL_API void WINAPI HeapMgInit(tagHEAPMG* heap, UINT flags, UINT initSize, UINT growBy);

// Stores size bytes copied from data (zeros when data is null) and writes the new item's
// handle to *handle: 1. A size of 0 stores nothing: *handle 0, result 1. 0 when the item is
// larger than 57344 bytes or finds no room (the heap stays usable and keeps its items; *handle
// untouched). data may point into the heap's own block.
TARNUTIL_API int WINAPI HeapMgInsertItem(const void* data, UINT size, tagHEAPMG* heap,
                                         UINT* handle);

// Stores the string with its terminator and writes its handle: as HeapMgInsertItem. An empty
// or null string stores nothing: *handle 0, result 1.
TARNUTIL_API int WINAPI HeapMgInsertStr(LPCWSTR string, tagHEAPMG* heap, UINT* handle);

// Returns the size bytes at handle to the free space, merging with touching free ranges: 1.
// Handle 0, a size of 0, or a range that is already free: 1, nothing changes. 0 when the range
// reaches beyond the block, covers the reserved bytes, partly overlaps free space, or the free
// list cannot grow; nothing changes then either.
TARNUTIL_API int WINAPI HeapMgDeleteItem(tagHEAPMG* heap, UINT handle, UINT size);

// Deletes the string at handle, measured up to its terminator: as HeapMgDeleteItem. Handle 0:
// 1. 0 when the handle lies beyond the block or no terminator follows it inside the block.
TARNUTIL_API int WINAPI HeapMgDeleteStr(tagHEAPMG* heap, UINT handle);

// The address of the item at handle inside the block (valid until the next insertion). Handle
// 0: null with HEAPMG_NOEMPTYSTR, else the library's static empty string. Null for a handle
// beyond the block or a heap without storage. Does not check that an item lives there.
TARNUTIL_API void* WINAPI HeapMgPointer(const tagHEAPMG* heap, UINT handle);

// HeapMgPointer as a wide string.
TARNUTIL_API LPCWSTR WINAPI HeapMgStrPtr(const tagHEAPMG* heap, UINT handle);

// Makes destination a deep copy of source in which every handle of the source names the same
// bytes: 1. 0 when storage cannot be allocated: every field of destination is then 0. The
// destination's earlier storage is not released.
TARNUTIL_API int WINAPI HeapMgCopy(const tagHEAPMG* source, tagHEAPMG* destination);

// Releases the block and the free list's storage: 1. Flags and sizes stay, so the heap can be
// used again without HeapMgInit.
TARNUTIL_API int WINAPI HeapMgDelete(tagHEAPMG* heap);
