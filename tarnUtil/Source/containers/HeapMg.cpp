// The heap manager: variable-size items in one growable block, named by their byte offset, with
// free space kept as an address-ordered chain of FREEBLOCK ranges.
#include "tuContainers.h"

#include "containers/ContainerAlloc.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using tu::containers::CrtFree;
using tu::containers::CrtMalloc;
using tu::containers::CrtRealloc;

namespace {

constexpr UINT kMaxHeapSize = 0xE000;   // growth stops here, so handles fit in 16 bits
constexpr UINT kReservedBytes = 2;      // offset 0 holds a 16-bit zero: handle 0 is no item
constexpr UINT kFreeListFirstSlots = 5; // the free list's first allocation and growth step
constexpr UINT kFreeListGrowBy = 11;

const wchar_t kEmptyString[1] = {0}; // what handle 0 yields without HEAPMG_NOEMPTYSTR

BYTE* HeapBytes(const tagHEAPMG* heap) {
    return static_cast<BYTE*>(heap->pHeap);
}

// The free list's ranges, read in place: the chain's block comes from malloc and its 8-byte
// items are therefore aligned.
FREEBLOCK* FreeBlocks(const tagHEAPMG* heap) {
    return static_cast<FREEBLOCK*>(heap->freeList.pData);
}

UINT FreeCount(const tagHEAPMG* heap) {
    return heap->freeList.pData ? heap->freeList.nCount : 0;
}

std::uint64_t EndOf(const FREEBLOCK& block) {
    return std::uint64_t(block.nOffset) + block.nSize;
}

// The index of the first free range of at least size bytes (size > 0); count when none is.
UINT FirstFit(const FREEBLOCK* blocks, UINT count, UINT size) {
    UINT i = 0;
#if defined(__SSE2__)
    // Four ranges at a time; sizes are biased so that a signed comparison orders them unsigned.
    const __m128i bias = _mm_set1_epi32(INT_MIN);
    const __m128i smaller = _mm_xor_si128(_mm_set1_epi32(static_cast<int>(size - 1)), bias);
    for (; i + 4 <= count; i += 4) {
        const __m128 low = _mm_loadu_ps(reinterpret_cast<const float*>(blocks + i));
        const __m128 high = _mm_loadu_ps(reinterpret_cast<const float*>(blocks + i + 2));
        const __m128i sizes = _mm_castps_si128(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
        const int fits =
            _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(_mm_xor_si128(sizes, bias), smaller)));
        if (fits)
            return i + static_cast<UINT>(__builtin_ctz(fits));
    }
#endif
    while (i < count && blocks[i].nSize < size)
        ++i;
    return i;
}

// Moves count ranges from `from` to `to` (the two may overlap), copying in the direction that
// keeps the source intact. Done here rather than by the runtime's memmove, whose call and
// generic alignment handling cost more than these short moves of 8-byte records.
void MoveRanges(FREEBLOCK* to, const FREEBLOCK* from, UINT count) {
#if defined(__SSE2__)
    // Two ranges per step, each read before it is written: overlap is safe because the steps run
    // from the destination's side.
    auto move = [&](UINT k) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + k),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k)));
    };
    if (to < from) {
        UINT k = 0;
        for (; k + 2 <= count; k += 2)
            move(k);
        if (k < count)
            to[k] = from[k];
    } else {
        UINT k = count;
        for (; k >= 2; k -= 2)
            move(k - 2);
        if (k)
            to[0] = from[0];
    }
#else
    std::memmove(to, from, count * sizeof(FREEBLOCK));
#endif
}

// Removes the free range at index i; the cursor stays on the range after it (on the last one
// when i was the last), as DeleteInChain leaves it.
void RemoveRange(tagHEAPMG* heap, UINT i) {
    tagCHAIN* list = &heap->freeList;
    const UINT count = FreeCount(heap);
    if (count == 1) {
        DeleteChain(list);
        return;
    }
    FREEBLOCK* blocks = FreeBlocks(heap);
    MoveRanges(blocks + i, blocks + i + 1, count - 1 - i);
    list->nCount = count - 1;
    list->nCurrent = i < count - 1 ? i : i - 1;
}

