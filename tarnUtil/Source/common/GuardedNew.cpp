// The checked build's operator new and delete: every C++ allocation of the module that links this
// file comes from the guard-page heap. Buffers that the C++ runtime allocated for inline code of
// this module (string members compiled into the runtime DLL) are handed back to the C runtime.
#include "common/GuardPages.h"

#include <new>

namespace {

void* AllocateOrThrow(std::size_t bytes) {
    if (void* block = tu::guard::Allocate(bytes))
        return block;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t bytes) {
    return AllocateOrThrow(bytes);
}
void* operator new[](std::size_t bytes) {
    return AllocateOrThrow(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return tu::guard::Allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return tu::guard::Allocate(bytes);
}
void operator delete(void* block) noexcept {
    tu::guard::Release(block);
}
void operator delete[](void* block) noexcept {
    tu::guard::Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    tu::guard::Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    tu::guard::Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    tu::guard::Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    tu::guard::Release(block);
}
