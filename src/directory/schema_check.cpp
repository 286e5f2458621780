// Whether a profile reaches a directory that holds accounts of its kind.
#include "directory/directory_session.h"
#include "directory/last_outcome.h"
#include "directory/profile_bind.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/text.h"

namespace {

const char *account_filter(int flags) {
    const char *filter = nullptr;
    if (flags & LDC_MB_AD) filter = "(objectclass=User)";
    // With both bits the POSIX kind wins, as it does for user DNs.
    if (flags & LDC_MB_POSIX) filter = "(objectclass=posixAccount)";
    return filter;
}

// The search for one account under the profile's base on a bound
// session; *found tells whether an entry came back.
qor::DirectoryResult search_accounts(LDAP *ld, LDAP_Config *record, bool *found) {
    // Whether an entry exists is all the check needs: no attribute of any
    // entry is asked for ("1.1"), however many users the base holds.
    char no_attribute[] = "1.1";
    char *attributes[] = {no_attribute, nullptr};
    const char *filter = account_filter(record->MBFlags & 0xFF);
    std::string base = qor::field_text(record->BaseDN);
    LDAPMessage *result = nullptr;
    int rc = qor::platform::search_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE, filter, attributes, 0, &result);
    // A user entry the directory returned answers the question, whatever
    // chasing a continuation reference gave afterwards (Active Directory
    // refers a root search to partitions that an anonymous chase may not
    // read).
    *found = qor::platform::has_entry(ld, result);
    if (*found) rc = LDAP_SUCCESS;
    qor::platform::msgfree(result);  // also after a failed search
    return qor::step_result(LDC_STEP_SEARCH, rc, ld);
}

}  // namespace

extern "C" int QORLDAP9_CALL ldap_validateSchema(LDAP_Config *record) {
    if (record == nullptr) return qor::outcome_answer({}, qor::platform::kParamError);
    qor::Secret pw = qor::profile_bind_password(record);
    qor::OutcomeSecrets secrets(pw.c_str());
    qor::DirectoryResult result;
    int code = 0;
    LDAP *ld = qor::open_bound_profile_session(record, pw, result, &code);
    if (ld != nullptr && code == LDAP_SUCCESS) {
        bool found = false;
        // A profile that names no kind of account can match none.
        if (account_filter(record->MBFlags & 0xFF) == nullptr) {
            code = LDC_E_NO_USER_ENTRY;
        } else {
            result = search_accounts(ld, record, &found);
            code = result.ok() && !found ? LDC_E_NO_USER_ENTRY : result.code;
        }
    }
    qor::platform::unbind(ld);
    return qor::outcome_answer(result, code);
}
