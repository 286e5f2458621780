#include "directory/session_pool.h"

#include "directory/directory_session.h"
#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/process.h"

namespace qor {
namespace {

using Clock = std::chrono::steady_clock;

struct Idle {
    LDAP *ld;
    Clock::time_point since;
};

struct Kept {
    std::vector<Idle> idle;  // the most recently given back last
    std::size_t in_use = 0;
};

struct State {
    KeepPolicy policy;     // the limits' keep policy, as it was at the last take or give back
    bool started = false;  // set at the first use in a process
    bool forked = false;   // this is a child of fork(); the sessions are the parent's
    std::map<std::string, Kept> kept;
    std::size_t idle_count = 0;
    Clock::time_point last_sweep;
    // A parent's sessions seen in a child of fork(): never used, never
    // closed (an unbind would end the parent's connection or break its
    // TLS stream), only kept referenced.
    std::vector<LDAP *> inherited;
};

std::mutex g_mutex;

// Never destroyed: other threads may still check passwords while the
// process exits; close_kept_sessions runs at unload instead.
State &state() {
    static State *s = new State;
    return *s;
}

// A fork() never copies the lock taken by another thread, and the child
// knows that the sessions it sees are its parent's.
void lock_before_fork() { g_mutex.lock(); }
void unlock_in_parent() { g_mutex.unlock(); }
void unlock_in_child() {
    state().forked = true;
    g_mutex.unlock();
}

// Under the lock: the first use in a process, and the first one in a
// child of fork(), which starts with no kept session.
void adopt_process(State &s) {
    if (!s.started) {
        s.started = true;
        platform::register_process_hooks(platform::ProcessStateHolder::DirectorySessions,
                                         {lock_before_fork, unlock_in_parent, unlock_in_child, close_kept_sessions});
    }
    if (!s.forked) return;
    for (auto &[key, kept] : s.kept) {
        for (const Idle &i : kept.idle) s.inherited.push_back(i.ld);
    }
    s.kept.clear();
    s.idle_count = 0;
    s.forked = false;
}

std::unique_lock<std::mutex> locked_state() {
    KeepPolicy policy = session_limits().keep;
    std::unique_lock<std::mutex> lock(g_mutex);
    adopt_process(state());
    state().policy = policy;
    return lock;
}

bool expired(const State &s, const Idle &i, Clock::time_point now) { return now - i.since > s.policy.idle_limit; }

// Under the lock: moves every idle session that expired to to_close.
void collect_expired(State &s, Clock::time_point now, std::vector<LDAP *> &to_close) {
    for (auto it = s.kept.begin(); it != s.kept.end();) {
        std::vector<Idle> &idle = it->second.idle;
        auto fresh = std::find_if(idle.begin(), idle.end(), [&](const Idle &i) { return !expired(s, i, now); });
        for (auto i = idle.begin(); i != fresh; ++i) to_close.push_back(i->ld);
        s.idle_count -= static_cast<std::size_t>(fresh - idle.begin());
        idle.erase(idle.begin(), fresh);
        if (idle.empty() && it->second.in_use == 0) {
            it = s.kept.erase(it);
        } else {
            ++it;
        }
    }
}

void close_all(const std::vector<LDAP *> &sessions) {
    for (LDAP *ld : sessions) platform::unbind(ld);
}

}  // namespace

LDAP *take_session(const std::string &key) {
    std::vector<LDAP *> to_close;
    LDAP *ld = nullptr;
    {
        auto lock = locked_state();
        State &s = state();
        Clock::time_point now = Clock::now();
        if (now - s.last_sweep > s.policy.sweep_interval) {
            collect_expired(s, now, to_close);
            s.last_sweep = now;
        }
        Kept &k = s.kept[key];
        ++k.in_use;
        while (ld == nullptr && !k.idle.empty()) {
            Idle i = k.idle.back();
            k.idle.pop_back();
            --s.idle_count;
            // A session the server closed, or that waited too long, is
            // closed before any request is sent on it.
            if (expired(s, i, now) || !platform::connection_idle(i.ld)) {
                to_close.push_back(i.ld);
            } else {
                ld = i.ld;
            }
        }
    }
    close_all(to_close);
    return ld;
}

void give_back_session(const std::string &key, LDAP *ld, bool reusable) {
    bool kept = false;
    {
        auto lock = locked_state();
        State &s = state();
        auto it = s.kept.find(key);
        if (it != s.kept.end()) {
            Kept &k = it->second;
            if (k.in_use > 0) --k.in_use;
            // Idle sessions never outnumber those in use at once before:
            // each one given back was in use.
            if (reusable && ld != nullptr && s.policy.enabled && k.idle.size() < s.policy.idle_per_key &&
                s.idle_count < s.policy.idle_in_all) {
                k.idle.push_back({ld, Clock::now()});
                ++s.idle_count;
                kept = true;
            }
        }
    }
    if (!kept && ld != nullptr) platform::unbind(ld);
}

void close_kept_sessions() {
    std::vector<LDAP *> to_close;
    {
        auto lock = locked_state();
        State &s = state();
        for (auto &[key, kept] : s.kept) {
            for (const Idle &i : kept.idle) to_close.push_back(i.ld);
            kept.idle.clear();
        }
        s.idle_count = 0;
    }
    close_all(to_close);
}

}  // namespace qor
