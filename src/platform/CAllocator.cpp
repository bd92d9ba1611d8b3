#include "platform/CAllocator.h"

#include <new>

#ifdef CRATEWISE_MIMALLOC
#include <cstddef>
#include <cstdint>
#include <mimalloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

void CAllocator::ThrowWhenRefused()
{
    std::set_new_handler([] { throw std::bad_alloc(); });
}

void CAllocator::Tune()
{
#ifdef CRATEWISE_MIMALLOC
    // Milliseconds; the defaults (25 and 500) give memory back between two clicks.
    mi_option_set(mi_option_decommit_delay, kKeepMs);
    mi_option_set(mi_option_segment_decommit_delay, kKeepMs);
    // Memory that threads of a sort (a second reader, key makers) leave behind when they end
    // is given back too; else it stays until another thread takes it over.
    mi_option_set(mi_option_abandoned_page_decommit, 1);
#endif
}

void CAllocator::GiveBack()
{
#ifdef CRATEWISE_MIMALLOC
    mi_collect(true);
#endif
}

#ifdef CRATEWISE_MIMALLOC

namespace {

// As the language has it: the handler, while there is one, may make room or throw; without
// one the request throws.
template <typename Allocate> void* OrThrow(Allocate allocate)
{
    for (;;) {
        if (void* p = allocate())
            return p;
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

// Blocks this large are mapped afresh from the system for each request and given back when
// freed (the sorts' texts of a million songs, say): the first touch of every 4 KB page then
// faults, which costs as much as the sort's own work where page faults are slow (virtual
// machines). Transparent huge pages fault once for every 2 MB instead.
constexpr std::size_t kHugeBlock = std::size_t(16) << 20;

void* InHugePages(void* block, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    if (block && size >= kHugeBlock) {
        static const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
        const std::uintptr_t begin = (std::uintptr_t(block) + page - 1) & ~(page - 1);
        const std::uintptr_t end = (std::uintptr_t(block) + size) & ~(page - 1);
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE); // a hint only
    }
#endif
    return block;
}

void* Take(std::size_t size)
{
    return OrThrow([size] { return InHugePages(mi_malloc(size), size); });
}

void* TakeAligned(std::size_t size, std::align_val_t align)
{
    return OrThrow([=] { return InHugePages(mi_malloc_aligned(size, std::size_t(align)), size); });
}

} // namespace

void* operator new(std::size_t size)
{
    return Take(size);
}
void* operator new[](std::size_t size)
{
    return Take(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return mi_malloc(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return mi_malloc(size);
}
void* operator new(std::size_t size, std::align_val_t align)
{
    return TakeAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align)
{
    return TakeAligned(size, align);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return mi_malloc_aligned(size, std::size_t(align));
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return mi_malloc_aligned(size, std::size_t(align));
}

void operator delete(void* p) noexcept
{
    mi_free(p);
}
void operator delete[](void* p) noexcept
{
    mi_free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    mi_free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    mi_free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    mi_free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    mi_free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    mi_free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    mi_free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    mi_free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    mi_free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    mi_free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept
{
    mi_free(p);
}

#endif
