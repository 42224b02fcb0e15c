#pragma once

// The C heap set up for a process that streams large downloads. The TLS socket takes in what the
// kernel holds (several MB at once when the worker was busy) into buffers made and freed on every
// pass; with the allocator's defaults those are mapped and unmapped each time, and the freed heap
// is handed back and faulted in again, until its adaptive limits catch up, which takes most of the
// first gigabyte and halves that download's speed. Fixed limits above those sizes keep the memory
// in the heap from the start. Call once, early in main, before any thread starts.
void tuneHeapForStreaming();
