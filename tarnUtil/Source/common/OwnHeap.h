// The C heap calls for blocks that the library allocates and frees itself (never for memory
// handed to callers, who free it with the C runtime's free): the C runtime's heap, or the
// guard-page heap in the checked build.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

#ifdef TARN_GUARD_PAGES
#include "common/GuardPages.h"
#endif

namespace tu {

#ifdef TARN_GUARD_PAGES
inline void* OwnMalloc(std::size_t bytes) {
    return guard::Allocate(bytes);
}
inline void* OwnRealloc(void* block, std::size_t bytes) {
    return guard::Reallocate(block, bytes);
}
inline void OwnFree(void* block) {
    guard::Release(block);
}
#else
inline void* OwnMalloc(std::size_t bytes) {
    return std::malloc(bytes);
}
inline void* OwnRealloc(void* block, std::size_t bytes) {
    return std::realloc(block, bytes);
}
inline void OwnFree(void* block) {
    std::free(block);
}
#endif

} // namespace tu
