// The heap manager: first block and growth, first fit, merging on free, the 57,344-byte bound,
// handle 0 and lookups, and randomized runs checked byte by byte.
#include "ContainerChecks.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

using Ranges = std::vector<std::pair<UINT, UINT>>;

// A heap released at the end of the test.
struct Heap : tagHEAPMG {
    Heap(UINT flags, UINT initSize, UINT growBy) { HeapMgInit(this, flags, initSize, growBy); }
    ~Heap() { HeapMgDelete(this); }
    UINT Insert(UINT size) {
        const std::string data(size, char('a' + size % 26));
        UINT handle = 0xdeadbeef;
        EXPECT_EQ(HeapMgInsertItem(data.data(), size, this, &handle), 1) << size;
        return handle;
    }
    Ranges Free() const {
        Ranges ranges;
        for (const FREEBLOCK& b : containertest::FreeRanges(*this))
            ranges.emplace_back(b.nOffset, b.nSize);
        return ranges;
    }
};

TEST(HeapMgGrowth, FirstBlockAndGrowthFollowTheSizes) {
    Heap heap(0, 100, 50), tight(0, 0, 0), apart(0, 20, 10);
    EXPECT_EQ(heap.Insert(10), 2u);
    EXPECT_EQ(heap.nHeapSize, 100u);
    EXPECT_EQ(heap.Free(), (Ranges{{12, 88}}));
    EXPECT_EQ(heap.Insert(200), 12u); // the last free range is lengthened by the growth
    EXPECT_EQ(heap.nHeapSize, 300u);
    EXPECT_EQ(heap.Free(), (Ranges{{212, 88}}));

    EXPECT_EQ(tight.Insert(5), 2u);
    EXPECT_EQ(tight.nHeapSize, 7u);
    EXPECT_EQ(tight.Free(), Ranges{});
    EXPECT_EQ(tight.Insert(3), 7u);
    EXPECT_EQ(tight.nHeapSize, 10u);

    apart.Insert(10); // the growth does not touch the only free range: a new one
    apart.Insert(8);
    ASSERT_EQ(HeapMgDeleteItem(&apart, 2, 10), 1);
    EXPECT_EQ(apart.Insert(12), 20u);
    EXPECT_EQ(apart.nHeapSize, 32u);
    EXPECT_EQ(apart.Free(), (Ranges{{2, 10}}));
}

TEST(HeapMgFirstFit, TakesTheLowEndOfTheFirstRangeLargeEnough) {
    Heap heap(0, 100, 0);
    for (UINT size : {10u, 20u, 10u, 5u, 10u})
        heap.Insert(size);
    HeapMgDeleteItem(&heap, 12, 20);
    HeapMgDeleteItem(&heap, 42, 5);
    EXPECT_EQ(heap.Insert(4), 12u); // not the closer fit at 42
    EXPECT_EQ(heap.Insert(17), 57u);
    EXPECT_EQ(heap.Free(), (Ranges{{16, 16}, {42, 5}, {74, 26}}));
}