// Inserts the range at index i (at most the count), the cursor left on it. The chain makes the
// room (growing as it does for any insertion); false leaves the free list as it was.
bool InsertRange(tagHEAPMG* heap, UINT i, const FREEBLOCK& range) {
    tagCHAIN* list = &heap->freeList;
    const UINT count = FreeCount(heap);
    if (i == count)
        return AppendToChain(&range, list) != 0;
    if (!AppendToChain(&range, list))
        return false;
    FREEBLOCK* blocks = FreeBlocks(heap);
    MoveRanges(blocks + i + 1, blocks + i, count - i);
    blocks[i] = range;
    list->nCurrent = i;
    return true;
}

// Copies the pieces of PieceSize bytes at the offsets, reading all of them before writing any.
template <std::size_t PieceSize, std::size_t N>
void CopyPieces(BYTE* to, const BYTE* from, const std::array<UINT, N>& offsets) {
    BYTE pieces[N][PieceSize];
    for (std::size_t k = 0; k < N; ++k)
        std::memcpy(pieces[k], from + offsets[k], PieceSize);
    for (std::size_t k = 0; k < N; ++k)
        std::memcpy(to + offsets[k], pieces[k], PieceSize);
}

// Copies size bytes as memmove does. Items of 8 to 64 bytes, the common kind, are copied here in
// pieces that overlap in the middle, without the runtime call that would cost more than the copy.
void CopyItem(BYTE* to, const BYTE* from, UINT size) {
    if (size >= 8 && size <= 16)
        CopyPieces<8>(to, from, std::array<UINT, 2>{0, size - 8});
    else if (size > 16 && size <= 32)
        CopyPieces<16>(to, from, std::array<UINT, 2>{0, size - 16});
    else if (size > 32 && size <= 64)
        CopyPieces<16>(to, from, std::array<UINT, 4>{0, 16, size - 32, size - 16});
    else
        std::memmove(to, from, size);
}

// Takes size bytes from the low end of the first free range that is large enough (first fit),
// fills them from data (zeros when data is null) and writes their handle. False when no free
// range is large enough. The free list's cursor is left on the range used.
bool TakeFirstFit(tagHEAPMG* heap, const void* data, UINT size, UINT* handle) {
    FREEBLOCK* blocks = FreeBlocks(heap);
    const UINT count = FreeCount(heap);
    const UINT i = FirstFit(blocks, count, size);
    if (i == count)
        return false;
    FREEBLOCK& block = blocks[i];
    const UINT offset = block.nOffset;
    BYTE* target = HeapBytes(heap) + offset;
    if (data)
        CopyItem(target, static_cast<const BYTE*>(data), size);
    else
        std::memset(target, 0, size);
    heap->freeList.nCurrent = i;
    if (block.nSize == size) {
        RemoveRange(heap, i);
    } else {
        block.nOffset += size;
        block.nSize -= size;
    }
    *handle = offset;
    return true;
}

// Creates the first block, large enough for an item of size bytes after the reserved bytes,
// with everything but the reserved bytes free. False leaves the heap without storage.
bool CreateBlock(tagHEAPMG* heap, UINT size) {
    const std::uint64_t first =
        std::max<std::uint64_t>(std::uint64_t(size) + kReservedBytes, heap->nInitSize);
    if (first > UINT_MAX)
        return false;
    auto* block = static_cast<BYTE*>(CrtMalloc(static_cast<std::size_t>(first)));
    if (!block)
        return false;
    block[0] = block[1] = 0;
    const FREEBLOCK all = {kReservedBytes, static_cast<UINT>(first) - kReservedBytes};
    if (!InsertInChain(&all, &heap->freeList)) {
        CrtFree(block);
        return false;
    }
    heap->pHeap = block;
    heap->nHeapSize = static_cast<UINT>(first);
    return true;
}

// Adds the range [start, start + added) at the end of the block to the free list, lengthening
// the last free range when it ends there.
bool RecordAddedRange(tagHEAPMG* heap, UINT start, UINT added) {
    const FREEBLOCK range = {start, added};
    const UINT count = FreeCount(heap);
    if (count == 0)
        return InsertInChain(&range, &heap->freeList);
    FREEBLOCK& last = FreeBlocks(heap)[count - 1];
    if (EndOf(last) == start) {
        last.nSize += added;
        return true;
    }
    return AppendToChain(&range, &heap->freeList);
}

