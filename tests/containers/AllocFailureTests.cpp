// Real allocation failure in a build of the container sources: each script runs once per allocation
// it makes, failing that one; the step reports 0, keeps its records, leaks nothing, then succeeds.
#include "AllocSeam.h"
#include "ContainerChecks.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Step {
    std::string what;
    std::function<int()> run;
    std::function<void()> afterFailure = {}; // checks and repairs; without it nothing may change
};

template <class State, class Script, class Snapshot, class Release>
void WalkEveryAllocation(Script script, Snapshot snapshot, Release release) {
    std::string expectedEnd;
    unsigned total = 0; // allocations of the undisturbed run, failAt 0
    for (unsigned failAt = 0; failAt <= total; ++failAt) {
        SCOPED_TRACE("failing allocation " + std::to_string(failAt));
        State state{};
        allocseam::Reset(failAt);
        for (const Step& step : script(state)) {
            const std::string before = snapshot(state);
            const long live = allocseam::Live();
            const bool failedEarlier = failAt && allocseam::Calls() >= failAt;
            const int result = step.run();
            if (failedEarlier || !failAt || allocseam::Calls() < failAt) {
                ASSERT_NE(result, 0) << step.what;
                continue;
            }
            EXPECT_EQ(result, 0) << step.what;
            EXPECT_EQ(allocseam::Live(), live) << step.what << " leaked";
            if (step.afterFailure)
                step.afterFailure();
            else
                EXPECT_EQ(snapshot(state), before) << step.what;
            ASSERT_NE(step.run(), 0) << step.what << ", retried";
        }
        if (failAt == 0) {
            total = allocseam::Calls();
            expectedEnd = snapshot(state);
            ASSERT_GT(total, 5u);
        }
        EXPECT_EQ(snapshot(state), expectedEnd);
        release(state);
        EXPECT_EQ(allocseam::Live(), 0);
    }
}

// A chain's fields (its address aside) and items.
std::string Snapshot(const tagCHAIN& c) {
    return std::string(reinterpret_cast<const char*>(&c.nCurrent), 7 * sizeof(UINT)) +
           (c.pData ? " block " : " none ") + containertest::ItemBytes(c);
}

struct ChainState {
    tagCHAIN chain, copy, read;
    std::string buffer = std::string(256, 0);
};

std::vector<Step> ChainScript(ChainState& s) {
    for (tagCHAIN* c : {&s.chain, &s.copy, &s.read})
        InitChain(c, sizeof(UINT), 9, 2, 3);
    static const UINT values[] = {8, 3, 6, 1, 7, 2, 5, 4, 0};
    std::vector<Step> steps;
    for (const UINT& value : values) // first block, then growth at the 3rd, 6th and 9th item
        steps.push_back({"append " + std::to_string(value),
                         [&s, &value] { return AppendToChain(&value, &s.chain); }});
    // A failed copy or read leaves no storage but the count, which deleting repairs.
    auto noStorage = [&s](tagCHAIN& c) {
        return [&s, &c] {
            EXPECT_EQ(c.pData, nullptr);
            EXPECT_EQ(c.nCount, s.chain.nCount);
            DeleteChain(&c);
        };
    };
    steps.push_back({"copy", [&s] { return CopyChain(&s.chain, &s.copy); }, noStorage(s.copy)});
    steps.push_back({"read back",
                     [&s] {
                         UINT size = 0, used = 0;
                         return Chain2Buffer(&s.chain, &size, s.buffer.data(), 256) &&
                                Buffer2Chain(s.buffer.data(), size, &s.read, &used);
                     },
                     noStorage(s.read)});
    steps.push_back({"empty it", [&s] {
                         while (!IsEmptyChain(&s.chain))
                             DeleteInChain(&s.chain);
                         return 1;
                     }});
    steps.push_back({"first block again", [&s] { return InsertInChain(&values[0], &s.chain); }});
    return steps;
}

TEST(AllocationFailure, ChainKeepsItsStateThroughEveryFailedAllocation) {
    WalkEveryAllocation<ChainState>(
        ChainScript,
        [](const ChainState& s) {
            return Snapshot(s.chain) + "|" + Snapshot(s.copy) + "|" + Snapshot(s.read);
        },
        [](ChainState& s) {
            for (tagCHAIN* c : {&s.chain, &s.copy, &s.read})
                DeleteChain(c);
        });
}

// A heap's fields (addresses aside), free ranges and its items' bytes (free bytes are arbitrary).
std::string Snapshot(const tagHEAPMG& h) {
    std::string bytes(h.pHeap ? static_cast<const char*>(h.pHeap) : "", h.nHeapSize);
    for (const FREEBLOCK& b : containertest::FreeRanges(h))
        bytes.replace(b.nOffset, b.nSize, b.nSize, '.');
    return std::string(reinterpret_cast<const char*>(&h.nFlags), 5 * sizeof(UINT)) +
           Snapshot(h.freeList) + (h.pHeap ? " block " : " none ") + bytes;
}

struct HeapState {
    tagHEAPMG heap, copy;
    UINT handles[12];
};

std::vector<Step> HeapScript(HeapState& s) {
    HeapMgInit(&s.heap, 0, 16, 16);
    // The first block, then growth with and without a free range to lengthen.
    std::vector<Step> steps{
        {"string", [&s] { return HeapMgInsertStr(L"alpha", &s.heap, &s.handles[0]); }}};
    for (UINT i = 1; i < 12; ++i)
        steps.push_back({"item " + std::to_string(i), [&s, i] {
                             const std::string data(i * 3, char('a' + i));
                             return HeapMgInsertItem(data.data(), i * 3, &s.heap, &s.handles[i]);
                         }});
    // Separate free ranges, more than the free list's first five slots hold.
    for (UINT i = 1; i < 12; i += 2)
        steps.push_back({"delete " + std::to_string(i),
                         [&s, i] { return HeapMgDeleteItem(&s.heap, s.handles[i], i * 3); }});
    steps.push_back({"copy", [&s] { return HeapMgCopy(&s.heap, &s.copy); }});
    return steps;
}

TEST(AllocationFailure, HeapKeepsItsStateThroughEveryFailedAllocation) {
    WalkEveryAllocation<HeapState>(
        HeapScript, [](const HeapState& s) { return Snapshot(s.heap) + "|" + Snapshot(s.copy); },
        [](HeapState& s) {
            HeapMgDelete(&s.heap);
            HeapMgDelete(&s.copy);
        });
}

} // namespace
