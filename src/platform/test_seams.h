// Tests only: every test seam of the platform layer (the heap's allocation
// limit, injected digest faults, a pretended version, a component folder)
// back to the real thing at once.
#pragma once

namespace qor::platform {

void reset_seams_for_testing();

}  // namespace qor::platform
