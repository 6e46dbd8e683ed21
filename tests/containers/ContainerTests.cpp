// The chain and the heap manager: edge cases, search probing, traversals that remove, hostile
// serialized headers, scripted heaps, the 57,344-byte bound, and randomized reference models.
#include "ContainerChecks.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

namespace {

using Values = std::vector<UINT>;

// A chain of 4-byte values, released at the end of the test.
struct Chain : tagCHAIN {
    explicit Chain(Values values = {}, UINT initAlloc = 2, UINT growBy = 3) {
        InitChain(this, sizeof(UINT), 0, initAlloc, growBy);
        for (UINT value : values)
            AppendToChain(&value, this);
    }
    ~Chain() { DeleteChain(this); }
    Values Get() const { return pData ? Values((UINT*)pData, (UINT*)pData + nCount) : Values(); }
};

// Orders values by their halves, so that 20 and 21 are equal; key 999 aborts. Records probes.
Values g_probes;
int __cdecl CompareHalves(const void* key, const void* item) {
    const UINT k = *static_cast<const UINT*>(key), v = *static_cast<const UINT*>(item);
    g_probes.push_back(v);
    return k == 999 ? 2 : k / 2 < v / 2 ? -1 : k / 2 > v / 2 ? 1 : 0;
}

// Cursor moves, reads and growth steps of ordinary use are checked by the model test below.
TEST(ChainEdges, SetOnEmptyInsertsGrowthRefusalsAndSelfInsertion) {
    Chain empty, noFirst({}, 0, 3), noGrowth({1, 2}, 2, 0), full({10, 20}, 2, 1);
    UINT item = 9;
    EXPECT_EQ(SetContentOfChain(&empty, &item), 1); // an empty chain inserts instead
    EXPECT_EQ(empty.Get(), Values{9});
    EXPECT_EQ(AppendToChain(&item, &noFirst), 0);
    EXPECT_EQ(noFirst.pData, nullptr);
    EXPECT_EQ(InsertInChain(&item, &noGrowth), 0);
    EXPECT_EQ(noGrowth.Get(), (Values{1, 2}));
    StartOfChain(&full); // an item from the chain's own block, which the growth moves
    ASSERT_EQ(InsertInChain(static_cast<UINT*>(full.pData) + 1, &full), 1);
    EXPECT_EQ(full.Get(), (Values{20, 10, 20}));
}

TEST(ChainSearch, ProbesHalfWayTowardsTheFarEnd) {
    // Rows: items, probes, key, index after, sign of the result (2: an abort).
    const std::tuple<Values, Values, UINT, UINT, int> rows[] = {
        {{10, 20, 30}, {20, 30}, 25, 3, -1},
        {{10, 20, 30}, {20, 30}, 35, 3, 1},
        {{10, 20, 30}, {20}, 20, 2, 0},
        {{10, 20, 30}, {20}, 999, 2, 2},
        {{10, 20, 30, 40, 50, 60, 70}, {40, 50, 60, 70}, 65, 7, -1},
        {{10, 20, 30, 40, 50, 60, 70}, {40, 30, 20, 10}, 5, 1, -1},
        {{}, {}, 5, 1, 1},
    };
    for (const auto& [items, probes, key, index, sign] : rows) {
        SCOPED_TRACE(::testing::Message() << "key " << key << " in " << items.size());
        Chain chain(items);
        g_probes.clear();
        const int r = SearchInChain(&key, &chain, CompareHalves);
        EXPECT_EQ(sign == 2 ? r : (r > 0) - (r < 0), sign);
        EXPECT_EQ(g_probes, probes);
        EXPECT_EQ(IndexOfChain(&chain), index);
    }
}

TEST(ChainSortedInsertion, PlacesItemsAndHonoursUnique) {
    Chain chain, sorted;
    auto insert = [](Chain& into, UINT item, int unique, const UINT* key = nullptr) {
        return InsertInSortedChain(&item, &into, CompareHalves, unique, key);
    };
    EXPECT_EQ(insert(chain, 20, 1), 1);
    insert(chain, 10, 1);
    insert(chain, 30, 1);
    EXPECT_LT(insert(chain, 25, 1), 0);
    EXPECT_EQ(IndexOfChain(&chain), 3u);
    EXPECT_EQ(insert(chain, 21, 1), 3); // equal to 20: refused when unique, else placed before it
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    EXPECT_EQ(insert(chain, 21, 0), 0);
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    const UINT key = 45;
    EXPECT_EQ(insert(chain, 1, 0, &key), 1); // searched by its key, not by itself
    EXPECT_EQ(chain.Get(), (Values{10, 21, 20, 25, 30, 1}));
    EXPECT_EQ(insert(chain, 999, 0), 2);
    EXPECT_EQ(chain.nCount, 6u);

    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i)
        insert(sorted, random() % 900, 0);
    const Values values = sorted.Get();
    EXPECT_TRUE(
        std::is_sorted(values.begin(), values.end(), [](UINT a, UINT b) { return a / 2 < b / 2; }));
}

