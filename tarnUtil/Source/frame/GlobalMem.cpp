// Global-memory blocks handed out by their locked address.
#include "tuFrame.h"

#include "common/WindowsSupport.h"

namespace {
// Hands a fresh block over by its locked address; a block that cannot be locked is freed.
void* LockedAddress(HGLOBAL fresh) {
    tu::UniqueGlobal block(fresh);
    void* p = block ? ::GlobalLock(block.get()) : nullptr;
    if (p)
        block.release(); // the caller frees the block through its address
    return p;
}
} // namespace

void* WINAPI memGlobalAllocPtr(UINT flags, DWORD size) {
    return LockedAddress(::GlobalAlloc(flags, size));
}

void* WINAPI memGlobalReAllocPtr(void* p, DWORD size, UINT flags) {
    // A resize to 0 bytes would discard or free the block, and a null answer would then look
    // like a failed resize whose block the caller still owns: it is refused instead.
    if (size == 0 && !(flags & GMEM_MODIFY)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HGLOBAL block = ::GlobalHandle(p);
    if (!block)
        return nullptr;
    ::GlobalUnlock(block);
    HGLOBAL resized = ::GlobalReAlloc(block, size, flags);
    if (!resized) {
        ::GlobalLock(block); // the caller's old pointer stays valid
        return nullptr;
    }
    return LockedAddress(resized);
}

void* WINAPI memGlobalFreePtr(void* p) {
    HGLOBAL block = ::GlobalHandle(p);
    if (!block)
        return nullptr;
    ::GlobalUnlock(block);
    return ::GlobalFree(block);
}
