#include "platform/memory_reuse.hpp"

#include <malloc.h>

namespace quirelle {

void KeepFreedMemoryForReuse() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

}  // namespace quirelle
