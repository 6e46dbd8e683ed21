// The chain: cursor rules, growth, search probing, sorted insertion, traversals that remove,
// serialization against hostile headers, and a randomized comparison with a reference model.
#include "tuContainers.h"

#include "ContainerChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A chain of 4-byte values, released at the end of the test.
struct Chain : tagCHAIN {
    explicit Chain(std::vector<UINT> values = {}, UINT initAlloc = 2, UINT growBy = 3) {
        InitChain(this, sizeof(UINT), 0, initAlloc, growBy);
        for (UINT value : values)
            AppendToChain(&value, this);
    }
    ~Chain() { DeleteChain(this); }
    std::vector<UINT> Values() const {
        std::vector<UINT> values(nCount);
        std::memcpy(values.data(), pData, nCount * sizeof(UINT));
        return values;
    }
};

// Orders values by their halves, so that 20 and 21 are equal; key 999 aborts. Records probes.
std::vector<UINT> g_probes;
int __cdecl CompareHalves(const void* key, const void* item) {
    const UINT k = *static_cast<const UINT*>(key), v = *static_cast<const UINT*>(item);
    g_probes.push_back(v);
    if (k == 999)
        return 2;
    return k / 2 < v / 2 ? -1 : k / 2 > v / 2 ? 1 : 0;
}

TEST(ChainCursor, InsertionAndRemovalMoveTheCursorAsPromised) {
    Chain chain;
    UINT out = 0xcccccccc, item = 10;
    EXPECT_EQ(IndexOfChain(&chain), 1u);
    EXPECT_EQ(StartOfChain(&chain) + EndOfChain(&chain) + NextOfChain(&chain) +
                  PreviousOfChain(&chain) + NthOfChain(1, &chain) + ContentOfChain(&chain, &out) +
                  SetContentOfNthOfChain(1, &chain, &item),
              0);
    EXPECT_EQ(out, 0xccccccccu);
    EXPECT_EQ(SetContentOfChain(&chain, &item), 1); // an empty chain inserts instead
    for (UINT value : {20u, 30u, 40u})
        InsertInNthOfChain(9, &value, &chain); // no such position: appended
    EXPECT_EQ(IndexOfChain(&chain), 4u);
    item = 15;
    ASSERT_EQ(InsertInNthOfChain(2, &item, &chain), 1);
    EXPECT_EQ(chain.Values(), (std::vector<UINT>{10, 15, 20, 30, 40}));
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    DeleteInChain(&chain); // a middle item: the cursor names the one that followed
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    EndOfChain(&chain);
    DeleteInChain(&chain); // the last item: the cursor moves back
    EXPECT_EQ(IndexOfChain(&chain), 3u);
    EXPECT_EQ(NextOfChain(&chain), 0);
    for (int i = 0; i < 3; ++i)
        DeleteInChain(&chain);
    EXPECT_EQ(chain.pData, nullptr);
    EXPECT_EQ(chain.nAlloc, 0u);
}

TEST(ChainGrowth, GrowsInCallerChosenStepsAndRefusesWithoutRoom) {
    Chain chain({}, 2, 3);
    const UINT expected[] = {2, 2, 5, 5, 5, 8};
    for (UINT i = 0; i < 6; ++i) {
        ASSERT_EQ(AppendToChain(&i, &chain), 1);
        EXPECT_EQ(chain.nAlloc, expected[i]) << "after insertion " << i + 1;
    }
    // Steps of zero leave no room: the insertion fails and the chain stays as it was.
    Chain noFirst({}, 0, 3), noGrowth({1, 2}, 2, 0);
    UINT item = 9;
    EXPECT_EQ(AppendToChain(&item, &noFirst), 0);
    EXPECT_EQ(noFirst.pData, nullptr);
    EXPECT_EQ(InsertInChain(&item, &noGrowth), 0);
    EXPECT_EQ(noGrowth.Values(), (std::vector<UINT>{1, 2}));
    // An item taken from the chain's own block, which the insertion moves.
    Chain full({10, 20}, 2, 1);
    StartOfChain(&full);
    ASSERT_EQ(InsertInChain(static_cast<UINT*>(full.pData) + 1, &full), 1);
    EXPECT_EQ(full.Values(), (std::vector<UINT>{20, 10, 20}));
}