TEST(HeapMgFree, MergesWithTouchingRangesAndRefusesWrongOnes) {
    // Items of 10 bytes at 2, 12, 22, 32 and 42; free (52, 48).
    const struct {
        const char* what;
        Ranges deletions;
        std::vector<int> results;
        Ranges free;
    } rows[] = {
        {"no neighbour", {{22, 10}}, {1}, {{22, 10}, {52, 48}}},
        {"before", {{12, 10}, {22, 10}}, {1, 1}, {{12, 20}, {52, 48}}},
        {"after", {{42, 10}}, {1}, {{42, 58}}},
        {"both", {{12, 10}, {32, 10}, {22, 10}}, {1, 1, 1}, {{12, 30}, {52, 48}}},
        {"twice", {{2, 10}, {2, 10}, {2, 4}}, {1, 1, 1}, {{2, 10}, {52, 48}}},
        {"inside free space", {{60, 5}, {12, 10}, {14, 3}}, {1, 1, 1}, {{12, 10}, {52, 48}}},
        {"overlapping free space",
         {{48, 10}, {12, 10}, {8, 6}, {20, 4}},
         {0, 1, 0, 0},
         {{12, 10}, {52, 48}}},
        {"beyond the block", {{95, 10}, {101, 0}}, {0, 0}, {{52, 48}}},
        {"reserved bytes, handle 0, no size", {{1, 4}, {0, 10}, {22, 0}}, {0, 1, 1}, {{52, 48}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Heap heap(0, 100, 0);
        for (int i = 0; i < 5; ++i)
            heap.Insert(10);
        std::vector<int> results;
        for (auto [handle, size] : row.deletions)
            results.push_back(HeapMgDeleteItem(&heap, handle, size));
        EXPECT_EQ(results, row.results);
        EXPECT_EQ(heap.Free(), row.free);
    }
}

TEST(HeapMgBound, RefusesWhatDoesNotFitUnder57344Bytes) {
    Heap heap(0, 100, 1000);
    UINT handle = 0xdeadbeef;
    EXPECT_EQ(HeapMgInsertItem(nullptr, 57345, &heap, &handle), 0);
    EXPECT_EQ(handle, 0xdeadbeefu);
    int stored = 0;
    while (HeapMgInsertItem(nullptr, 1000, &heap, &handle))
        ++stored;
    EXPECT_EQ(stored, 57); // 57 items and the reserved bytes leave 342 bytes
    EXPECT_EQ(heap.nHeapSize, 57344u);
    EXPECT_EQ(heap.Free(), (Ranges{{57002, 342}}));
    EXPECT_EQ(heap.Insert(342), 57002u);
}

TEST(HeapMgLookup, HandleZeroAndStringsReadBack) {
    for (UINT flags : {0u, HEAPMG_NOEMPTYSTR}) {
        SCOPED_TRACE(flags);
        Heap heap(flags, 0, 0);
        UINT empty = 1, nothing = 1, text = 0;
        EXPECT_EQ(HeapMgInsertStr(L"", &heap, &empty) + HeapMgInsertStr(nullptr, &heap, &nothing) +
                      HeapMgInsertItem("x", 0, &heap, &empty),
                  3);
        EXPECT_EQ(empty + nothing, 0u);
        EXPECT_EQ(heap.pHeap, nullptr);
        const wchar_t* zero = HeapMgStrPtr(&heap, 0); // null with HEAPMG_NOEMPTYSTR, else ""
        EXPECT_TRUE(flags ? !zero : zero && !*zero);
        ASSERT_EQ(HeapMgInsertStr(L"hook", &heap, &text), 1);
        EXPECT_STREQ(HeapMgStrPtr(&heap, text), L"hook");
        EXPECT_EQ(HeapMgPointer(&heap, heap.nHeapSize + 1), nullptr);
        EXPECT_EQ(HeapMgDeleteStr(&heap, heap.nHeapSize + 1), 0);
        EXPECT_EQ(HeapMgDeleteStr(&heap, text), 1);
    }
    Heap heap(0, 0, 0);
    const UINT raw = heap.Insert(4); // no terminator before the end of the block
    EXPECT_EQ(HeapMgDeleteStr(&heap, raw), 0);
    UINT copy = 0; // an item copied from the heap itself while the block grows and moves
    ASSERT_EQ(HeapMgInsertItem(HeapMgPointer(&heap, raw), 4, &heap, &copy), 1);
    EXPECT_EQ(std::string(static_cast<char*>(HeapMgPointer(&heap, copy)), 4), "eeee");
}

// Whether size bytes fit a free range, or the free range at the end once the block has grown.
bool RoomFor(const tagHEAPMG& heap, size_t size) {
    size_t tail = 0;
    for (const FREEBLOCK& b : containertest::FreeRanges(heap)) {
        if (b.nSize >= size)
            return true;
        tail = b.nOffset + b.nSize == heap.nHeapSize ? b.nSize : 0;
    }
    return !heap.pHeap || tail + heap.nMaxSize - heap.nHeapSize >= size;
}

TEST(HeapMgModel, EveryByteBelongsToOneItemOrOneFreeRange) {
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](UINT n) { return UINT(random() % n); };
        const UINT largest = std::vector<UINT>{64, 300, 4000}[pick(3)];
        Heap heap(0, pick(600), pick(600));
        containertest::LiveItems live;
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
                UINT handle = 0;
                const bool room = RoomFor(heap, bytes.size());
                const int r = isString ? HeapMgInsertStr(text.c_str(), &heap, &handle)
                                       : HeapMgInsertItem(zeros ? nullptr : bytes.data(),
                                                          UINT(bytes.size()), &heap, &handle);
                if (r)
                    live[handle] = bytes;
                if (isString && r)
                    strings.insert(handle);
                if ((r != 0) != room)
                    problem = "insertion of " + std::to_string(bytes.size()) + " bytes gave " +
                              std::to_string(r) + (room ? " with room" : " without room");
            } else {
                auto item = std::next(live.begin(), pick(UINT(live.size())));
                const int r = strings.erase(item->first)
                                  ? HeapMgDeleteStr(&heap, item->first)
                                  : HeapMgDeleteItem(&heap, item->first, UINT(item->second.size()));
                if (r != 1)
                    problem = "could not delete " + std::to_string(item->first);
                live.erase(item);
            }
            if (problem.empty())
                problem = containertest::HeapProblem(heap, live);
            if (problem.empty() && pick(50) == 0) {
                tagHEAPMG copy;
                problem =
                    HeapMgCopy(&heap, &copy) ? containertest::HeapProblem(copy, live) : "copy";
                HeapMgDelete(&copy);
            }
            if (!problem.empty())
                ADD_FAILURE() << "seed " << seed << " step " << step << ": " << problem;
        }
    }
}

} // namespace
