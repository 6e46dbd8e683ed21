// Global-memory blocks handed out by their locked address.
#include "tuFrame.h"

#include "common/WindowsSupport.h"

void* WINAPI memGlobalAllocPtr(UINT flags, DWORD size) {
    HGLOBAL block = ::GlobalAlloc(flags, size);
    if (!block)
        return nullptr;
    void* p = ::GlobalLock(block);
    if (!p)
        ::GlobalFree(block);
    return p;
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
    void* q = ::GlobalLock(resized);
    if (!q)
        ::GlobalFree(resized);
    return q;
}

void* WINAPI memGlobalFreePtr(void* p) {
    HGLOBAL block = ::GlobalHandle(p);
    if (!block)
        return nullptr;
    ::GlobalUnlock(block);
    return ::GlobalFree(block);
}
