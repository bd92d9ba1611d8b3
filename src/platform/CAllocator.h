#pragma once

// The program's memory allocator (mimalloc, which stands in for malloc and free), set up
// once at the start of a program.
namespace CAllocator {

// Memory the system refuses throws std::bad_alloc where it was asked for, in every thread,
// so that the reader of a hostile file fails alone and the program goes on. mimalloc's own
// operator new ends the process instead, handler or not (its build does not see the
// handler std::set_new_handler installs): CAllocator.cpp replaces the global operator new
// and delete with ones over mimalloc that ask the handler, as the language has it. The
// program and the test programs call this first; the call also links the replacement in.
void ThrowWhenRefused();

// Keeps freed memory for a while before giving it back to the system: listing and sorting a
// million songs frees and takes again buffers of tens of megabytes, and taking them fresh
// from the system costs a page fault per page each time.
void Tune();

// How long Tune keeps freed memory.
inline constexpr int kKeepMs = 10000;

// Gives back to the system what is freed and kept: the allocator does so only while the
// program allocates, so a window left idle after a large sort would keep it for good.
void GiveBack();

} // namespace CAllocator
