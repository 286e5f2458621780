// Whether a profile reaches a directory that holds accounts of its kind.
#include "config/text.h"
#include "directory/last_outcome.h"
#include "qorldap9.h"
#include "platform/ldap_client.h"

namespace pf = qor::platform;

namespace {

const char *account_filter(int flags) {
    const char *filter = nullptr;
    if (flags & LDC_MB_AD) filter = "(objectclass=User)";
    // With both bits the POSIX kind wins, as it does for user DNs.
    if (flags & LDC_MB_POSIX) filter = "(objectclass=posixAccount)";
    return filter;
}

}  // namespace

extern "C" int ldap_validateSchema(LDAP_Config *record) {
    LDAP *ld = nullptr;
    LDAPMessage *result = nullptr;
    char *no_attributes[] = {nullptr};

    int rc = ldapInitEx(&ld, record);
    if (rc == LDAP_SUCCESS) rc = ldapAuthEx(ld, record);
    if (rc == LDAP_SUCCESS) {
        const char *filter = account_filter(record->MBFlags & 0xFF);
        if (filter == nullptr) {
            // The profile names no kind of account, so none can match.
            rc = LDC_E_NO_USER_ENTRY;
        } else {
            std::string base = qor::field_text(record->BaseDN);
            rc = pf::search_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE, filter, no_attributes, 0, &result);
            qor::outcome_note(LDC_STEP_SEARCH, rc, ld);
            if (rc == LDAP_SUCCESS && !pf::has_entry(ld, result)) rc = LDC_E_NO_USER_ENTRY;
        }
    }
    pf::msgfree(result);  // also after a failed search
    pf::unbind(ld);
    return rc;
}
