// Whether a profile reaches a directory that holds accounts of its kind.
#include "directory/last_outcome.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "util/text.h"

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

extern "C" int QORLDAP9_CALL ldap_validateSchema(LDAP_Config *record) {
    LDAP *ld = nullptr;
    LDAPMessage *result = nullptr;
    // Whether an entry exists is all the check needs: no attribute of any
    // entry is asked for ("1.1"), however many users the base holds.
    char no_attribute[] = "1.1";
    char *attributes[] = {no_attribute, nullptr};

    int rc = ldapInitEx(&ld, record);
    if (rc == LDAP_SUCCESS) rc = ldapAuthEx(ld, record);
    if (rc == LDAP_SUCCESS) {
        const char *filter = account_filter(record->MBFlags & 0xFF);
        if (filter == nullptr) {
            // The profile names no kind of account, so none can match.
            rc = LDC_E_NO_USER_ENTRY;
        } else {
            std::string base = qor::field_text(record->BaseDN);
            rc = pf::search_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE, filter, attributes, 0, &result);
            // A user entry the directory returned answers the question,
            // whatever chasing a continuation reference gave afterwards
            // (Active Directory refers a root search to partitions that an
            // anonymous chase may not read).
            if (pf::has_entry(ld, result)) rc = LDAP_SUCCESS;
            qor::outcome_note(LDC_STEP_SEARCH, rc, ld);
            if (rc == LDAP_SUCCESS && !pf::has_entry(ld, result)) rc = LDC_E_NO_USER_ENTRY;
        }
    }
    pf::msgfree(result);  // also after a failed search
    pf::unbind(ld);
    return rc;
}