// Grows the block for an item of size bytes: by the larger of size and nGrowBy, but not beyond
// nMaxSize. False when it cannot grow; the heap then keeps its block, size and free list.
bool Grow(tagHEAPMG* heap, UINT size) {
    const UINT oldSize = heap->nHeapSize;
    const std::uint64_t wanted = std::uint64_t(oldSize) + std::max(size, heap->nGrowBy);
    const UINT newSize = static_cast<UINT>(
        std::max<std::uint64_t>(std::min<std::uint64_t>(wanted, heap->nMaxSize), oldSize));
    if (newSize == oldSize)
        return false; // at the upper bound
    void* block = CrtRealloc(heap->pHeap, newSize);
    if (!block)
        return false;
    heap->pHeap = block;
    if (!RecordAddedRange(heap, oldSize, newSize - oldSize))
        return false; // the bytes past nHeapSize stay unused until the next growth
    heap->nHeapSize = newSize;
    return true;
}

// Where data lies inside the used block, so that it can be found again after the block moves.
bool OffsetInBlock(const tagHEAPMG* heap, const void* data, UINT size, UINT* offset) {
    if (!heap->pHeap || !data)
        return false;
    const auto start = reinterpret_cast<std::uintptr_t>(heap->pHeap);
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    if (at < start || at - start + size > heap->nHeapSize)
        return false;
    *offset = static_cast<UINT>(at - start);
    return true;
}

// The index of the first free range that starts at or after offset, count when none does
// (count > 0). A binary search whose steps choose by a conditional move rather than a branch,
// which the processor could not predict.
UINT FirstFromOffset(const FREEBLOCK* blocks, UINT count, UINT offset) {
    const FREEBLOCK* base = blocks;
    for (UINT n = count; n > 1;) {
        const UINT half = n / 2;
        base = base[half].nOffset < offset ? base + half : base;
        n -= half;
    }
    return static_cast<UINT>(base - blocks) + (base->nOffset < offset);
}

// Returns [handle, handle + size), a range inside the block past the reserved bytes, to the
// free list, merging it with the free ranges it touches. A range that lies inside a free range
// is already free (1); one that partly overlaps free space is refused (0), so the free list
// never holds overlapping ranges and no byte is ever handed out twice.
int ReleaseRange(tagHEAPMG* heap, UINT handle, UINT size) {
    tagCHAIN* list = &heap->freeList;
    const FREEBLOCK range = {handle, size};
    const std::uint64_t end = std::uint64_t(handle) + size;
    const UINT count = FreeCount(heap);
    if (count == 0)
        return InsertInChain(&range, list);

    FREEBLOCK* blocks = FreeBlocks(heap);
    const UINT next = FirstFromOffset(blocks, count, handle);
    FREEBLOCK* previous = next > 0 ? &blocks[next - 1] : nullptr;
    if (previous && EndOf(*previous) >= end)
        return 1; // inside the free range before it
    if (next < count && blocks[next].nOffset == handle && size <= blocks[next].nSize)
        return 1; // at the start of a free range
    if ((previous && EndOf(*previous) > handle) || (next < count && end > blocks[next].nOffset))
        return 0;

    const bool joinsPrevious = previous && EndOf(*previous) == handle;
    const bool joinsNext = next < count && end == blocks[next].nOffset;
    if (joinsPrevious && joinsNext) {
        previous->nSize += size + blocks[next].nSize;
        RemoveRange(heap, next); // the following range is now part of previous
        return 1;
    }
    if (joinsPrevious) {
        previous->nSize += size;
        return 1;
    }
    if (joinsNext) {
        blocks[next].nOffset = handle;
        blocks[next].nSize += size;
        return 1;
    }
    return InsertRange(heap, next, range);
}

// The length in characters of the string at handle, false when no terminator follows it
// inside the block. Read unit by unit: strings may sit at odd offsets.
bool StringLengthInBlock(const tagHEAPMG* heap, UINT handle, UINT* length) {
    const BYTE* text = HeapBytes(heap) + handle;
    const UINT units = (heap->nHeapSize - handle) / sizeof(wchar_t);
    for (UINT n = 0; n < units; ++n) {
        wchar_t unit;
        std::memcpy(&unit, text + n * sizeof(wchar_t), sizeof unit);
        if (unit == 0) {
            *length = n;
            return true;
        }
    }
    return false;
}

} // namespace

