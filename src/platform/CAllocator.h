#pragma once

// The program's memory allocator (mimalloc, which stands in for malloc and free), set up
// once at the start of a program.
namespace CAllocator {

// Keeps freed memory for a while before giving it back to the system: listing and sorting a
// million songs frees and takes again buffers of tens of megabytes, and taking them fresh
// from the system costs a page fault per page each time.
void Tune();

} // namespace CAllocator
