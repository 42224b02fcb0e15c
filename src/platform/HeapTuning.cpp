#include "platform/HeapTuning.h"

#include <malloc.h>

void tuneHeapForStreaming() {
    // Buffers below 32 MiB come from the heap; the heap keeps up to 64 MiB free at its top.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}