// A traversal's visit records what it saw, and stops at a position or removes what it gets.
struct Walk {
    tagCHAIN* chain;
    UINT stopAt; // 0: remove every item visited
    Values seen;
};
int __cdecl Visit(void* item, UINT index, void* user) {
    auto* walk = static_cast<Walk*>(user);
    walk->seen.push_back(*static_cast<UINT*>(item));
    if (walk->stopAt)
        return index != walk->stopAt;
    NthOfChain(index, walk->chain);
    DeleteInChain(walk->chain);
    return 0;
}

TEST(ChainTraversal, StopsAndRemovesAsEachFormPromises) {
    Chain chain({10, 20, 30}), special({1, 2, 3, 4});
    Walk stop{&chain, 2, {}}, all{&chain, ~0u, {}}, removeRev{&chain, 0, {}},
        removeAll{&special, 0, {}};
    EXPECT_EQ(DoChain(&chain, Visit, &stop), 0);
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    EXPECT_EQ(DoChainRev(&chain, Visit, &stop), 0);
    EXPECT_EQ(stop.seen, (Values{10, 20, 30, 20}));
    EXPECT_EQ(DoChain(&chain, Visit, &all), 1);
    EXPECT_EQ(IndexOfChain(&chain), 3u);
    StartOfChain(&chain);
    EXPECT_EQ(DoChainRev(&chain, Visit, &all), 1);
    EXPECT_EQ(IndexOfChain(&chain), 3u); // the last item, not the first
    EXPECT_EQ(DoChainRev(&chain, Visit, &removeRev), 0);
    EXPECT_EQ(chain.Get(), (Values{10, 20}));
    EXPECT_EQ(DoChainSpecial(&special, Visit, &removeAll), 0);
    EXPECT_EQ(removeAll.seen, (Values{1, 2, 3, 4}));
    EXPECT_EQ(special.pData, nullptr);
}

// A serialized header: storage slot, cursor, count, slots, item size, user, first, growth.
std::string Header(UINT cursor, UINT count, UINT itemSize) {
    const UINT words[8] = {0, cursor, count, count, itemSize, 0, 2, 3};
    return std::string(reinterpret_cast<const char*>(words), sizeof words);
}

TEST(ChainSerialization, WritesOnlyIntoABufferLargeEnoughAndReadsBack) {
    Chain chain({10, 20, 30}), read;
    NthOfChain(2, &chain);
    const std::string image = Header(1, 3, 4) + containertest::ItemBytes(chain);
    for (UINT bufferSize : {43u, 44u, 52u}) {
        SCOPED_TRACE(bufferSize);
        const bool fits = bufferSize >= 44;
        std::string buffer(52, '\xcc');
        UINT size = 0xdeadbeef;
        EXPECT_EQ(Chain2Buffer(&chain, &size, buffer.data(), bufferSize), fits);
        EXPECT_EQ(size, fits ? 44u : 0xdeadbeef);
        EXPECT_EQ(buffer, (fits ? image : "") + std::string(fits ? 8 : 52, '\xcc'));
    }
    UINT used = 0;
    ASSERT_EQ(Buffer2Chain(image.data(), UINT(image.size()), &read, &used), 1);
    EXPECT_EQ(std::make_tuple(read.Get(), read.nCurrent, used),
              std::make_tuple(chain.Get(), 1u, 44u));
}

