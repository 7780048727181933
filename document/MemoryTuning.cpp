// Memory settings for documents of hundreds of megabytes.
#include "document/MemoryTuning.h"

#include <malloc.h>

void KeepFreedMemoryForReuse() {
  // Large blocks come from the heap rather than from their own mappings, and up to 1 GiB of
  // free heap stays mapped for reuse.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}
