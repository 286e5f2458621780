#include "platform/posix/sigpipe_guard.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>

namespace qor::platform {
namespace {

bool sigpipe_pending() {
    sigset_t pending;
    sigemptyset(&pending);
    return sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

}  // namespace

SigpipeGuard::SigpipeGuard() {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGPIPE);
    active_ = pthread_sigmask(SIG_BLOCK, &block, &old_mask_) == 0;
    // A SIGPIPE the thread did not block was delivered, not left pending:
    // only a blocked one can be pending already.
    was_pending_ = active_ && sigismember(&old_mask_, SIGPIPE) == 1 && sigpipe_pending();
}

SigpipeGuard::~SigpipeGuard() {
    if (!active_) return;
    if (!was_pending_ && sigpipe_pending()) {
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, SIGPIPE);
        const struct timespec now = {0, 0};
        int saved = errno;
        while (sigtimedwait(&only, nullptr, &now) == -1 && errno == EINTR) {}
        errno = saved;
    }
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
}

}  // namespace qor::platform
