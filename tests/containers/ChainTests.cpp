// The chain: cursor rules, growth, search probing, sorted insertion, traversals that remove,
// serialization against hostile headers, and a randomized comparison with a reference model.
#include "ContainerChecks.h"

#include <gtest/gtest.h>

#include <random>

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

// How insertion and removal move the cursor is checked step by step by the model test below.
TEST(ChainCursor, AnEmptyChainHasNoCurrentItem) {
    Chain chain;
    UINT out = 0xcccccccc, item = 10;
    EXPECT_EQ(IndexOfChain(&chain), 1u);
    EXPECT_EQ(StartOfChain(&chain) + EndOfChain(&chain) + NextOfChain(&chain) +
                  PreviousOfChain(&chain) + NthOfChain(1, &chain) + ContentOfChain(&chain, &out) +
                  SetContentOfNthOfChain(1, &chain, &item),
              0);
    EXPECT_EQ(out, 0xccccccccu);
    EXPECT_EQ(SetContentOfChain(&chain, &item), 1); // an empty chain inserts instead
    EXPECT_EQ(chain.Get(), Values{10});
}

// Growth steps themselves are checked after every insertion by the model test below.
TEST(ChainGrowth, RefusesWithoutRoomAndInsertsItsOwnItems) {
    Chain noFirst({}, 0, 3), noGrowth({1, 2}, 2, 0), full({10, 20}, 2, 1);
    UINT item = 9;
    EXPECT_EQ(AppendToChain(&item, &noFirst), 0);
    EXPECT_EQ(noFirst.pData, nullptr);
    EXPECT_EQ(InsertInChain(&item, &noGrowth), 0);
    EXPECT_EQ(noGrowth.Get(), (Values{1, 2}));
    StartOfChain(&full); // an item from the chain's own block, which the growth moves
    ASSERT_EQ(InsertInChain(static_cast<UINT*>(full.pData) + 1, &full), 1);
    EXPECT_EQ(full.Get(), (Values{20, 10, 20}));
}

