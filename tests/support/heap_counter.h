// Counts the blocks taken from the heap with operator new while counting is
// on: what a piece of code costs in allocations. Not under AddressSanitizer,
// whose own operator new must stay in place.
#pragma once

namespace ql::testing {

// False where the count is not kept (a sanitizer build).
bool HeapCountKept();
void StartHeapCount();
// The blocks taken since StartHeapCount.
long StopHeapCount();

}  // namespace ql::testing
