// The first exchange in a process loads the mechanism and runs the
// one-time set-up of GSSAPI, OpenSSL and the mechanism's helpers, some of
// which is not safe to race. One serial throwaway round before the first
// real exchange takes that out of concurrent checks: the negotiate and
// challenge messages only. The logon itself is the exchange's last step,
// which the round never takes, so no domain controller (through winbind)
// sees a logon that no caller asked for.
#pragma once

namespace qorsspi {

// Runs the throwaway round once per process; later calls return at once.
void warm_up_once();

}  // namespace qorsspi
