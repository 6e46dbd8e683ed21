// The C run-time heap calls of the chain and the heap manager, gathered in one place so that a
// test build of these sources (compiled with TARN_ALLOC_SEAM) can fail chosen allocations.
#pragma once

#include "common/OwnHeap.h"

#include <cstddef>

namespace tu::containers {

#ifdef TARN_ALLOC_SEAM
// Supplied by the allocation-failure test program, which counts the calls and fails the one it
// was told to; the shipped library never has this seam.
void* CrtMalloc(std::size_t bytes);
void* CrtRealloc(void* block, std::size_t bytes);
void CrtFree(void* block);
#else
inline void* CrtMalloc(std::size_t bytes) {
    return OwnMalloc(bytes);
}
inline void* CrtRealloc(void* block, std::size_t bytes) {
    return OwnRealloc(block, bytes);
}
inline void CrtFree(void* block) {
    OwnFree(block);
}
#endif

} // namespace tu::containers
