// Benchmarks of the containers, each against a baseline in the same run: sorted insertion and
// search in a chain against std::vector with lower_bound, heap-manager items against
// malloc/free of the same sizes.
#include "tuContainers.h"

#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Milliseconds of the fastest of `runs` runs of each, repeated; a ratio above 1 means the
// library is the slower. Short work takes several runs, so that one preemption does not decide.
template <class Ours, class Theirs>
void CompareAndPrint(const char* what, Ours ours, const char* baseline, Theirs theirs,
                     int runs = 1) {
    const auto [times] = bench::Compare<1>([&] {
        return std::array{bench::Pair{1e3 * bench::BestSeconds(runs, ours),
                                      1e3 * bench::BestSeconds(runs, theirs)}};
    });
    std::printf("%-44s %9.2f ms\n", what, times.ours);
    std::printf("%-44s %9.2f ms\n", baseline, times.theirs);
    bench::PrintRatio(times.ratio);
}

int __cdecl CompareKeys(const void* key, const void* item) {
    const UINT k = *static_cast<const UINT*>(key), v = *static_cast<const UINT*>(item);
    return k < v ? -1 : k > v ? 1 : 0;
}

// 100,000 random keys put in order, then 100,000 searches for them in another order.
void BenchSortedChain() {
    constexpr int kKeys = 100000;
    std::mt19937 random(1);
    std::vector<UINT> keys(kKeys);
    for (UINT& key : keys)
        key = random();
    std::vector<UINT> probes = keys;
    std::shuffle(probes.begin(), probes.end(), random);

    unsigned found = 0, vectorFound = 0;
    auto chainWork = [&] {
        found = 0;
        tagCHAIN chain;
        InitChain(&chain, sizeof(UINT), 0, 4096, 4096);
        for (const UINT& key : keys)
            InsertInSortedChain(&key, &chain, CompareKeys, 0, nullptr);
        for (const UINT& key : probes)
            found += SearchInChain(&key, &chain, CompareKeys) == 0;
        DeleteChain(&chain);
    };
    auto vectorWork = [&] {
        vectorFound = 0;
        std::vector<UINT> sorted;
        for (UINT key : keys)
            sorted.insert(std::lower_bound(sorted.begin(), sorted.end(), key), key);
        for (UINT key : probes) {
            auto at = std::lower_bound(sorted.begin(), sorted.end(), key);
            vectorFound += at != sorted.end() && *at == key;
        }
    };
    std::printf("chain: %d sorted insertions, then %d searches\n", kKeys, kKeys);
    CompareAndPrint("InsertInSortedChain + SearchInChain", chainWork,
                    "std::vector lower_bound + insert", vectorWork);
    std::printf("  found %u, baseline %u\n", found, vectorFound);
}

// 100,000 insertions and deletions of 8 to 64-byte items, at most 500 alive at once.
void BenchHeap() {
    constexpr int kOperations = 100000;
    struct Operation {
        bool insert;
        UINT sizeOrVictim; // the size to insert, or which live item to delete
    };
    std::mt19937 random(2);
    std::vector<Operation> operations;
    size_t alive = 0;
    for (int i = 0; i < kOperations; ++i) {
        const bool insert = alive < 250 || (alive < 500 && random() % 2);
        operations.push_back({insert, insert ? 8 + UINT(random() % 57) : UINT(random() % alive)});
        alive += insert ? 1 : -1;
    }
    char data[64];
    std::memset(data, 'x', sizeof data);

    struct Item {
        UINT handle;
        UINT size;
    };
    unsigned refused = 0;
    auto heapItems = [&] {
        refused = 0;
        tagHEAPMG heap;
        // 563 bytes first and per growth step: the sizes the hook registry gives its heap.
        HeapMgInit(&heap, HEAPMG_NOEMPTYSTR, 563, 563);
        std::vector<Item> live;
        for (const Operation& op : operations) {
            if (op.insert) {
                UINT handle = 0;
                refused += !HeapMgInsertItem(data, op.sizeOrVictim, &heap, &handle);
                live.push_back({handle, op.sizeOrVictim});
            } else {
                HeapMgDeleteItem(&heap, live[op.sizeOrVictim].handle, live[op.sizeOrVictim].size);
                live[op.sizeOrVictim] = live.back();
                live.pop_back();
            }
        }
        HeapMgDelete(&heap);
    };
    auto mallocBlocks = [&] {
        std::vector<void*> live;
        for (const Operation& op : operations) {
            if (op.insert) {
                void* block = std::malloc(op.sizeOrVictim);
                std::memcpy(block, data, op.sizeOrVictim);
                live.push_back(block);
            } else {
                std::free(live[op.sizeOrVictim]);
                live[op.sizeOrVictim] = live.back();
                live.pop_back();
            }
        }
        for (void* block : live)
            std::free(block);
    };
    std::printf("heap: %d mixed insertions and deletions of 8-64 bytes\n", kOperations);
    CompareAndPrint("HeapMgInsertItem + HeapMgDeleteItem", heapItems, "malloc + free", mallocBlocks,
                    5);
    std::printf("  %u refused\n", refused);
}

} // namespace

int wmain() {
    BenchSortedChain();
    BenchHeap();
    return 0;
}
