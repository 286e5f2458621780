// The first exchange in a process loads the mechanism and runs the
// one-time set-up of GSSAPI, OpenSSL and the mechanism's helpers, some of
// which is not safe to race. One serial throwaway exchange before the
// first real one takes that out of concurrent checks.
#pragma once

namespace qorsspi {

// Runs the throwaway exchange once per process; later calls return at once.
void warm_up_once();

}  // namespace qorsspi
