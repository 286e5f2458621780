// Private to the session module (directory_session.h): the process-wide
// memory of hosts that gave no answer.
#pragma once

namespace qor {

// Forgets every host that gave no answer.
void forget_dead_hosts();

}  // namespace qor
