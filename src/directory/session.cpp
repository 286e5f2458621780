// The caller's own session: open, bind and the configuration check.
#include "directory/directory_session.h"
#include "directory/last_outcome.h"
#include "directory/profile_bind.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/secret.h"

extern "C" int QORLDAP9_CALL ldapInitEx(LDAP **session, LDAP_Config *record) {
    if (session == nullptr) return qor::outcome_answer({}, qor::platform::kParamError);
    *session = nullptr;
    if (record == nullptr) return qor::outcome_answer({}, qor::platform::kParamError);
    qor::DirectoryResult result;
    // Any nonzero Ssl selects SSL here, not only the 1 of LDC_isSslEx.
    *session = qor::open_profile_session(record, result);
    return qor::outcome_answer(result, result.code);
}

extern "C" int QORLDAP9_CALL ldapAuthEx(LDAP *session, LDAP_Config *record) {
    if (session == nullptr || record == nullptr) return qor::outcome_answer({}, qor::platform::kParamError);
    qor::Secret pw = qor::profile_bind_password(record);
    qor::OutcomeSecrets secrets(pw.c_str());
    int refused = 0;
    qor::DirectoryResult result = qor::bind_as_profile(session, record, pw, &refused);
    return qor::outcome_answer(result, refused != 0 ? refused : result.code);
}

extern "C" int QORLDAP9_CALL ldap_verifyConfigEx(LDAP_Config *record) {
    if (record == nullptr) return qor::outcome_answer({}, qor::platform::kParamError);
    qor::Secret pw = qor::profile_bind_password(record);
    qor::OutcomeSecrets secrets(pw.c_str());
    qor::DirectoryResult result;
    int code = 0;
    qor::platform::unbind(qor::open_bound_profile_session(record, pw, result, &code));  // unbind takes null
    return qor::outcome_answer(result, code);
}
