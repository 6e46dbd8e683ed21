// Checks shared by the container tests.
#pragma once

#include "tuContainers.h"

#include <cstring>
#include <string>
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

} // namespace containertest
