// Benchmarks of the containers, each against a baseline in the same run: sorted insertion and
// search in a chain against std::vector with lower_bound, heap-manager items against
// malloc/free of the same sizes.
#include "tuContainers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5; // each side's best round counts, to damp scheduling noise

template <class Work> double BestMilliseconds(Work work) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point start = Clock::now();
        work();
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

void PrintComparison(const char* what, const char* baseline, double ours, double theirs) {
    std::printf("%-44s %9.2f ms\n", what, ours);
    std::printf("%-44s %9.2f ms\n", baseline, theirs);
    std::printf("ratio: %.2f\n", ours / theirs);
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

    unsigned found = 0;
    const double chainTime = BestMilliseconds([&] {
        found = 0;
        tagCHAIN chain;
        InitChain(&chain, sizeof(UINT), 0, 4096, 4096);
        for (const UINT& key : keys)
            InsertInSortedChain(&key, &chain, CompareKeys, 0, nullptr);
        for (const UINT& key : probes)
            found += SearchInChain(&key, &chain, CompareKeys) == 0;
        DeleteChain(&chain);
    });
    unsigned vectorFound = 0;
    const double vectorTime = BestMilliseconds([&] {
        vectorFound = 0;
        std::vector<UINT> sorted;
        for (UINT key : keys)
            sorted.insert(std::lower_bound(sorted.begin(), sorted.end(), key), key);
        for (UINT key : probes) {
            auto at = std::lower_bound(sorted.begin(), sorted.end(), key);
            vectorFound += at != sorted.end() && *at == key;
        }
    });
    std::printf("chain: %d sorted insertions, then %d searches (found %u, baseline %u)\n", kKeys,
                kKeys, found, vectorFound);
    PrintComparison("InsertInSortedChain + SearchInChain", "std::vector lower_bound + insert",
                    chainTime, vectorTime);
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
    const double heapTime = BestMilliseconds([&] {
        refused = 0;
        tagHEAPMG heap;
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
    });
    const double mallocTime = BestMilliseconds([&] {
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
    });
    std::printf("heap: %d mixed insertions and deletions of 8-64 bytes (%u refused)\n", kOperations,
                refused);
    PrintComparison("HeapMgInsertItem + HeapMgDeleteItem", "malloc + free", heapTime, mallocTime);
}

} // namespace

int wmain() {
    BenchSortedChain();
    BenchHeap();
    return 0;
}
