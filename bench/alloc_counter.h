// Counts heap allocations anywhere in the process (this program, the
// library, the libraries under it), for benchmarks that must show an
// operation allocates nothing. malloc, calloc and realloc are interposed;
// operator new reaches malloc. The aligned allocation calls are not seen.
#pragma once

#include <cstddef>

namespace qorbench {

// Allocations since the start of the process.
size_t allocations();

}  // namespace qorbench
