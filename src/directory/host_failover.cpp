// Failover over a profile's list of hosts, with the process-wide memory
// of hosts that gave no answer.
#include "directory/host_failover.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "directory/directory_session.h"
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

bool failed_lately(const std::string &key, std::chrono::milliseconds memory) {
    DeadHosts &d = dead_hosts();
    std::lock_guard<std::mutex> guard(d.lock);
    auto it = d.failed.find(key);
    if (it == d.failed.end()) return false;
    if (Clock::now() - it->second < memory) return true;
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
std::vector<std::string> hosts_in_turn(const LDAP_Config *r, bool ssl, std::chrono::milliseconds memory) {
    std::vector<std::string> first, last;
    Tokens tokens(field_view(r->HostNames), " ");
    std::string_view entry;
    while (tokens.next(entry))
        (failed_lately(host_key(entry, r->Port, ssl), memory) ? last : first).emplace_back(entry);
    first.insert(first.end(), last.begin(), last.end());
    return first;
}

// Runs attempt on a new session of its own to entry, closed afterwards.
// Returns false when none could be opened (then failure says why).
bool attempt_on_new_session(LDAP_Config *r, const std::string &entry, const SessionLimits &limits,
                            const HostAttempt &attempt, DirectoryResult &result, bool &answered,
                            DirectoryResult &failure) {
    LDAP *ld = open_password_session(r, entry, limits, failure);
    if (ld == nullptr) return false;
    HostSession session(ld, limits, request_deadline(limits, r->Timeout));
    result = attempt(session);
    answered = session.answered();
    platform::unbind(ld);
    return true;
}

}  // namespace

void forget_dead_hosts() {
    DeadHosts &d = dead_hosts();
    std::lock_guard<std::mutex> guard(d.lock);
    d.failed.clear();
}

DirectoryResult HostSession::note(DirectoryResult result, const platform::PasswordPolicy &policy) {
    result.from_server = policy.from_server;
    last_code_ = result.code;
    answered_ = answered_ || !unanswered(result);
    return result;
}

DirectoryResult HostSession::bind(const char *dn, const char *password) {
    platform::PasswordPolicy policy;
    int code = platform::simple_bind_s(ld_, dn, password, limits_.bind, &policy);
    return note(step_result(LDC_STEP_BIND, code, ld_, &policy), policy);
}

int HostSession::change_request(const std::function<int()> &request) {
    platform::set_request_deadline(ld_, std::max(request_deadline_, limits_.outstanding_change));
    int code = request();
    platform::set_request_deadline(ld_, request_deadline_);
    return code;
}

DirectoryResult HostSession::modify(const char *dn, LDAPMod **mods) {
    platform::PasswordPolicy policy;
    int code = change_request([&] { return platform::modify_s(ld_, dn, mods, &policy); });
    return note(step_result(LDC_STEP_MODIFY, code, ld_, &policy), policy);
}

DirectoryResult HostSession::password_modify(const char *dn, const char *old_password, const char *new_password) {
    platform::PasswordPolicy policy;
    int code =
        change_request([&] { return platform::password_modify_s(ld_, dn, old_password, new_password, &policy); });
    return note(step_result(LDC_STEP_MODIFY, code, ld_, &policy), policy);
}

DirectoryResult on_answering_host(LDAP_Config *r, bool keep, const HostAttempt &attempt) {
    const SessionLimits limits = session_limits();
    const bool ssl = uses_ssl(r);
    // What the last attempt came to; until one ran, why no session opened.
    DirectoryResult result, failure = known_result(LDC_STEP_CONNECT, platform::kParamError, LDC_REASON_UNKNOWN);
    failure.no_session = true;
    bool attempted = false;
    const std::vector<std::string> hosts = hosts_in_turn(r, ssl, limits.dead_host_memory);
    if (hosts.empty()) failure.reason = LDC_REASON_NO_HOST;
    for (const std::string &entry : hosts) {
        bool answered = false;
        bool on_kept_session = false;
        if (keep) {
            PasswordSession kept(r, entry, limits, failure);
            if (kept.get() == nullptr) continue;  // an entry that cannot form a session
            on_kept_session = kept.kept();
            HostSession session(kept.get(), limits, request_deadline(limits, r->Timeout));
            result = attempt(session);
            answered = session.answered();
            kept.finished(session.last_code());
        } else if (!attempt_on_new_session(r, entry, limits, attempt, result, answered, failure)) {
            continue;
        }
        attempted = true;
        // On a kept session the request is not the session's first: one
        // that got no answer may have reached the server and counted
        // (a wrong password towards a lockout), whether the server stayed
        // silent or closed the connection after reading it. It is never
        // sent again, to this host or another: its verdict is unknown.
        remember(host_key(entry, r->Port, ssl), answered);
        if (answered || on_kept_session) return result;
    }
    return attempted ? result : failure;
}

DirectoryResult bind_on_answering_host(LDAP_Config *r, const char *dn, const char *password, bool keep) {
    return on_answering_host(r, keep, [&](HostSession &session) { return session.bind(dn, password); });
}

}  // namespace qor
