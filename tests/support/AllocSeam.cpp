// The containers' allocator in the allocation-failure test program: the C run-time heap,
// counting every call and failing the one chosen by Reset.
#include "AllocSeam.h"

#include <cstddef>
#include <cstdlib>

namespace {

unsigned g_calls = 0;
unsigned g_failAt = 0;
long g_live = 0;

bool FailThisCall() {
    return ++g_calls == g_failAt;
}

} // namespace

namespace allocseam {

void Reset(unsigned failAt) {
    g_calls = 0;
    g_failAt = failAt;
}

unsigned Calls() {
    return g_calls;
}

bool Failed() {
    return g_failAt != 0 && g_calls >= g_failAt;
}

long Live() {
    return g_live;
}

} // namespace allocseam

namespace tu::containers {

void* CrtMalloc(std::size_t bytes) {
    if (FailThisCall())
        return nullptr;
    void* block = std::malloc(bytes);
    g_live += block != nullptr;
    return block;
}

void* CrtRealloc(void* block, std::size_t bytes) {
    if (FailThisCall())
        return nullptr;
    return std::realloc(block, bytes);
}

void CrtFree(void* block) {
    g_live -= block != nullptr;
    std::free(block);
}

} // namespace tu::containers
