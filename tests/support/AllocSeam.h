// Control of the allocations in the allocation-failure test programs: the containers' allocator
// of a program that compiles the container sources with TARN_ALLOC_SEAM, or (after
// CountProcessAllocations) every operator new of the process and tarnUtil.dll's C allocations.
#pragma once

namespace allocseam {

// Starts counting malloc and realloc calls afresh and fails the failAt-th (1-based; 0: none).
void Reset(unsigned failAt);
// malloc and realloc calls since Reset.
unsigned Calls();
// Whether the call chosen by Reset has happened, and so failed.
bool Failed();
// Blocks allocated and not yet freed.
long Live();

// From now on counts, in the calling thread only, every operator new (the C++ runtime's own,
// which every module shares) and tarnUtil.dll's malloc, calloc and realloc, and fails the one
// chosen by Reset: operator new by throwing std::bad_alloc, the C functions with null.
void CountProcessAllocations();

} // namespace allocseam
