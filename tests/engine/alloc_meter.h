// Counts the bytes the program holds on the heap, for tests that bound what
// an operation may take in proportion to its input.
#pragma once

#include <cstddef>

namespace vd::test {

// Bytes now held, and the most held since the last ResetPeak.
std::size_t HeapInUse();
std::size_t HeapPeak();
void ResetHeapPeak();

}  // namespace vd::test
