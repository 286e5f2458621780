#include "directory/host_failover.h"

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "directory/last_outcome.h"
#include "directory/session_open.h"
#include "util/text.h"

namespace qor {
namespace {

using Clock = std::chrono::steady_clock;

struct DeadHosts {
    std::mutex lock;
    std::map<std::string, Clock::time_point> failed;  // by host, port and scheme
};

// Never destroyed: other threads may still fail over while the process ends.
DeadHosts &dead_hosts() {
    static DeadHosts *d = new DeadHosts;
    return *d;
}

std::string host_key(std::string_view entry, int port, bool ssl) {
    return std::string(ssl ? "ldaps " : "ldap ") + std::string(entry) + " " + std::to_string(port);
}

bool failed_lately(const std::string &key) {
    DeadHosts &d = dead_hosts();
    std::lock_guard<std::mutex> guard(d.lock);
    auto it = d.failed.find(key);
    if (it == d.failed.end()) return false;
    if (Clock::now() - it->second < kDeadHostMemory) return true;
    d.failed.erase(it);
    return false;
}

void remember(const std::string &key, bool answered) {
    DeadHosts &d = dead_hosts();
    std::lock_guard<std::mutex> guard(d.lock);
    if (answered)
        d.failed.erase(key);
    else
        d.failed[key] = Clock::now();
}

// The entries of the list, those that did not answer lately last, each
// group in the list's order.
std::vector<std::string> hosts_in_turn(const LDAP_Config *r, bool ssl) {
    std::vector<std::string> first, last;
    Tokens tokens(field_view(r->HostNames), " ");
    std::string_view entry;
    while (tokens.next(entry)) (failed_lately(host_key(entry, r->Port, ssl)) ? last : first).emplace_back(entry);
    first.insert(first.end(), last.begin(), last.end());
    return first;
}

}  // namespace

bool unanswered(int ldap_code) {
    return ldap_code == platform::kServerDown || ldap_code == platform::kTimeout ||
           ldap_code == platform::kConnectError;
}

int on_answering_host(LDAP_Config *r, bool keep, const std::function<HostAnswer(LDAP *)> &attempt) {
    const bool ssl = password_session_uses_ssl(r);
    int code = -1;
    for (const std::string &entry : hosts_in_turn(r, ssl)) {
        HostAnswer answer{};
        bool on_kept_session = false;
        if (keep) {
            PasswordSession session(r, entry);
            if (session.get() == nullptr) continue;  // an entry that cannot form a session
            on_kept_session = session.kept();
            answer = attempt(session.get());
            session.bound(answer.last_result);
        } else {
            LDAP *ld = open_password_session(r, entry);
            if (ld == nullptr) continue;
            answer = attempt(ld);
            platform::unbind(ld);
        }
        // On a kept session the request is not the session's first: one
        // that got no answer may have reached the server, and is never
        // sent to another host. A server that is still there but silent
        // keeps its unknown verdict. One that closed the connection (a
        // replica that died while its connection was kept) is asked once
        // more on a session of its own, whose first request it is: if it
        // is gone, that one finds out before sending, and the next host
        // gets its turn.
        if (!answer.answered && on_kept_session && answer.last_result == platform::kServerDown) {
            on_kept_session = false;
            LDAP *ld = open_password_session(r, entry);
            if (ld != nullptr) {
                answer = attempt(ld);
                platform::unbind(ld);
            }
        }
        remember(host_key(entry, r->Port, ssl), answer.answered);
        code = answer.code;
        if (answer.answered || on_kept_session) return code;
    }
    return code;
}

int bind_on_answering_host(LDAP_Config *r, const char *dn, const char *password, bool keep) {
    return on_answering_host(r, keep, [&](LDAP *ld) {
        platform::PasswordPolicy policy;
        int rc = platform::simple_bind_s(ld, dn, password, &policy);
        outcome_note(LDC_STEP_BIND, rc, ld, &policy);
        return HostAnswer{rc, !unanswered(rc), rc};
    });
}

}  // namespace qor
