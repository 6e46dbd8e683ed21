// Control of the containers' allocations in the allocation-failure test program, which
// compiles the container sources with TARN_ALLOC_SEAM and supplies their allocator.
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

} // namespace allocseam
