// Heap use of the benchmark program, counted by its own operator new and delete: the bytes
// live now, and the most that were live since the last ResetPeakHeap().
#pragma once
#include <cstddef>

size_t LiveHeapBytes();
size_t PeakHeapBytes();
// Starts a new peak from the bytes live now.
void ResetPeakHeap();