void WINAPI HeapMgInit(tagHEAPMG* heap, UINT flags, UINT initSize, UINT growBy) {
    *heap = tagHEAPMG{};
    heap->nFlags = flags;
    heap->nInitSize = initSize;
    heap->nGrowBy = growBy;
    heap->nMaxSize = kMaxHeapSize;
    InitChain(&heap->freeList, sizeof(FREEBLOCK), 0, kFreeListFirstSlots, kFreeListGrowBy);
}

int WINAPI HeapMgInsertItem(const void* data, UINT size, tagHEAPMG* heap, UINT* handle) {
    if (size > heap->nMaxSize)
        return 0;
    if (size == 0) {
        *handle = 0;
        return 1;
    }
    UINT dataOffset = 0;
    const bool dataInBlock = OffsetInBlock(heap, data, size, &dataOffset);
    if (!heap->pHeap && !CreateBlock(heap, size))
        return 0;
    if (TakeFirstFit(heap, data, size, handle))
        return 1;
    if (!Grow(heap, size))
        return 0;
    if (dataInBlock)
        data = HeapBytes(heap) + dataOffset; // the block may have moved
    return TakeFirstFit(heap, data, size, handle);
}

int WINAPI HeapMgInsertStr(LPCWSTR string, tagHEAPMG* heap, UINT* handle) {
    const int length = ::lstrlenW(string); // 0 for a null pointer
    if (length <= 0) {
        *handle = 0;
        return 1;
    }
    const std::uint64_t bytes = (std::uint64_t(length) + 1) * sizeof(wchar_t);
    if (bytes > heap->nMaxSize)
        return 0;
    return HeapMgInsertItem(string, static_cast<UINT>(bytes), heap, handle);
}

int WINAPI HeapMgDeleteItem(tagHEAPMG* heap, UINT handle, UINT size) {
    if (handle == 0)
        return 1;
    if (std::uint64_t(handle) + size > heap->nHeapSize)
        return 0;
    if (size == 0)
        return 1;
    if (handle < kReservedBytes)
        return 0;
    return ReleaseRange(heap, handle, size);
}

int WINAPI HeapMgDeleteStr(tagHEAPMG* heap, UINT handle) {
    if (handle == 0)
        return 1;
    UINT length = 0;
    if (handle > heap->nHeapSize || !heap->pHeap || !StringLengthInBlock(heap, handle, &length))
        return 0;
    return HeapMgDeleteItem(heap, handle, (length + 1) * sizeof(wchar_t));
}

void* WINAPI HeapMgPointer(const tagHEAPMG* heap, UINT handle) {
    if (handle == 0)
        return (heap->nFlags & HEAPMG_NOEMPTYSTR) ? nullptr : const_cast<wchar_t*>(kEmptyString);
    if (handle > heap->nHeapSize || !heap->pHeap)
        return nullptr;
    return HeapBytes(heap) + handle;
}

LPCWSTR WINAPI HeapMgStrPtr(const tagHEAPMG* heap, UINT handle) {
    return static_cast<LPCWSTR>(HeapMgPointer(heap, handle));
}

int WINAPI HeapMgCopy(const tagHEAPMG* source, tagHEAPMG* destination) {
    const tagHEAPMG original = *source; // source and destination may be one record
    *destination = original;
    if (!CopyChain(&original.freeList, &destination->freeList)) {
        *destination = tagHEAPMG{};
        return 0;
    }
    destination->pHeap = nullptr;
    if (original.nHeapSize == 0)
        return 1;
    void* block = original.pHeap ? CrtMalloc(original.nHeapSize) : nullptr;
    if (!block) {
        DeleteChain(&destination->freeList);
        *destination = tagHEAPMG{};
        return 0;
    }
    std::memcpy(block, original.pHeap, original.nHeapSize);
    destination->pHeap = block;
    return 1;
}

int WINAPI HeapMgDelete(tagHEAPMG* heap) {
    DeleteChain(&heap->freeList);
    CrtFree(heap->pHeap);
    heap->pHeap = nullptr;
    heap->nHeapSize = 0;
    return 1;
}
