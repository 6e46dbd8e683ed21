// Allocation failure injected for real: each scripted sequence runs once per allocation it
// makes, with that allocation failing; the failing step must report 0, leave its records as
// promised and leak nothing, then succeed when retried, so the run ends where an undisturbed
// one does.
#include "AllocSeam.h"
#include "ContainerChecks.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Step {
    Step(std::string what, std::function<int()> run, std::function<void()> afterFailure = {})
        : what(std::move(what)), run(std::move(run)), afterFailure(std::move(afterFailure)) {}
    std::string what;
    std::function<int()> run;
    // Checks and repairs the records after a failure; without it they must be unchanged.
    std::function<void()> afterFailure;
};

template <class State>
void WalkEveryAllocation(std::function<std::vector<Step>(State&)> script,
                         std::function<std::string(const State&)> snapshot,
                         std::function<void(State&)> release) {
    unsigned total = 0;
    std::string expectedEnd;
    {
        State state{};
        allocseam::Reset(0);
        for (const Step& step : script(state))
            ASSERT_NE(step.run(), 0) << step.what;
        total = allocseam::Calls();
        expectedEnd = snapshot(state);
        release(state);
        ASSERT_EQ(allocseam::Live(), 0);
    }
    ASSERT_GT(total, 5u);
    for (unsigned failAt = 1; failAt <= total; ++failAt) {
        SCOPED_TRACE("failing allocation " + std::to_string(failAt));
        State state{};
        allocseam::Reset(failAt);
        for (const Step& step : script(state)) {
            const std::string before = snapshot(state);
            const long live = allocseam::Live();
            const bool failedEarlier = allocseam::Failed();
            const int result = step.run();
            if (failedEarlier || !allocseam::Failed()) {
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
        EXPECT_EQ(snapshot(state), expectedEnd);
        release(state);
        EXPECT_EQ(allocseam::Live(), 0);
    }
}

// A chain's fields (its address aside) and items.
std::string Snapshot(const tagCHAIN& c) {
    return std::to_string(c.nCurrent) + "," + std::to_string(c.nCount) + "," +
           std::to_string(c.nAlloc) + "," + std::to_string(c.nItemSize) + "," +
           std::to_string(c.nUser) + (c.pData ? " block " : " none ") + containertest::ItemBytes(c);
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
    steps.push_back({"copy", [&s] { return CopyChain(&s.chain, &s.copy); },
                     [&s] {
                         EXPECT_EQ(s.copy.pData, nullptr);
                         EXPECT_EQ(s.copy.nCount, s.chain.nCount);
                         DeleteChain(&s.copy);
                     }});
    steps.push_back({"read back",
                     [&s] {
                         UINT size = 0, used = 0;
                         return Chain2Buffer(&s.chain, &size, s.buffer.data(), 256) &&
                                Buffer2Chain(s.buffer.data(), size, &s.read, &used);
                     },
                     [&s] {
                         EXPECT_EQ(s.read.pData, nullptr);
                         EXPECT_EQ(s.read.nCount, s.chain.nCount);
                         DeleteChain(&s.read);
                     }});
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

// A heap's fields (addresses aside), free ranges and the bytes of its items (free bytes hold
// whatever the allocator left there).
std::string Snapshot(const tagHEAPMG& h) {
    std::string text = std::to_string(h.nHeapSize) + "," + std::to_string(h.nInitSize) + "," +
                       std::to_string(h.nGrowBy) + "," + std::to_string(h.nMaxSize) + "," +
                       Snapshot(h.freeList);
    if (!h.pHeap)
        return text;
    std::string bytes(static_cast<const char*>(h.pHeap), h.nHeapSize);
    for (const FREEBLOCK& b : containertest::FreeRanges(h))
        bytes.replace(b.nOffset, b.nSize, b.nSize, '.');
    return text + " block " + bytes;
}

struct HeapState {
    tagHEAPMG heap, copy;
    std::vector<UINT> handles;
};

std::vector<Step> HeapScript(HeapState& s) {
    HeapMgInit(&s.heap, 0, 16, 16);
    s.handles.assign(12, 0);
    std::vector<Step> steps;
    // The first block, then growth with and without a free range to lengthen.
    steps.push_back({"string", [&s] { return HeapMgInsertStr(L"alpha", &s.heap, &s.handles[0]); }});
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
            EXPECT_STREQ(HeapMgStrPtr(&s.copy, s.handles[0]), L"alpha");
            HeapMgDelete(&s.heap);
            HeapMgDelete(&s.copy);
        });
}

} // namespace
