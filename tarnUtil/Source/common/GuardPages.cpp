// The guard-page heap of the checked build. One large address range is reserved up front; a
// block takes whole pages followed by one never-committed page, and ends exactly at that page.
// Freed blocks are protected and kept in a quarantine ring; when they leave it, spans of a few
// pages are reused for blocks of the same page count and larger spans are decommitted.
#include "common/GuardPages.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tu::guard {
namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kRegionBytes = std::size_t{8} << 30;
constexpr std::uint32_t kRegionPages = kRegionBytes / kPage;
// Blocks larger than this come from the C runtime (and are not checked).
constexpr std::size_t kLargestBlock = std::size_t{256} << 20;
// Spans of up to this many data pages are kept for reuse; larger ones are decommitted.
constexpr std::uint32_t kReusedPages = 64;
constexpr std::size_t kQuarantineBlocks = 2048;
constexpr std::size_t kQuarantineBytes = std::size_t{64} << 20;
constexpr unsigned char kFill = 0xCB;
constexpr unsigned char kSlack = 0xFB;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

enum class State : std::uint32_t { Unused, Live, Quarantined, Spare, Abandoned };

// What the heap knows of the span that starts at a page (indexed by page number in the range).
struct Span {
    std::uint32_t bytes;
    std::uint32_t pages; // data pages, without the guard page
    std::uint32_t next;  // next spare span of the same page count
    State state;
};

struct Heap {
    char* base;
    Span* spans;
    std::uint32_t nextPage; // first page never handed out
    std::uint32_t spare[kReusedPages + 1];
    std::uint32_t ring[kQuarantineBlocks];
    std::size_t ringStart, ringCount, ringBytes;
    bool failed;
};

// Guards all of g_heap; held only around the heap's own bookkeeping and the page calls.
SRWLOCK g_heapLock = SRWLOCK_INIT;
Heap g_heap;

class HeapLock {
public:
    HeapLock() { ::AcquireSRWLockExclusive(&g_heapLock); }
    ~HeapLock() { ::ReleaseSRWLockExclusive(&g_heapLock); }
    HeapLock(const HeapLock&) = delete;
    HeapLock& operator=(const HeapLock&) = delete;
};