TEST(ChainSearch, ProbesHalfWayTowardsTheFarEnd) {
    struct Row {
        std::vector<UINT> items;
        UINT key;
        std::vector<UINT> probes;
        int sign; // of the result; 2 for an abort
        UINT index;
    };
    const Row rows[] = {
        {{10, 20, 30}, 25, {20, 30}, -1, 3},
        {{10, 20, 30}, 35, {20, 30}, 1, 3},
        {{10, 20, 30}, 20, {20}, 0, 2},
        {{10, 20, 30}, 999, {20}, 2, 2},
        {{10, 20, 30, 40, 50, 60, 70}, 65, {40, 50, 60, 70}, -1, 7},
        {{10, 20, 30, 40, 50, 60, 70}, 5, {40, 30, 20, 10}, -1, 1},
        {{}, 5, {}, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "key " << row.key << " in " << row.items.size());
        Chain chain(row.items);
        g_probes.clear();
        const int r = SearchInChain(&row.key, &chain, CompareHalves);
        EXPECT_EQ(row.sign == 2 ? r : (r > 0) - (r < 0), row.sign);
        EXPECT_EQ(g_probes, row.probes);
        EXPECT_EQ(IndexOfChain(&chain), row.index);
    }
}

TEST(ChainSortedInsertion, PlacesItemsAndHonoursUnique) {
    Chain chain;
    UINT item = 20;
    EXPECT_EQ(InsertInSortedChain(&item, &chain, CompareHalves, 1, nullptr), 1);
    for (UINT value : {10u, 30u})
        InsertInSortedChain(&value, &chain, CompareHalves, 1, nullptr);
    item = 25;
    EXPECT_LT(InsertInSortedChain(&item, &chain, CompareHalves, 1, nullptr), 0);
    EXPECT_EQ(IndexOfChain(&chain), 3u);
    item = 21; // equal to 20: refused when unique, else placed right before it
    EXPECT_EQ(InsertInSortedChain(&item, &chain, CompareHalves, 1, nullptr), 3);
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    EXPECT_EQ(InsertInSortedChain(&item, &chain, CompareHalves, 0, nullptr), 0);
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    const UINT key = 45;
    item = 1; // searched by its key, not by itself
    EXPECT_EQ(InsertInSortedChain(&item, &chain, CompareHalves, 0, &key), 1);
    EXPECT_EQ(chain.Values(), (std::vector<UINT>{10, 21, 20, 25, 30, 1}));
    item = 999;
    EXPECT_EQ(InsertInSortedChain(&item, &chain, CompareHalves, 0, nullptr), 2);
    EXPECT_EQ(chain.nCount, 6u);

    Chain sorted;
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        item = random() % 900;
        InsertInSortedChain(&item, &sorted, CompareHalves, 0, nullptr);
    }
    const std::vector<UINT> values = sorted.Values();
    EXPECT_TRUE(
        std::is_sorted(values.begin(), values.end(), [](UINT a, UINT b) { return a / 2 < b / 2; }));
}

// What a traversal saw, and what its visit does: stop at a position, or remove what it gets.
struct Walk {
    explicit Walk(tagCHAIN* chain, UINT stopAt = 0, bool remove = false)
        : chain(chain), stopAt(stopAt), remove(remove) {}
    tagCHAIN* chain;
    UINT stopAt;
    bool remove;
    std::vector<UINT> seen;
};
int __cdecl Visit(void* item, UINT index, void* user) {
    auto* walk = static_cast<Walk*>(user);
    walk->seen.push_back(*static_cast<UINT*>(item));
    if (walk->remove) {
        NthOfChain(index, walk->chain);
        DeleteInChain(walk->chain);
        return 0;
    }
    return index != walk->stopAt;
}

