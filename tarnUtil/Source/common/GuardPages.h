// The guard-page heap of the checked build: each block ends where an inaccessible page begins and
// a freed block stays inaccessible for a while, so an overrun or a use after free faults at the
// instruction that does it.
#pragma once

#include <cstddef>

namespace tu::guard {

// A block of at least one byte that ends at a page boundary, filled with 0xCB; its start is
// aligned to the largest power of two (at most 16) that divides the size, so that any object
// of that size is aligned. Null when no memory is left.
void* Allocate(std::size_t bytes);

// Moves the block's bytes into a block of the new size; the old block stays valid on failure.
// A pointer that is not one of this heap's goes to the C runtime's realloc.
void* Reallocate(void* block, std::size_t bytes);

// Makes the block inaccessible and, after a while, reusable. A pointer that is not one of this
// heap's (the C++ runtime's own string buffers, freed by inline code) goes to the C runtime's
// free; freeing one of this heap's blocks twice, or a pointer into one, stops the program, as
// does a write into the bytes before the block's start on its first page.
void Release(void* block);

// True when the pointer lies in this heap's address range.
bool Owns(const void* block);

} // namespace tu::guard
