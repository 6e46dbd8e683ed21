// The chain: fixed-size items side by side in one growable block, with a cursor.
#include "tuContainers.h"

#include "containers/ContainerAlloc.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

using tu::containers::CrtFree;
using tu::containers::CrtMalloc;
using tu::containers::CrtRealloc;

namespace {

constexpr UINT kHeaderBytes = 32; // eight 32-bit words before the items of a serialized chain

BYTE* ItemAt(const tagCHAIN* chain, UINT index) {
    return static_cast<BYTE*>(chain->pData) + static_cast<std::size_t>(index) * chain->nItemSize;
}

// The current item, or null when there is none that can be read: an empty chain, a count
// without storage (what failed copies leave), or a cursor beyond the items.
BYTE* CurrentItem(const tagCHAIN* chain) {
    if (!chain->pData || chain->nCurrent >= chain->nCount)
        return nullptr;
    return ItemAt(chain, chain->nCurrent);
}

bool HasReadableItems(const tagCHAIN* chain) {
    return chain->nCount > 0 && chain->pData;
}

// The byte size of slots items, false when it does not fit in 32 bits.
bool SlotBytes(std::uint64_t slots, UINT itemSize, std::size_t* bytes) {
    const std::uint64_t total = slots * itemSize;
    if (slots > UINT_MAX || total > UINT_MAX)
        return false;
    *bytes = static_cast<std::size_t>(total);
    return true;
}

// Blocks are at least one byte long, so that zero-size items still have storage and realloc
// never sees a size that would free the block.
std::size_t AtLeastOneByte(std::size_t bytes) {
    return bytes ? bytes : 1;
}

// Ensures a free slot after the last item. False when no room can be made; the chain is then
// exactly as it was (a failed growth keeps the old block, a failed first block leaves none).
bool MakeRoom(tagCHAIN* chain) {
    std::size_t bytes = 0;
    if (!chain->pData) {
        if (chain->nCount != 0 || chain->nInitAlloc == 0 ||
            !SlotBytes(chain->nInitAlloc, chain->nItemSize, &bytes))
            return false;
        void* block = CrtMalloc(AtLeastOneByte(bytes));
        if (!block)
            return false;
        chain->pData = block;
        chain->nAlloc = chain->nInitAlloc;
        return true;
    }
    if (chain->nCount < chain->nAlloc)
        return true;
    const std::uint64_t slots = std::uint64_t(chain->nAlloc) + chain->nGrowBy;
    if (slots <= chain->nCount || !SlotBytes(slots, chain->nItemSize, &bytes))
        return false;
    void* block = CrtRealloc(chain->pData, AtLeastOneByte(bytes));
    if (!block)
        return false;
    chain->pData = block;
    chain->nAlloc = static_cast<UINT>(slots);
    return true;
}

// Copies item into slot (0 to the count), moving the items from that slot on up by one.
// The item may lie among the chain's own items: it is found again after the block has moved
// and the items have shifted.
int InsertAt(tagCHAIN* chain, UINT slot, const void* item) {
    const std::size_t size = chain->nItemSize;
    const auto blockStart = reinterpret_cast<std::uintptr_t>(chain->pData);
    const auto itemStart = reinterpret_cast<std::uintptr_t>(item);
    const std::uintptr_t offset = itemStart - blockStart;
    const bool inside = chain->pData && itemStart >= blockStart &&
                        offset + size <= std::uint64_t(chain->nCount) * size;
    if (!MakeRoom(chain))
        return 0;
    BYTE* target = ItemAt(chain, slot);
    std::memmove(target + size, target, (chain->nCount - slot) * size);
    if (inside)
        item = ItemAt(chain, 0) + offset + (offset >= slot * size ? size : 0);
    std::memmove(target, item, size);
    ++chain->nCount;
    return 1;
}

// Puts the cursor on index, or on the last item when fewer remain (0 when none do).
void SetCursorAtMost(tagCHAIN* chain, UINT index) {
    chain->nCurrent = chain->nCount ? std::min(index, chain->nCount - 1) : 0;
}

void PutWord(BYTE* at, UINT value) {
    std::memcpy(at, &value, sizeof value); // the processor is little-endian, as is the format
}

UINT GetWord(const BYTE* at) {
    UINT value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

void WINAPI InitChain(tagCHAIN* chain, UINT itemSize, UINT user, UINT initAlloc, UINT growBy) {
    *chain = tagCHAIN{nullptr, 0, 0, 0, itemSize, user, initAlloc, growBy};
}

int WINAPI IsEmptyChain(const tagCHAIN* chain) {
    return chain->nCount == 0;
}

UINT WINAPI LengthOfChain(const tagCHAIN* chain) {
    return chain->nCount;
}

UINT WINAPI IndexOfChain(const tagCHAIN* chain) {
    return chain->nCount ? chain->nCurrent + 1 : 1;
}

int WINAPI StartOfChain(tagCHAIN* chain) {
    if (chain->nCount == 0)
        return 0;
    chain->nCurrent = 0;
    return 1;
}

int WINAPI EndOfChain(tagCHAIN* chain) {
    if (chain->nCount == 0)
        return 0;
    chain->nCurrent = chain->nCount - 1;
    return 1;
}

int WINAPI NextOfChain(tagCHAIN* chain) {
    if (chain->nCurrent + std::uint64_t(1) >= chain->nCount)
        return 0;
    ++chain->nCurrent;
    return 1;
}

int WINAPI PreviousOfChain(tagCHAIN* chain) {
    if (chain->nCount == 0 || chain->nCurrent == 0)
        return 0;
    --chain->nCurrent;
    return 1;
}

int WINAPI NthOfChain(UINT n, tagCHAIN* chain) {
    if (n == 0 || n > chain->nCount)
        return 0;
    chain->nCurrent = n - 1;
    return 1;
}

int WINAPI ContentOfChain(const tagCHAIN* chain, void* out) {
    const BYTE* item = CurrentItem(chain);
    if (!item)
        return 0;
    std::memcpy(out, item, chain->nItemSize);
    return 1;
}

int WINAPI ContentOfNthOfChain(UINT n, tagCHAIN* chain, void* out) {
    return NthOfChain(n, chain) && ContentOfChain(chain, out);
}

int WINAPI SetContentOfChain(tagCHAIN* chain, const void* item) {
    if (chain->nCount == 0)
        return InsertInChain(item, chain);
    BYTE* current = CurrentItem(chain);
    if (!current)
        return 0;
    std::memmove(current, item, chain->nItemSize);
    return 1;
}

int WINAPI SetContentOfNthOfChain(UINT n, tagCHAIN* chain, const void* item) {
    return NthOfChain(n, chain) && SetContentOfChain(chain, item);
}

int WINAPI AppendToChain(const void* item, tagCHAIN* chain) {
    const bool hadItems = chain->nCount > 0;
    if (!InsertAt(chain, chain->nCount, item))
        return 0;
    if (hadItems)
        chain->nCurrent = chain->nCount - 1;
    return 1;
}

int WINAPI InsertInChain(const void* item, tagCHAIN* chain) {
    if (chain->nCount == 0)
        return InsertAt(chain, 0, item); // the cursor stays where it was
    if (chain->nCurrent >= chain->nCount)
        return 0;
    return InsertAt(chain, chain->nCurrent, item);
}

int WINAPI InsertInNthOfChain(UINT n, const void* item, tagCHAIN* chain) {
    if (NthOfChain(n, chain))
        return InsertInChain(item, chain);
    return AppendToChain(item, chain);
}

void WINAPI DeleteInChain(tagCHAIN* chain) {
    BYTE* current = CurrentItem(chain);
    if (!current)
        return;
    const UINT count = chain->nCount;
    const UINT cursor = chain->nCurrent;
    if (count == 1) {
        DeleteChain(chain);
        return;
    }
    chain->nCount = count - 1;
    if (cursor < count - 1)
        std::memmove(current, current + chain->nItemSize,
                     std::size_t(count - 1 - cursor) * chain->nItemSize);
    else
        chain->nCurrent = cursor - 1;
}

void WINAPI DeleteChain(tagCHAIN* chain) {
    CrtFree(chain->pData);
    chain->pData = nullptr;
    chain->nCurrent = 0;
    chain->nCount = 0;
    chain->nAlloc = 0;
}

int WINAPI CopyChain(const tagCHAIN* source, tagCHAIN* destination) {
    const tagCHAIN original = *source; // source and destination may be one record
    *destination = original;
    destination->pData = nullptr;
    if (original.nCount == 0) {
        destination->nAlloc = 0;
        return 1;
    }
    std::size_t bytes = 0;
    if (!original.pData || !SlotBytes(original.nCount, original.nItemSize, &bytes))
        return 0;
    void* block = CrtMalloc(AtLeastOneByte(bytes));
    if (!block)
        return 0;
    std::memcpy(block, original.pData, bytes);
    destination->pData = block;
    destination->nAlloc = original.nCount;
    return 1;
}

int WINAPI Chain2Buffer(const tagCHAIN* chain, UINT* size, void* buffer, UINT bufferSize) {
    const std::uint64_t itemBytes = std::uint64_t(chain->nCount) * chain->nItemSize;
    const std::uint64_t needed = kHeaderBytes + itemBytes;
    if (needed > bufferSize || (itemBytes && !chain->pData))
        return 0;
    auto* out = static_cast<BYTE*>(buffer);
    const UINT header[8] = {0,
                            chain->nCurrent,
                            chain->nCount,
                            chain->nCount,
                            chain->nItemSize,
                            chain->nUser,
                            chain->nInitAlloc,
                            chain->nGrowBy};
    for (int i = 0; i < 8; ++i)
        PutWord(out + 4 * i, header[i]);
    if (itemBytes)
        std::memcpy(out + kHeaderBytes, chain->pData, static_cast<std::size_t>(itemBytes));
    if (size)
        *size = static_cast<UINT>(needed);
    return 1;
}

int WINAPI Buffer2Chain(const void* buffer, UINT bufferSize, tagCHAIN* chain, UINT* used) {
    if (used)
        *used = 0;
    if (bufferSize < kHeaderBytes)
        return 0;
    const auto* in = static_cast<const BYTE*>(buffer);
    const UINT count = GetWord(in + 8);
    *chain = tagCHAIN{nullptr,          GetWord(in + 4),  count,           count, GetWord(in + 16),
                      GetWord(in + 20), GetWord(in + 24), GetWord(in + 28)};
    if (used)
        *used = kHeaderBytes;
    // A cursor that names no item would let later reads leave the block: refuse the header.
    if (chain->nCurrent >= std::max(count, 1u)) {
        chain->nCurrent = 0;
        return 0;
    }
    if (count == 0)
        return 1;
    // Computed in 64 bits: a count times item size that wraps in 32 bits must not pass.
    const std::uint64_t itemBytes = std::uint64_t(count) * chain->nItemSize;
    if (itemBytes > bufferSize - kHeaderBytes)
        return 0;
    if (used)
        *used = static_cast<UINT>(kHeaderBytes + itemBytes);
    void* block = CrtMalloc(AtLeastOneByte(static_cast<std::size_t>(itemBytes)));
    if (!block)
        return 0;
    std::memcpy(block, in + kHeaderBytes, static_cast<std::size_t>(itemBytes));
    chain->pData = block;
    return 1;
}

int WINAPI SearchInChain(const void* key, tagCHAIN* chain, PFNCHAINCOMPARE compare) {
    if (chain->nCount == 0)
        return 1;
    if (!chain->pData)
        return 2;
    // Each probe lies half-way between the last probe and the far end of what remains.
    UINT lo = 0;
    UINT hi = chain->nCount - 1;
    UINT probe = hi / 2;
    chain->nCurrent = probe;
    int r = compare(key, ItemAt(chain, probe));
    while (r != 0 && r != 2) {
        if (r > 0) {
            if (probe == hi)
                break;
            lo = probe + 1;
            probe += std::max((hi - probe) / 2, 1u);
        } else {
            if (probe == lo)
                break;
            hi = probe - 1;
            probe -= std::max((probe - lo) / 2, 1u);
        }
        chain->nCurrent = probe;
        r = compare(key, ItemAt(chain, probe));
    }
    return r;
}

int WINAPI InsertInSortedChain(const void* item, tagCHAIN* chain, PFNCHAINCOMPARE compare,
                               int unique, const void* key) {
    const int r = SearchInChain(key ? key : item, chain, compare);
    if (r == 2)
        return 2;
    if (r == 0 && unique)
        return 3;
    int inserted;
    if (r <= 0) {
        inserted = InsertInChain(item, chain); // right before the probed item
    } else if (chain->nCurrent + std::uint64_t(1) >= chain->nCount) {
        inserted = AppendToChain(item, chain);
    } else {
        ++chain->nCurrent; // right after the probed item
        inserted = InsertInChain(item, chain);
    }
    return inserted ? r : 2;
}

int WINAPI DoChain(tagCHAIN* chain, PFNCHAINVISIT visit, void* user) {
    if (!HasReadableItems(chain))
        return 1;
    const UINT count = chain->nCount;
    UINT stop = count;
    int result = 1;
    // A visit that removes items breaks the rules; the walk still never leaves the items.
    for (UINT i = 0; i < count && i < chain->nCount; ++i) {
        if (!visit(ItemAt(chain, i), i + 1, user)) {
            stop = i;
            result = 0;
            break;
        }
    }
    SetCursorAtMost(chain, stop);
    return result;
}

int WINAPI DoChainSpecial(tagCHAIN* chain, PFNCHAINVISIT visit, void* user) {
    if (!HasReadableItems(chain))
        return 1;
    UINT i = 0;
    int result = 1;
    // The count is read again before every visit: a visit may remove the item it was given.
    while (i < chain->nCount) {
        if (visit(ItemAt(chain, i), i + 1, user))
            ++i;
        else
            result = 0;
    }
    SetCursorAtMost(chain, i);
    return result;
}

int WINAPI DoChainRev(tagCHAIN* chain, PFNCHAINVISIT visit, void* user) {
    if (!HasReadableItems(chain))
        return 1;
    for (UINT i = chain->nCount; i-- > 0;) {
        // Items before i keep their places whatever a visit removes at or after it.
        if (i < chain->nCount && !visit(ItemAt(chain, i), i + 1, user)) {
            SetCursorAtMost(chain, i);
            return 0;
        }
    }
    SetCursorAtMost(chain, UINT_MAX);
    return 1;
}
