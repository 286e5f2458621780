// The password operations over a profile's list of hosts: a session to
// each host in turn, until one answers. A host that did not answer (it
// could not be reached, went away or stayed silent) is remembered for a
// while by the whole process and tried after the others, so that a dead
// first host costs its connect deadline once in that while, not on
// every call.
#pragma once

#include <chrono>
#include <functional>

#include "platform/ldap_client.h"
#include "qorldap9.h"

namespace qor {

// How long a host that did not answer is tried after the others.
constexpr std::chrono::seconds kDeadHostMemory{30};

// What an attempt on one host came to: the operation's result, and
// whether the host answered the first request. Only an attempt whose
// first request got no answer moves on to the next host, so that nothing
// the directory may have acted on is sent twice.
struct HostAnswer {
    int code;
    bool answered;
    int last_result;  // of the last request: whether a kept session may serve again
};

// True for the client's codes of a host that gave no answer.
bool unanswered(int ldap_code);

// Runs attempt on a session to each host of the profile's list in turn
// (as open_password_session opens them; a kept one when keep is true and
// there is one), until a host answers. Returns that attempt's code, the
// last one when no host answered, or -1 when no session could be opened
// at all (noted as the connect step's outcome).
int on_answering_host(LDAP_Config *record, bool keep, const std::function<HostAnswer(LDAP *)> &attempt);

// A simple bind as dn on the first host that answers (on a kept session
// where keep allows and there is one): its LDAP code (noted as the bind
// step's outcome), or -1 as above.
int bind_on_answering_host(LDAP_Config *record, const char *dn, const char *password, bool keep);

}  // namespace qor
