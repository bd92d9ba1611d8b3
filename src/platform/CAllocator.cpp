#include "platform/CAllocator.h"

#include <new>

#ifdef CRATEWISE_MIMALLOC
#include <cstddef>
#include <mimalloc.h>
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

void* Take(std::size_t size)
{
    return OrThrow([size] { return mi_malloc(size); });
}

void* TakeAligned(std::size_t size, std::align_val_t align)
{
    return OrThrow([=] { return mi_malloc_aligned(size, std::size_t(align)); });
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