TEST(ChainTraversal, StopsAndRemovesAsEachFormPromises) {
    Chain chain({10, 20, 30});
    Walk stop{&chain, 2};
    EXPECT_EQ(DoChain(&chain, Visit, &stop), 0);
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    EXPECT_EQ(DoChainRev(&chain, Visit, &stop), 0);
    EXPECT_EQ(stop.seen, (std::vector<UINT>{10, 20, 30, 20}));
    Walk all{&chain};
    EXPECT_EQ(DoChain(&chain, Visit, &all), 1);
    EXPECT_EQ(IndexOfChain(&chain), 3u);
    StartOfChain(&chain);
    EXPECT_EQ(DoChainRev(&chain, Visit, &all), 1);
    EXPECT_EQ(IndexOfChain(&chain), 3u); // the last item, not the first

    Walk removeRev{&chain, 0, true};
    EXPECT_EQ(DoChainRev(&chain, Visit, &removeRev), 0);
    EXPECT_EQ(chain.Values(), (std::vector<UINT>{10, 20}));
    Chain special({1, 2, 3, 4});
    Walk removeAll{&special, 0, true};
    EXPECT_EQ(DoChainSpecial(&special, Visit, &removeAll), 0);
    EXPECT_EQ(removeAll.seen, (std::vector<UINT>{1, 2, 3, 4}));
    EXPECT_EQ(special.pData, nullptr);
}

// A serialized header: storage slot, cursor, count, slots, item size, user, first, growth.
std::string Header(UINT cursor, UINT count, UINT itemSize) {
    const UINT words[8] = {0, cursor, count, count, itemSize, 5, 2, 3};
    return std::string(reinterpret_cast<const char*>(words), sizeof words);
}

TEST(ChainSerialization, WritesOnlyWhenTheBufferIsLargeEnough) {
    tagCHAIN chain, read;
    InitChain(&chain, 8, 77, 2, 2);
    for (const unsigned long long item : {1ull, 2ull, 3ull})
        AppendToChain(&item, &chain);
    NthOfChain(2, &chain);
    for (UINT bufferSize : {55u, 56u, 64u}) {
        SCOPED_TRACE(bufferSize);
        std::string buffer(64, '\xcc');
        UINT size = 0xdeadbeef, used = 0, words[8];
        EXPECT_EQ(Chain2Buffer(&chain, &size, buffer.data(), bufferSize), bufferSize >= 56);
        EXPECT_EQ(size, bufferSize < 56 ? 0xdeadbeef : 56u);
        EXPECT_EQ(buffer.find_first_not_of('\xcc'), bufferSize < 56 ? std::string::npos : 0u);
        EXPECT_EQ(buffer.substr(56), std::string(8, '\xcc'));
        std::memcpy(words, buffer.data(), sizeof words);
        if (bufferSize < 56 || !Buffer2Chain(buffer.data(), size, &read, &used))
            continue;
        EXPECT_EQ(std::vector<UINT>(words, words + 8),
                  (std::vector<UINT>{0, 1, 3, 3, 8, 77, 2, 2}));
        EXPECT_EQ(containertest::ItemBytes(read), containertest::ItemBytes(chain));
        EXPECT_EQ(used + read.nCurrent + read.nAlloc, 56u + 1 + 3);
        DeleteChain(&read);
    }
    DeleteChain(&chain);
}

