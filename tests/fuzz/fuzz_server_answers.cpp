// Feeds what a directory server sends and the library decodes itself to
// the decoders: the password-policy response control's value and the
// diagnostic text with its result code (Active Directory's "data NNN" and
// 0000052D policy texts), through the reason decoder. Input: the result
// code (one byte), the control's length n (one byte), n bytes of control
// value, then the diagnostic text. Seeds: tests/fuzz/seeds/.
#include <ldap.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "directory/outcome_reason.h"
#include "platform/posix/policy_control.h"
#include "qorldap9.h"

namespace {

// A session that never connects: the control parser wants one for its
// error code.
LDAP *idle_session() {
    static LDAP *ld = [] {
        LDAP *opened = nullptr;
        ldap_initialize(&opened, "ldap://127.0.0.1:1/");
        return opened;
    }();
    return ld;
}

void check_range(const qor::DecodedReason &decoded) {
    if (decoded.reason < LDC_REASON_NONE || decoded.value < 0) abort();
    if (decoded.step < LDC_STEP_NONE || decoded.step > LDC_STEP_LOGON) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2 || size - 2 < data[1]) return 0;
    const int code = data[0];
    const size_t control_length = data[1];
    std::string_view diagnostic(reinterpret_cast<const char *>(data) + 2 + control_length, size - 2 - control_length);

    // A copy of its own, so that a read past the control's end is seen.
    char *value = static_cast<char *>(malloc(control_length + 1));
    if (control_length > 0) memcpy(value, data + 2, control_length);
    char oid[] = LDAP_CONTROL_PASSWORDPOLICYRESPONSE;
    LDAPControl control = {oid, {control_length, value}, 0};
    LDAPControl *response[] = {&control, nullptr};
    qor::platform::PasswordPolicy policy;
    qor::platform::read_policy(idle_session(), response, &policy);
    free(value);
    // Any error number may come through (the server chooses it); the
    // decoder below must map each to a reason.

    for (int32_t step : {LDC_STEP_BIND, LDC_STEP_MODIFY, LDC_STEP_SEARCH})
        for (bool tls : {false, true}) check_range(qor::decode_reason(step, code, diagnostic, policy, tls));
    qor::bind_refused_until_changed(code, diagnostic);
    return 0;
}