TEST(ChainSerialization, RefusesHostileHeadersWithoutReadingPastTheBuffer) {
    // Each row's bytes end right before a page that cannot be read, so reading past them faults.
    const SIZE_T pages = 18;
    auto* base =
        static_cast<BYTE*>(::VirtualAlloc(nullptr, pages * 4096, MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    ASSERT_TRUE(::VirtualProtect(base + (pages - 1) * 4096, 4096, PAGE_NOACCESS, &old));
    // Rows: what, bytes, result, bytes used.
    const std::tuple<const char*, std::string, int, UINT> rows[] = {
        {"shorter than a header", Header(0, 0, 4).substr(0, 31), 0, 0},
        {"empty chain", Header(0, 0, 4), 1, 32},
        {"items cut short", Header(0, 3, 8) + std::string(23, 'x'), 0, 32},
        {"count times size wraps to 65536", Header(0, 65537, 65536) + std::string(65536, 'x'), 0,
         32},
        {"count times size wraps to 0", Header(0, 0x10000, 0x10000), 0, 32},
        {"cursor beyond the items", Header(3, 3, 1) + "abc", 0, 32},
        {"cursor in an empty chain", Header(1, 0, 1), 0, 32},
        {"exact", Header(2, 3, 1) + "abc", 1, 35},
    };
    for (const auto& [what, bytes, result, expectedUsed] : rows) {
        SCOPED_TRACE(what);
        BYTE* data = base + (pages - 1) * 4096 - bytes.size();
        std::memcpy(data, bytes.data(), bytes.size());
        Chain chain;
        UINT used = 0xdeadbeef;
        EXPECT_EQ(Buffer2Chain(data, UINT(bytes.size()), &chain, &used), result);
        EXPECT_EQ(used, expectedUsed);
        EXPECT_LT(chain.nCurrent, std::max(chain.nCount, 1u)); // never a cursor beyond the items
        DeleteChain(&chain);                                   // repairs what a refused header left
        EXPECT_EQ(chain.nCount, 0u);
    }
    ::VirtualFree(base, 0, MEM_RELEASE);
}

// Random operations and sizes, against the items' bytes, the cursor and the slots growth reaches.
TEST(ChainModel, RandomOperationsMatchAVectorWithACursor) {
    for (unsigned seed = 1; seed <= 2000 / tutest::kStressDivisor; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](UINT n) { return UINT(random() % n); };
        const UINT initAlloc = 1 + pick(4), growBy = 1 + pick(4), itemSize = 1 + pick(9);
        std::string items; // the model's items, back to back
        UINT cursor = 0, alloc = 0;
        tagCHAIN chain;
        InitChain(&chain, itemSize, seed, initAlloc, growBy);
        std::string item(itemSize, 0);
        for (int step = 0; step < 150; ++step) {
            for (char& c : item)
                c = char(random());
            const UINT count = UINT(items.size() / itemSize), n = pick(count + 2), op = pick(9);
            const bool valid = n >= 1 && n <= count;
            int expected = 1, result = 1;
            if (op <= 2) { // appended when asked, when empty, or when n names no item
                result = op == 0   ? AppendToChain(item.data(), &chain)
                         : op == 1 ? InsertInChain(item.data(), &chain)
                                   : InsertInNthOfChain(n, item.data(), &chain);
                cursor = op == 0 || !count || (op == 2 && !valid) ? count
                         : op == 2                                ? n - 1
                                                                  : cursor;
                alloc = !alloc ? initAlloc : count == alloc ? alloc + growBy : alloc;
                items.insert(cursor * itemSize, item);
            } else if (op == 3) {
                result = SetContentOfNthOfChain(n, &chain, item.data());
                expected = valid;
                if (valid)
                    items.replace((cursor = n - 1) * itemSize, itemSize, item);
            } else if (op == 4) {
                DeleteInChain(&chain);
                if (count > 0) {
                    items.erase(cursor * itemSize, itemSize);
                    cursor -= cursor == count - 1 && cursor > 0;
                    alloc = count == 1 ? 0 : alloc;
                }
            } else if (op == 5 || op == 6) {
                result = op == 5 ? NextOfChain(&chain) : PreviousOfChain(&chain);
                expected = count > 0 && (op == 5 ? cursor + 1 < count : cursor > 0);
                cursor += expected ? (op == 5 ? 1 : -1) : 0;
            } else if (op == 7) {
                result = NthOfChain(n, &chain);
                expected = valid;
                cursor = valid ? n - 1 : cursor;
            } else { // to either end, read the current item, or start over
                std::string out(itemSize, '\xcc'), none = out;
                const UINT what = pick(4);
                result = what == 0   ? StartOfChain(&chain)
                         : what == 1 ? EndOfChain(&chain)
                         : what == 2 ? ContentOfChain(&chain, out.data())
                                     : (DeleteChain(&chain), 1);
                expected = what == 3 || count > 0;
                if (what == 3)
                    items.clear(), cursor = alloc = 0;
                else if (count > 0 && what < 2)
                    cursor = what ? count - 1 : 0;
                else if (out != (count ? items.substr(cursor * itemSize, itemSize) : none))
                    expected = -1; // the wrong item's bytes, or any from an empty chain
            }
            if (result != expected || containertest::ItemBytes(chain) != items ||
                chain.nAlloc != alloc || IndexOfChain(&chain) != cursor + 1 ||
                (!items.empty() && chain.nCurrent != cursor) || !chain.pData != !alloc) {
                ADD_FAILURE() << "seed " << seed << " step " << step << " op " << op;
                break;
            }
        }
        DeleteChain(&chain);
    }
}

struct Heap : tagHEAPMG {
    Heap(UINT flags, UINT initSize, UINT growBy) { HeapMgInit(this, flags, initSize, growBy); }
    ~Heap() { HeapMgDelete(this); }
    UINT Insert(UINT size) {
        const std::string data(size, char('a' + size % 26));
        UINT handle = 0xdeadbeef;
        EXPECT_EQ(HeapMgInsertItem(data.data(), size, this, &handle), 1) << size;
        return handle;
    }
};

// Runs "n" (insert n bytes) and "h-n" (delete n bytes at h) on a heap holding `tens` 10-byte items
// at 2, 12, 22...; gives the results (new handles, else 0 or 1), the size and the free ranges.
std::string RunHeapScript(UINT initSize, UINT growBy, UINT tens, const char* script) {
    Heap heap(0, initSize, growBy);
    for (UINT i = 0; i < tens; ++i)
        heap.Insert(10);
    std::istringstream steps(script);
    std::ostringstream text;
    for (UINT number, size = 0; steps >> number;) {
        if (steps.peek() == '-' && steps.get() && steps >> size)
            text << HeapMgDeleteItem(&heap, number, size) << ' ';
        else
            text << heap.Insert(number) << ' ';
    }
    text << "| " << heap.nHeapSize << ':';
    for (const FREEBLOCK& b : containertest::FreeRanges(heap))
        text << ' ' << b.nOffset << '+' << b.nSize;
    return text.str();
}

// Merging on free follows from the model test's rule that free ranges never touch.
TEST(HeapMgScripts, GrowthFirstFitAndFreeingWhatIsNoItem) {
    // Rows: what, initial size, growth, 10-byte items, script, outcome.
    const std::tuple<const char*, UINT, UINT, UINT, const char*, const char*> rows[] = {
        {"growth lengthens the last free range", 100, 50, 0, "10 200", "2 12 | 300: 212+88"},
        {"growth by the size alone", 0, 0, 0, "5 3", "2 7 | 10:"},
        {"growth apart from the only free range", 20, 10, 0, "10 8 2-10 12",
         "2 12 1 20 | 32: 2+10"},
        {"first fit takes the first range large enough, not the closest", 100, 0, 0,
         "10 20 10 5 10 12-20 42-5 4 17", "2 12 32 42 47 1 1 12 57 | 100: 16+16 42+5 74+26"},
        {"free twice", 100, 0, 5, "2-10 2-10 2-4", "1 1 1 | 100: 2+10 52+48"},
        {"free inside free space", 100, 0, 5, "60-5 12-10 14-3", "1 1 1 | 100: 12+10 52+48"},
        {"free overlapping free space", 100, 0, 5, "48-10 12-10 8-6 20-4",
         "0 1 0 0 | 100: 12+10 52+48"},
        {"free beyond the block", 100, 0, 5, "95-10 101-0", "0 0 | 100: 52+48"},
        {"free reserved bytes, handle 0, no size", 100, 0, 5, "1-4 0-10 22-0",
         "0 1 1 | 100: 52+48"},
    };
    for (const auto& [what, initSize, growBy, tens, script, outcome] : rows)
        EXPECT_EQ(RunHeapScript(initSize, growBy, tens, script), outcome) << what;
}

TEST(HeapMgBound, RefusesWhatDoesNotFitUnder57344Bytes) {
    Heap heap(0, 100, 1000);
    UINT handle = 0xdeadbeef;
    EXPECT_EQ(HeapMgInsertItem(nullptr, 57345, &heap, &handle), 0);
    EXPECT_EQ(handle, 0xdeadbeefu);
    while (HeapMgInsertItem(nullptr, 1000, &heap, &handle))
        continue;
    EXPECT_EQ(heap.nHeapSize, 57344u);
    EXPECT_EQ(heap.Insert(342), 57002u); // 57 items and the reserved bytes leave 342 bytes
}

TEST(HeapMgLookup, HandleZeroAndStringsReadBack) {
    Heap heap(0, 0, 0), noEmpty(HEAPMG_NOEMPTYSTR, 0, 0);
    const wchar_t* zero = HeapMgStrPtr(&heap, 0); // the static empty string
    EXPECT_TRUE(zero && !*zero);
    EXPECT_EQ(HeapMgStrPtr(&noEmpty, 0), nullptr);
    UINT empty = 1, nothing = 1, text = 0;
    EXPECT_EQ(HeapMgInsertStr(L"", &heap, &empty) + HeapMgInsertStr(nullptr, &heap, &nothing) +
                  HeapMgInsertItem("x", 0, &heap, &empty),
              3);
    EXPECT_EQ(empty + nothing, 0u);
    EXPECT_EQ(heap.pHeap, nullptr);
    ASSERT_EQ(HeapMgInsertStr(L"hook", &heap, &text), 1);
    EXPECT_STREQ(HeapMgStrPtr(&heap, text), L"hook");
    EXPECT_EQ(HeapMgPointer(&heap, heap.nHeapSize + 1), nullptr);
    EXPECT_EQ(HeapMgDeleteStr(&heap, heap.nHeapSize + 1), 0);
    const UINT raw = heap.Insert(4); // no terminator before the end of the block
    EXPECT_EQ(HeapMgDeleteStr(&heap, raw), 0);
    UINT copy = 0; // an item copied from the heap itself while the block grows and moves
    ASSERT_EQ(HeapMgInsertItem(HeapMgPointer(&heap, raw), 4, &heap, &copy), 1);
    EXPECT_EQ(std::string(static_cast<char*>(HeapMgPointer(&heap, copy)), 4), "eeee");
}

// Live items by handle, with the bytes each must still read.
using LiveItems = std::map<UINT, std::string>;

// Empty when every byte past the two reserved ones belongs to exactly one live item or one free
// range, the free ranges ascend without touching, and every live handle reads its bytes.
std::string HeapProblem(const tagHEAPMG& heap, const LiveItems& live) {
    if (!heap.pHeap)
        return heap.nHeapSize || heap.freeList.nCount || !live.empty() ? "no block" : "";
    const auto* block = static_cast<const char*>(heap.pHeap);
    if (block[0] || block[1])
        return "reserved bytes changed";
    std::vector<std::pair<unsigned long long, unsigned long long>> pieces; // [start, end)
    for (const FREEBLOCK& b : containertest::FreeRanges(heap)) {
        if (!pieces.empty() && pieces.back().second >= b.nOffset)
            return "free range " + std::to_string(b.nOffset) + " touches the one before";
        pieces.emplace_back(b.nOffset, b.nOffset + b.nSize);
    }
    for (const auto& [handle, bytes] : live) {
        if (handle + bytes.size() > heap.nHeapSize ||
            std::memcmp(block + handle, bytes.data(), bytes.size()) != 0)
            return "item " + std::to_string(handle) + " lost its bytes";
        pieces.emplace_back(handle, handle + bytes.size());
    }
    std::sort(pieces.begin(), pieces.end());
    unsigned long long next = 2;
    for (const auto& [start, end] : pieces) {
        if (start != next)
            return "byte " + std::to_string(std::min(start, next)) +
                   (start < next ? " is owned twice" : " belongs to nothing");
        next = end;
    }
    return next == heap.nHeapSize ? "" : "the block's end belongs to nothing";
}

// The placement rules written out plainly, for the model test to compare every step with:
// first fit at the low end of the first free range large enough; growth by the larger of the
// size and the step, up to the bound, lengthening a last range that ends at the old size; and
// freeing that merges a range with the free ranges it touches.
struct PlacementRules {
    UINT initSize, growBy, size = 0;
    std::vector<FREEBLOCK> free;

    bool Take(UINT n, UINT* handle) {
        for (auto b = free.begin(); b != free.end(); ++b) {
            if (b->nSize < n)
                continue;
            *handle = b->nOffset;
            b->nOffset += n;
            b->nSize -= n;
            if (!b->nSize)
                free.erase(b);
            return true;
        }
        return false;
    }
    bool Insert(UINT n, UINT* handle) {
        if (!size) {
            size = std::max(n + 2, initSize);
            free.push_back({2, size - 2});
        }
        if (Take(n, handle))
            return true;
        const UINT grown = std::max(size, std::min(size + std::max(n, growBy), 57344u));
        if (grown == size)
            return false;
        if (!free.empty() && free.back().nOffset + free.back().nSize == size)
            free.back().nSize += grown - size;
        else
            free.push_back({size, grown - size});
        size = grown;
        return Take(n, handle);
    }
    void Delete(UINT handle, UINT n) {
        auto at = free.insert(std::find_if(free.begin(), free.end(),
                                           [&](const FREEBLOCK& b) { return b.nOffset > handle; }),
                              {handle, n});
        if (at + 1 != free.end() && handle + n == at[1].nOffset) {
            at->nSize += at[1].nSize;
            free.erase(at + 1);
        }
        if (at != free.begin() && at[-1].nOffset + at[-1].nSize == handle) {
            at[-1].nSize += at->nSize;
            free.erase(at);
        }
    }
    bool Matches(const tagHEAPMG& heap) const {
        const std::vector<FREEBLOCK> ranges = containertest::FreeRanges(heap);
        return heap.nHeapSize == size && ranges.size() == free.size() &&
               std::equal(free.begin(), free.end(), ranges.begin(), [](auto& a, auto& b) {
                   return a.nOffset == b.nOffset && a.nSize == b.nSize;
               });
    }
};

TEST(HeapMgModel, PlacesAsTheRulesAndEveryByteBelongsToOneItemOrFreeRange) {
    for (unsigned seed = 1; seed <= 2000 / tutest::kStressDivisor; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](UINT n) { return UINT(random() % n); };
        const UINT largest = std::vector<UINT>{64, 300, 4000}[pick(3)];
        const UINT initSize = pick(600), growBy = pick(600);
        Heap heap(0, initSize, growBy);
        PlacementRules rules{initSize, growBy, 0, {}};
        LiveItems live;
        std::set<UINT> strings;
        std::string problem;
        for (int step = 0; step < 150 && problem.empty(); ++step) {
            if (live.empty() || pick(5) < 3) {
                std::wstring text(1 + pick(40), L'x');
                for (wchar_t& c : text)
                    c = wchar_t(1 + pick(0xfffe));
                const bool isString = pick(4) == 0, zeros = pick(4) == 0;
                std::string bytes(isString ? (text.size() + 1) * 2 : 1 + pick(largest), 0);
                for (char& c : bytes)
                    c = zeros ? 0 : char(random());
                if (isString)
                    std::memcpy(bytes.data(), text.c_str(), bytes.size());
                UINT handle = 0, ruled = 0;
                const bool room = rules.Insert(UINT(bytes.size()), &ruled);
                const int r = isString ? HeapMgInsertStr(text.c_str(), &heap, &handle)
                                       : HeapMgInsertItem(zeros ? nullptr : bytes.data(),
                                                          UINT(bytes.size()), &heap, &handle);
                if (r)
                    live[handle] = bytes;
                if (isString && r)
                    strings.insert(handle);
                if ((r != 0) != room || (r && handle != ruled))
                    problem = "insertion of " + std::to_string(bytes.size()) + " bytes gave " +
                              std::to_string(r) + " at " + std::to_string(handle) + ", the rules " +
                              std::to_string(room) + " at " + std::to_string(ruled);
            } else {
                auto item = std::next(live.begin(), pick(UINT(live.size())));
                rules.Delete(item->first, UINT(item->second.size()));
                const int r = strings.erase(item->first)
                                  ? HeapMgDeleteStr(&heap, item->first)
                                  : HeapMgDeleteItem(&heap, item->first, UINT(item->second.size()));
                if (r != 1)
                    problem = "could not delete " + std::to_string(item->first);
                live.erase(item);
            }
            if (problem.empty() && !rules.Matches(heap))
                problem = "the size or the free ranges differ from the rules";
            if (problem.empty())
                problem = HeapProblem(heap, live);
            if (problem.empty() && pick(50) == 0) {
                tagHEAPMG copy;
                problem = HeapMgCopy(&heap, &copy) ? HeapProblem(copy, live) : "copy";
                HeapMgDelete(&copy);
            }
            if (!problem.empty())
                ADD_FAILURE() << "seed " << seed << " step " << step << ": " << problem;
        }
    }
}

} // namespace