TEST(ChainSearch, ProbesHalfWayTowardsTheFarEnd) {
    const struct {
        Values items;
        UINT key;
        Values probes;
        int sign; // of the result; 2 for an abort
        UINT index;
    } rows[] = {
        {{10, 20, 30}, 25, {20, 30}, -1, 3},
        {{10, 20, 30}, 35, {20, 30}, 1, 3},
        {{10, 20, 30}, 20, {20}, 0, 2},
        {{10, 20, 30}, 999, {20}, 2, 2},
        {{10, 20, 30, 40, 50, 60, 70}, 65, {40, 50, 60, 70}, -1, 7},
        {{10, 20, 30, 40, 50, 60, 70}, 5, {40, 30, 20, 10}, -1, 1},
        {{}, 5, {}, 1, 1},
    };
    for (const auto& row : rows) {
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
    auto insert = [&](UINT item, int unique, const UINT* key = nullptr) {
        return InsertInSortedChain(&item, &chain, CompareHalves, unique, key);
    };
    EXPECT_EQ(insert(20, 1), 1);
    insert(10, 1);
    insert(30, 1);
    EXPECT_LT(insert(25, 1), 0);
    EXPECT_EQ(IndexOfChain(&chain), 3u);
    EXPECT_EQ(insert(21, 1), 3); // equal to 20: refused when unique, else placed right before it
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    EXPECT_EQ(insert(21, 0), 0);
    EXPECT_EQ(IndexOfChain(&chain), 2u);
    const UINT key = 45;
    EXPECT_EQ(insert(1, 0, &key), 1); // searched by its key, not by itself
    EXPECT_EQ(chain.Get(), (Values{10, 21, 20, 25, 30, 1}));
    EXPECT_EQ(insert(999, 0), 2);
    EXPECT_EQ(chain.nCount, 6u);

    Chain sorted;
    std::mt19937 random(7);
    for (int i = 0; i < 500; ++i) {
        const UINT item = random() % 900;
        InsertInSortedChain(&item, &sorted, CompareHalves, 0, nullptr);
    }
    const Values values = sorted.Get();
    EXPECT_TRUE(
        std::is_sorted(values.begin(), values.end(), [](UINT a, UINT b) { return a / 2 < b / 2; }));
}

// A traversal's visit records what it saw, and stops at a position or removes what it gets.
struct Walk {
    tagCHAIN* chain;
    UINT stopAt;
    bool remove;
    Values seen;
};
int __cdecl Visit(void* item, UINT index, void* user) {
    auto* walk = static_cast<Walk*>(user);
    walk->seen.push_back(*static_cast<UINT*>(item));
    if (!walk->remove)
        return index != walk->stopAt;
    NthOfChain(index, walk->chain);
    DeleteInChain(walk->chain);
    return 0;
}

TEST(ChainTraversal, StopsAndRemovesAsEachFormPromises) {
    Chain chain({10, 20, 30}), special({1, 2, 3, 4});
    Walk stop{&chain, 2, false, {}}, all{&chain, 0, false, {}}, removeRev{&chain, 0, true, {}},
        removeAll{&special, 0, true, {}};
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

TEST(ChainSerialization, WritesOnlyWhenTheBufferIsLargeEnough) {
    tagCHAIN chain, read;
    InitChain(&chain, 8, 77, 2, 2);
    for (const unsigned long long item : {1ull, 2ull, 3ull})
        AppendToChain(&item, &chain);
    NthOfChain(2, &chain);
    for (UINT bufferSize : {55u, 56u, 64u}) {
        SCOPED_TRACE(bufferSize);
        std::string buffer(64, '\xcc');
        UINT size = 0xdeadbeef, used = 0;
        EXPECT_EQ(Chain2Buffer(&chain, &size, buffer.data(), bufferSize), bufferSize >= 56);
        EXPECT_EQ(size, bufferSize < 56 ? 0xdeadbeef : 56u);
        EXPECT_EQ(buffer.find_first_not_of('\xcc'), bufferSize < 56 ? std::string::npos : 0u);
        EXPECT_EQ(buffer.substr(56), std::string(8, '\xcc'));
        if (bufferSize < 56 || !Buffer2Chain(buffer.data(), size, &read, &used))
            continue;
        const auto* words = reinterpret_cast<const UINT*>(buffer.data());
        EXPECT_EQ(Values(words, words + 8), (Values{0, 1, 3, 3, 8, 77, 2, 2}));
        EXPECT_EQ(containertest::ItemBytes(read), containertest::ItemBytes(chain));
        EXPECT_EQ(used + read.nCurrent + read.nAlloc, 56u + 1 + 3);
        DeleteChain(&read);
    }
    DeleteChain(&chain);
}

// A serialized header: storage slot, cursor, count, slots, item size, user, first, growth.
std::string Header(UINT cursor, UINT count, UINT itemSize) {
    const UINT words[8] = {0, cursor, count, count, itemSize, 5, 2, 3};
    return std::string(reinterpret_cast<const char*>(words), sizeof words);
}

TEST(ChainSerialization, RefusesHostileHeadersWithoutReadingPastTheBuffer) {
    // Each row's bytes end right before a page that cannot be read, so reading past them faults.
    const SIZE_T pages = 18;
    auto* base =
        static_cast<BYTE*>(::VirtualAlloc(nullptr, pages * 4096, MEM_COMMIT, PAGE_READWRITE));
    DWORD old;
    ASSERT_TRUE(::VirtualProtect(base + (pages - 1) * 4096, 4096, PAGE_NOACCESS, &old));
    const struct {
        const char* what;
        std::string bytes;
        int result;
        UINT used;
    } rows[] = {
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
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        BYTE* data = base + (pages - 1) * 4096 - row.bytes.size();
        std::memcpy(data, row.bytes.data(), row.bytes.size());
        tagCHAIN chain;
        InitChain(&chain, 1, 0, 1, 1);
        UINT used = 0xdeadbeef;
        EXPECT_EQ(Buffer2Chain(data, UINT(row.bytes.size()), &chain, &used), row.result);
        EXPECT_EQ(used, row.used);
        EXPECT_LT(chain.nCurrent, std::max(chain.nCount, 1u)); // never a cursor beyond the items
        DeleteChain(&chain);                                   // repairs what a refused header left
        EXPECT_EQ(chain.nCount, 0u);
    }
    ::VirtualFree(base, 0, MEM_RELEASE);
}

// Random operations on random item sizes and growth steps, compared after every step with the
// items as byte strings, the cursor, and the slot count growth must reach.
TEST(ChainModel, RandomOperationsMatchAVectorWithACursor) {
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::mt19937 random(seed);
        auto pick = [&](UINT n) { return UINT(random() % n); };
        const UINT initAlloc = 1 + pick(4), growBy = 1 + pick(4), itemSize = 1 + pick(9);
        std::vector<std::string> items;
        UINT cursor = 0, alloc = 0;
        tagCHAIN chain;
        InitChain(&chain, itemSize, seed, initAlloc, growBy);
        std::string item(itemSize, 0);
        for (int step = 0; step < 150; ++step) {
            for (char& c : item)
                c = char(random());
            const UINT count = UINT(items.size()), n = pick(count + 2), op = pick(9);
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
                items.insert(items.begin() + cursor, item);
            } else if (op == 3) {
                result = SetContentOfNthOfChain(n, &chain, item.data());
                expected = valid;
                if (valid)
                    items[cursor = n - 1] = item;
            } else if (op == 4) {
                DeleteInChain(&chain);
                if (count > 0) {
                    items.erase(items.begin() + cursor);
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
                std::string out(itemSize, 0);
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
                else if (count > 0 && out != items[cursor])
                    expected = -1; // the wrong item's bytes
            }
            std::string bytes;
            for (const std::string& i : items)
                bytes += i;
            if (result != expected || containertest::ItemBytes(chain) != bytes ||
                chain.nCount != items.size() || chain.nAlloc != alloc ||
                (!items.empty() &&
                 (chain.nCurrent != cursor || IndexOfChain(&chain) != cursor + 1)) ||
                !chain.pData != !alloc) {
                ADD_FAILURE() << "seed " << seed << " step " << step << " op " << op << ": count "
                              << chain.nCount << " cursor " << chain.nCurrent << " slots "
                              << chain.nAlloc << ", model cursor " << cursor << " slots " << alloc;
                break;
            }
        }
        DeleteChain(&chain);
    }
}

} // namespace
