// Changes a user's password as that user: the old password is verified
// first, then a session bound as the user changes "userpassword"
// (POSIX-style: by the password-modify operation where the server offers
// it, else by a replace) or swaps the "unicodePwd" value (Active
// Directory, over SSL only). A profile whose own bind user changed its password follows.
#include <cstring>
#include <string>

#include "config/user_dn.h"
#include "directory/directory_session.h"
#include "directory/expired_password_change.h"
#include "directory/last_outcome.h"
#include "directory/logon_entry.h"
#include "directory/password_verify.h"
#include "directory/unicode_pwd.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "store/seal.h"
#include "util/secret.h"
#include "util/text.h"
#include "util/utf8.h"

namespace {

qor::DirectoryResult modify_posix(qor::HostSession &session, const char *dn, const char *new_password) {
    char attr[] = "userpassword";
    char *values[] = {const_cast<char *>(new_password), nullptr};
    LDAPMod mod{};
    mod.mod_op = LDAP_MOD_REPLACE;
    mod.mod_type = attr;
    mod.mod_vals.modv_strvals = values;
    LDAPMod *mods[] = {&mod, nullptr};
    return session.modify(dn, mods);
}

// Whether the server lists the password-modify operation in its root
// DSE. A server that does hashes the new password by its own rules and
// applies its password policy to it; one that does not keeps what a
// replace sends. code: the search's.
bool password_modify_offered(LDAP *ld, int &code) {
    char attribute[] = "supportedExtension";
    char *attributes[] = {attribute, nullptr};
    LDAPMessage *result = nullptr;
    bool offered = false;
    code = qor::platform::search_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", attributes, 0, &result);
    if (code == 0) {
        for (const std::string &oid : qor::platform::first_entry_values(ld, result, attribute))
            offered = offered || oid == qor::platform::kPasswordModifyOid;
    }
    qor::platform::msgfree(result);
    return offered;
}

// The POSIX change. A root DSE that went unanswered ends it before
// anything that changes the password is sent (sent stays false).
qor::DirectoryResult change_posix(qor::HostSession &session, const char *dn, const char *old_password,
                                  const char *new_password, bool &sent) {
    int code = 0;
    bool offered = password_modify_offered(session.handle(), code);
    sent = !qor::unanswered(code);
    if (!sent) return qor::step_result(LDC_STEP_SEARCH, code, session.handle());
    if (offered) return session.password_modify(dn, old_password, new_password);
    return modify_posix(session, dn, new_password);
}

// A modify whose answer never came, though waited for the change
// deadline (or whose connection dropped after it was sent), may still be
// carried out: the directory can apply it after any bind that would tell.
// A bind with the new password on a fresh session settles it as made;
// anything else leaves its outcome unknown, and the reason says so,
// never that the directory refused it.
qor::DirectoryResult settled(LDAP_Config *r, const char *name, const char *new_password, int modify_code) {
    if (qor::bind_on_answering_host(r, name, new_password, false).ok())
        return qor::known_result(LDC_STEP_MODIFY, LDAP_SUCCESS, LDC_REASON_NONE);
    return qor::known_result(LDC_STEP_MODIFY, modify_code, LDC_REASON_OUTCOME_UNKNOWN);
}

// Returns the result of the change: ok() when the directory took the new
// password.
qor::DirectoryResult change(LDAP_Config *r, const char *name, const char *old_password, const char *new_password) {
    const bool posix = (r->MBFlags & LDC_MB_POSIX) != 0;
    const bool ad = (r->MBFlags & LDC_MB_AD) != 0;
    bool outcome_unknown = false;  // of the last request, on the last host tried
    qor::DirectoryResult result = qor::on_answering_host(r, false, [&](qor::HostSession &session) {
        outcome_unknown = false;
        qor::DirectoryResult bind = session.bind(name, old_password);
        if (!bind.ok()) return bind;
        // A logon name binds, but the modify request needs the entry's DN.
        std::string entry = qor::is_logon_name(r, name) ? qor::logon_entry_dn(session.handle(), r, name) : name;
        if (entry.empty()) return qor::known_result(LDC_STEP_SEARCH, LDAP_NO_SUCH_OBJECT, LDC_REASON_UNKNOWN);
        const char *dn = entry.c_str();
        // With both bits the POSIX request goes first; the Active
        // Directory one only after it succeeded.
        qor::DirectoryResult modify = bind;
        bool last_request = false, sent = true;
        if (posix) {
            modify = change_posix(session, dn, old_password, new_password, sent);
            last_request = !ad;
        }
        if (modify.code == 0 && ad) {
            modify = qor::modify_unicode_pwd(session, dn, old_password, new_password);
            last_request = true;
        }
        outcome_unknown = modify.code != 0 && last_request && sent && qor::unanswered(modify);
        return modify;
    });
    if (result.ok() || !outcome_unknown) return result;
    return settled(r, name, new_password, result.code);
}

// Two names of one entry: DNs compared parsed and normalised (types and
// values without regard to case, as the directory's naming attributes
// match them); logon names, which are no DNs, compared without regard to
// ASCII case.
bool same_entry(const char *a, const char *b) {
    std::string norm_a, norm_b;
    bool dn_a = qor::platform::normalised_dn(a, &norm_a), dn_b = qor::platform::normalised_dn(b, &norm_b);
    if (dn_a || dn_b) return dn_a && dn_b && norm_a == norm_b;
    return qor::equals_ignore_case(a, b);
}

// Whether the change is for the profile's own bind user: BindDN formed
// the way the user's name is, compared by identity.
bool is_bind_user(const LDAP_Config *r, const char *dn) {
    std::string bind_name = qor::field_text(r->BindDN);
    if (bind_name.empty()) return false;
    char bind_dn[qor::kUserDnSize] = {0};
    if (!qor::form_bind_name(r, bind_name.c_str(), bind_dn, sizeof bind_dn) || bind_dn[0] == '\0') return false;
    return same_entry(bind_dn, dn);
}

// The profile must be able to keep the new password before anything in the
// directory changes, or the profile would lose its way into the directory.
bool profile_can_keep(const char *new_password) {
    if (strlen(new_password) >= sizeof(LDAP_Config::BindPwd)) return false;
    qor::SecretBuffer<qor::kSealedTextSize> sealed;
    return qor::seal_password(new_password, sealed.data(), sealed.size());
}

int change_password(LDAP_Config *r, const char *user, const char *old_password, const char *new_password,
                    qor::DirectoryResult &result) {
    if ((r->MBFlags & LDC_MB_AD) && !LDC_isSslEx(r)) return LDC_E_AD_NEEDS_SSL;
    // Without a user there is no old password that could verify.
    if (user == nullptr || *user == '\0') return LDC_E_OLD_PASSWORD;
    if (old_password == nullptr || *old_password == '\0') return LDC_E_OLD_PASSWORD;
    char dn[qor::kUserDnSize] = {0};
    bool dn_fits = qor::form_bind_name(r, user, dn, sizeof dn);
    // An empty new password would leave the entry with an empty
    // userPassword, which a stored-value check then takes for the password.
    if (!dn_fits || new_password == nullptr || *new_password == '\0') return LDC_E_CHANGE_FAILED;
    // Active Directory stores the password decoded from UTF-8, while the
    // checks send its bytes as they stand: a new password that is not
    // UTF-8 could never be checked again.
    if ((r->MBFlags & LDC_MB_AD) && !qor::is_utf8(new_password)) return LDC_E_CHANGE_FAILED;
    bool follow = is_bind_user(r, dn);
    if (follow && !profile_can_keep(new_password)) return LDC_E_CHANGE_FAILED;

    result = qor::verify_password(r, dn, old_password);
    if (!result.ok()) {
        // Active Directory says "expired" or "must change" only when the
        // old password was right: the change goes around the refused bind.
        if (!qor::bind_refused_until_changed(r, result)) return LDC_E_OLD_PASSWORD;
        int code = qor::change_expired_password(r, user, dn, old_password, new_password, result);
        if (code != 0) return code;
    } else {
        result = change(r, dn, old_password, new_password);
        if (!result.ok()) return LDC_E_CHANGE_FAILED;
    }

    if (follow) {
        qor::copy_bounded(r->BindPwd, new_password);
        LDAP_Config_saveEx(r, r->ProfileName, r->RegLocation);  // not reported, by design
    }
    return 0;
}

}  // namespace

extern "C" int QORLDAP9_CALL ldapPasswordEx(LDAP_Config *r, const char *user, const char *old_password,
                                            const char *new_password) {
    qor::OutcomeSecrets secrets(old_password, new_password);
    qor::DirectoryResult result;
    int code = change_password(r, user, old_password, new_password, result);
    return qor::outcome_answer(result, code);
}
