// Checks shared by the container tests.
#pragma once

#include "tuContainers.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace containertest {

inline std::string ItemBytes(const tagCHAIN& chain) {
    return chain.pData
               ? std::string(static_cast<const char*>(chain.pData), chain.nCount * chain.nItemSize)
               : std::string();
}

inline std::vector<FREEBLOCK> FreeRanges(const tagHEAPMG& heap) {
    std::vector<FREEBLOCK> ranges(heap.freeList.pData ? heap.freeList.nCount : 0);
    if (!ranges.empty())
        std::memcpy(ranges.data(), heap.freeList.pData, ranges.size() * sizeof(FREEBLOCK));
    return ranges;
}

// Live items by handle, with the bytes each must still read.
using LiveItems = std::map<UINT, std::string>;

// Empty when every byte past the two reserved ones belongs to exactly one live item or one free
// range, the free ranges ascend without touching, and every live handle reads its bytes.
inline std::string HeapProblem(const tagHEAPMG& heap, const LiveItems& live) {
    if (!heap.pHeap)
        return heap.nHeapSize || heap.freeList.nCount || !live.empty() ? "no block" : "";
    const auto* block = static_cast<const char*>(heap.pHeap);
    if (block[0] || block[1])
        return "reserved bytes changed";
    std::vector<std::pair<unsigned long long, unsigned long long>> pieces; // [start, end)
    for (const FREEBLOCK& b : FreeRanges(heap)) {
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

} // namespace containertest