// Reserves the range and the span table on first use (the heap lock held).
bool ReadyLocked() {
    if (g_heap.base)
        return true;
    if (g_heap.failed)
        return false;
    auto* base =
        static_cast<char*>(::VirtualAlloc(nullptr, kRegionBytes, MEM_RESERVE, PAGE_NOACCESS));
    g_heap.spans = static_cast<Span*>(::VirtualAlloc(nullptr, sizeof(Span) * kRegionPages,
                                                     MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!base || !g_heap.spans) {
        g_heap.failed = true;
        return false;
    }
    for (auto& head : g_heap.spare)
        head = kNone;
    // Published last: Owns reads it without the lock.
    __atomic_store_n(&g_heap.base, base, __ATOMIC_RELEASE);
    return true;
}

char* PageAddress(std::uint32_t page) {
    return g_heap.base + std::size_t{page} * kPage;
}

bool Protect(std::uint32_t page, std::uint32_t pages, DWORD protection) {
    DWORD old;
    return ::VirtualProtect(PageAddress(page), std::size_t{pages} * kPage, protection, &old);
}

// A span of the given data page count, readable and writable; kNone when the range is spent.
std::uint32_t TakeSpanLocked(std::uint32_t pages) {
    if (pages <= kReusedPages && g_heap.spare[pages] != kNone) {
        const std::uint32_t page = g_heap.spare[pages];
        if (!Protect(page, pages, PAGE_READWRITE))
            return kNone;
        g_heap.spare[pages] = g_heap.spans[page].next;
        return page;
    }
    if (kRegionPages - g_heap.nextPage <= pages)
        return kNone;
    const std::uint32_t page = g_heap.nextPage;
    if (!::VirtualAlloc(PageAddress(page), std::size_t{pages} * kPage, MEM_COMMIT, PAGE_READWRITE))
        return kNone;
    g_heap.nextPage += pages + 1; // the page after the data stays reserved: the guard
    return page;
}

// The oldest quarantined span becomes reusable (small) or gives its memory back (large).
void EvictOldestLocked() {
    const std::uint32_t page = g_heap.ring[g_heap.ringStart];
    g_heap.ringStart = (g_heap.ringStart + 1) % kQuarantineBlocks;
    --g_heap.ringCount;
    Span& span = g_heap.spans[page];
    g_heap.ringBytes -= std::size_t{span.pages} * kPage;
    if (span.pages <= kReusedPages) {
        span.state = State::Spare;
        span.next = g_heap.spare[span.pages];
        g_heap.spare[span.pages] = page;
    } else {
        ::VirtualFree(PageAddress(page), std::size_t{span.pages} * kPage, MEM_DECOMMIT);
        span.state = State::Abandoned;
    }
}

void QuarantineLocked(std::uint32_t page) {
    Span& span = g_heap.spans[page];
    Protect(page, span.pages, PAGE_NOACCESS);
    span.state = State::Quarantined;
    g_heap.ring[(g_heap.ringStart + g_heap.ringCount) % kQuarantineBlocks] = page;
    ++g_heap.ringCount;
    g_heap.ringBytes += std::size_t{span.pages} * kPage;
    while (g_heap.ringCount == kQuarantineBlocks ||
           (g_heap.ringCount > 1 && g_heap.ringBytes > kQuarantineBytes))
        EvictOldestLocked();
}

std::uint32_t PageOf(const void* block) {
    return static_cast<std::uint32_t>((static_cast<const char*>(block) - g_heap.base) / kPage);
}

char* BlockStart(std::uint32_t page) {
    const Span& span = g_heap.spans[page];
    return PageAddress(page) + std::size_t{span.pages} * kPage - span.bytes;
}

// The span of a live block of this heap; stops the program for anything else in the range.
Span& LiveSpanLocked(const void* block) {
    const std::uint32_t page = PageOf(block);
    Span& span = g_heap.spans[page];
    if (span.state != State::Live || BlockStart(page) != block)
        __builtin_trap();
    return span;
}

bool SlackIntact(std::uint32_t page) {
    const char* slack = PageAddress(page);
    for (; slack != BlockStart(page); ++slack)
        if (static_cast<unsigned char>(*slack) != kSlack)
            return false;
    return true;
}

} // namespace

bool Owns(const void* block) {
    const char* at = static_cast<const char*>(block);
    const char* base = __atomic_load_n(&g_heap.base, __ATOMIC_ACQUIRE);
    return base && at >= base && at < base + kRegionBytes;
}

void* Allocate(std::size_t bytes) {
    bytes = bytes ? bytes : 1;
    if (bytes > kLargestBlock)
        return std::malloc(bytes);
    const auto pages = static_cast<std::uint32_t>((bytes + kPage - 1) / kPage);
    std::uint32_t page;
    {
        HeapLock lock;
        if (!ReadyLocked())
            return std::malloc(bytes);
        page = TakeSpanLocked(pages);
        if (page == kNone)
            return std::malloc(bytes);
        g_heap.spans[page] = Span{static_cast<std::uint32_t>(bytes), pages, kNone, State::Live};
    }
    // The block ends at the guard page; a size's alignment divides the page size, so the start
    // is as aligned as the size allows.
    char* start = BlockStart(page);
    std::memset(PageAddress(page), kSlack, static_cast<std::size_t>(start - PageAddress(page)));
    std::memset(start, kFill, bytes);
    return start;
}

void* Reallocate(void* block, std::size_t bytes) {
    if (!block)
        return Allocate(bytes);
    if (!Owns(block))
        return std::realloc(block, bytes);
    std::size_t old;
    {
        HeapLock lock;
        old = LiveSpanLocked(block).bytes;
    }
    void* moved = Allocate(bytes);
    if (!moved)
        return nullptr;
    std::memcpy(moved, block, old < bytes ? old : bytes);
    Release(block);
    return moved;
}

void Release(void* block) {
    if (!block)
        return;
    if (!Owns(block)) {
        std::free(block);
        return;
    }
    HeapLock lock;
    LiveSpanLocked(block);
    if (!SlackIntact(PageOf(block)))
        __builtin_trap();
    QuarantineLocked(PageOf(block));
}

} // namespace tu::guard
