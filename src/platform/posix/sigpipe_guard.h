// Keeps SIGPIPE from killing the calling process while libldap writes to
// a socket the peer has closed (an asynchronous connect to a closed port
// does this). The signal is blocked on the calling thread for the
// duration of one call, and a SIGPIPE that the call raised is taken off
// the thread's pending set before the old mask returns. The process's
// own disposition and handlers are never touched, and a SIGPIPE that was
// already pending before the call is left for the caller.
#pragma once

#include <signal.h>

namespace qor::platform {

class SigpipeGuard {
  public:
    SigpipeGuard();
    ~SigpipeGuard();
    SigpipeGuard(const SigpipeGuard &) = delete;
    SigpipeGuard &operator=(const SigpipeGuard &) = delete;

  private:
    sigset_t old_mask_;
    bool was_pending_ = false;
    bool active_ = false;
};

}  // namespace qor::platform
