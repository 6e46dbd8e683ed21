// Frame and memory: global-memory blocks handed out by their locked address.
// Threads: any thread; nothing is locked: whoever owns a block decides who may use it.
#pragma once

#include "tuExport.h"

#include <windows.h>

// Allocates a global memory block (GlobalAlloc flags) and returns its locked address.
// Null when the block cannot be allocated or locked; no block is left behind then.
// Release the block with memGlobalFreePtr.
TARNUTIL_API void* WINAPI memGlobalAllocPtr(UINT flags, DWORD size);

// Resizes the block at p (GlobalReAlloc flags) and returns its new locked address.
// Null when p is no global block's address, or the resize fails: the old block then stays
// as it was and p stays valid (free it with memGlobalFreePtr); or the new block cannot be
// locked: it is freed then. A size of 0 (without GMEM_MODIFY) is refused with null and last
// error ERROR_INVALID_PARAMETER, the block untouched and p still valid: the system would
// discard or free the block, and a null answer could then not be told from a failed resize.
// Release a block with memGlobalFreePtr, never by a resize to 0.
TARNUTIL_API void* WINAPI memGlobalReAllocPtr(void* p, DWORD size, UINT flags);

// Unlocks and frees the block at p. Null on success; the block's handle when GlobalFree
// fails; null also when p is no global block's address (nothing is freed then).
TARNUTIL_API void* WINAPI memGlobalFreePtr(void* p);