// Places bytes right before a page that cannot be read, so any read past them faults.
class GuardedBuffer {
public:
    explicit GuardedBuffer(const std::string& bytes) {
        const SIZE_T pages = (bytes.size() + 4095) / 4096 + 1;
        m_base =
            static_cast<BYTE*>(::VirtualAlloc(nullptr, pages * 4096, MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        ::VirtualProtect(m_base + (pages - 1) * 4096, 4096, PAGE_NOACCESS, &old);
        m_data = m_base + (pages - 1) * 4096 - bytes.size();
        std::memcpy(m_data, bytes.data(), bytes.size());
    }
    ~GuardedBuffer() { ::VirtualFree(m_base, 0, MEM_RELEASE); }
    const BYTE* data() const { return m_data; }

private:
    BYTE* m_base;
    BYTE* m_data;
};

TEST(ChainSerialization, RefusesHostileHeadersWithoutReadingPastTheBuffer) {
    struct Row {
        const char* what;
        std::string bytes;
        int result;
        UINT used;
    };
    const Row rows[] = {
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
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GuardedBuffer buffer(row.bytes);
        tagCHAIN chain;
        InitChain(&chain, 1, 0, 1, 1);
        UINT used = 0xdeadbeef;
        EXPECT_EQ(Buffer2Chain(buffer.data(), UINT(row.bytes.size()), &chain, &used), row.result);
        EXPECT_EQ(used, row.used);
        EXPECT_LT(chain.nCurrent, std::max(chain.nCount, 1u)); // never a cursor beyond the items
        DeleteChain(&chain);                                   // repairs what a refused header left
        EXPECT_EQ(chain.nCount, 0u);
    }
}

// The reference: the items as byte strings, the cursor, and the slot count growth must reach.
struct Model {
    std::vector<std::string> items;
    UINT cursor = 0, alloc = 0, initAlloc, growBy;
    void Insert(UINT slot, const std::string& item) {
        alloc = alloc == 0 ? initAlloc : items.size() == alloc ? alloc + growBy : alloc;
        items.insert(items.begin() + slot, item);
    }
};

TEST(ChainModel, RandomOperationsMatchAVectorWithACursor) {
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](UINT n) { return UINT(random() % n); };
        Model model;
        model.initAlloc = 1 + pick(4);
        model.growBy = 1 + pick(4);
        const UINT itemSize = 1 + pick(9);
        tagCHAIN chain;
        InitChain(&chain, itemSize, seed, model.initAlloc, model.growBy);
        std::string item(itemSize, 0);
        for (int step = 0; step < 150; ++step) {
            for (char& c : item)
                c = char(random());
            const UINT count = UINT(model.items.size()), n = pick(count + 2);
            const bool valid = n >= 1 && n <= count;
            int expected = 1, result = 1;
            const UINT op = pick(9);
            if (op == 0 || (op == 1 && count == 0) || (op == 2 && !valid)) {
                result = op == 0   ? AppendToChain(item.data(), &chain)
                         : op == 1 ? InsertInChain(item.data(), &chain)
                                   : InsertInNthOfChain(n, item.data(), &chain);
                model.Insert(count, item);
                model.cursor = count ? count : model.cursor;
            } else if (op == 1 || op == 2) {
                result = op == 1 ? InsertInChain(item.data(), &chain)
                                 : InsertInNthOfChain(n, item.data(), &chain);
                model.cursor = op == 2 ? n - 1 : model.cursor;
                model.Insert(model.cursor, item);
            } else if (op == 3) {
                result = SetContentOfNthOfChain(n, &chain, item.data());
                expected = valid;
                if (valid)
                    model.items[model.cursor = n - 1] = item;
            } else if (op == 4) {
                DeleteInChain(&chain);
                if (count > 0) {
                    model.items.erase(model.items.begin() + model.cursor);
                    if (model.cursor == count - 1 && model.cursor > 0)
                        --model.cursor;
                    if (count == 1)
                        model.alloc = model.cursor = 0;
                }
            } else if (op == 5 || op == 6) {
                const bool forward = op == 5;
                result = forward ? NextOfChain(&chain) : PreviousOfChain(&chain);
                expected = count > 0 && (forward ? model.cursor + 1 < count : model.cursor > 0);
                model.cursor += expected ? (forward ? 1 : -1) : 0;
            } else if (op == 7) {
                result = NthOfChain(n, &chain);
                expected = valid;
                model.cursor = valid ? n - 1 : model.cursor;
            } else if (pick(5) == 0) { // now and then start over
                DeleteChain(&chain);
                model.items.clear();
                model.cursor = model.alloc = 0;
            }
            std::string items;
            for (const std::string& i : model.items)
                items += i;
            if (result != expected || containertest::ItemBytes(chain) != items ||
                chain.nCount != model.items.size() || chain.nAlloc != model.alloc ||
                (!model.items.empty() && chain.nCurrent != model.cursor) ||
                !chain.pData != !model.alloc) {
                ADD_FAILURE() << "seed " << seed << " step " << step << " op " << op << ": "
                              << "count " << chain.nCount << " cursor " << chain.nCurrent
                              << " slots " << chain.nAlloc << ", model cursor " << model.cursor
                              << " slots " << model.alloc;
                break;
            }
        }
        DeleteChain(&chain);
    }
}

} // namespace
