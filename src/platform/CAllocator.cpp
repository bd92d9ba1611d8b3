#include "platform/CAllocator.h"

#ifdef CRATEWISE_MIMALLOC
#include <mimalloc.h>
#endif

void CAllocator::Tune()
{
#ifdef CRATEWISE_MIMALLOC
    // Milliseconds; the defaults (25 and 500) give memory back between two clicks.
    constexpr long kKeep = 10000;
    mi_option_set(mi_option_decommit_delay, kKeep);
    mi_option_set(mi_option_segment_decommit_delay, kKeep);
#endif
}
