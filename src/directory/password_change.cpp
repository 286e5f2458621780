// Changes a user's password as that user: the old password is verified
// first, then a session bound as the user replaces "userpassword"
// (POSIX-style) or swaps the "unicodePwd" value (Active Directory, over
// SSL only). A profile whose own bind user changed its password follows.
#include <strings.h>

#include <cstring>
#include <string>

#include "config/user_dn.h"
#include "directory/host_failover.h"
#include "directory/last_outcome.h"
#include "directory/logon_entry.h"
#include "directory/unicode_pwd.h"
#include "platform/ldap_client.h"
#include "qorldap9.h"
#include "store/seal.h"
#include "util/secret.h"
#include "util/text.h"
#include "util/utf8.h"

namespace {

int modify_posix(LDAP *ld, const char *dn, const char *new_password, qor::platform::PasswordPolicy *policy) {
    char attr[] = "userpassword";
    char *values[] = {const_cast<char *>(new_password), nullptr};
    LDAPMod mod{};
    mod.mod_op = LDAP_MOD_REPLACE;
    mod.mod_type = attr;
    mod.mod_vals.modv_strvals = values;
    LDAPMod *mods[] = {&mod, nullptr};
    return qor::platform::modify_s(ld, dn, mods, policy);
}

int modify_ad(LDAP *ld, const char *dn, const char *old_password, const char *new_password,
              qor::platform::PasswordPolicy *policy) {
    qor::Secret old_value = qor::unicode_pwd_value(old_password);
    qor::Secret new_value = qor::unicode_pwd_value(new_password);
    char attr[] = "unicodePwd";
    using Length = decltype(berval::bv_len);
    berval old_bv{static_cast<Length>(old_value.size()), old_value.data()};
    berval new_bv{static_cast<Length>(new_value.size()), new_value.data()};
    berval *old_vals[] = {&old_bv, nullptr};
    berval *new_vals[] = {&new_bv, nullptr};
    LDAPMod remove{}, add{};
    remove.mod_op = LDAP_MOD_DELETE | LDAP_MOD_BVALUES;
    remove.mod_type = attr;
    remove.mod_vals.modv_bvals = old_vals;
    add.mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES;
    add.mod_type = attr;
    add.mod_vals.modv_bvals = new_vals;
    LDAPMod *mods[] = {&remove, &add, nullptr};
    return qor::platform::modify_s(ld, dn, mods, policy);
}

// A modify whose answer never came (it timed out, or the connection
// dropped after it was sent) may or may not have been carried out. Binds
// on fresh sessions settle it before anyone is told: the new password
// binding means it was, the old one binding that it was not. When neither
// can be decided the change counts as failed, and the reason is recorded.
bool settled_as_made(LDAP_Config *r, const char *name, const char *old_password, const char *new_password,
                     int modify_rc) {
    if (qor::bind_on_answering_host(r, name, new_password, false) == 0) {
        qor::outcome_note_reason(LDC_STEP_MODIFY, LDAP_SUCCESS, LDC_REASON_NONE);
        return true;
    }
    if (qor::bind_on_answering_host(r, name, old_password, false) == 0) {
        qor::outcome_note_reason(LDC_STEP_MODIFY, modify_rc, LDC_REASON_UNKNOWN);
        return false;
    }
    int32_t reason = modify_rc == qor::platform::kTimeout ? LDC_REASON_TIMEOUT : LDC_REASON_SERVER_DOWN;
    qor::outcome_note_reason(LDC_STEP_MODIFY, modify_rc, reason);
    return false;
}

// True when the directory took the new password.
bool change_made(LDAP_Config *r, const char *name, const char *old_password, const char *new_password) {
    const bool posix = (r->MBFlags & LDC_MB_POSIX) != 0;
    const bool ad = (r->MBFlags & LDC_MB_AD) != 0;
    int modify_rc = 0;
    bool outcome_unknown = false;  // of the step's last request
    bool modify_refused = false;   // on the last host tried
    int rc = qor::on_answering_host(r, false, [&](LDAP *ld) {
        modify_refused = false;
        qor::platform::PasswordPolicy policy;
        int bind = qor::platform::simple_bind_s(ld, name, old_password, &policy);
        qor::outcome_note(LDC_STEP_BIND, bind, ld, &policy);
        if (bind != 0) return qor::HostAnswer{LDC_E_CHANGE_FAILED, !qor::unanswered(bind), bind};
        // A logon name binds, but the modify request needs the entry's DN.
        std::string entry = qor::is_logon_name(r, name) ? qor::logon_entry_dn(ld, r, name) : name;
        if (entry.empty()) return qor::HostAnswer{LDC_E_CHANGE_FAILED, true, bind};
        const char *dn = entry.c_str();
        // With both bits the POSIX request goes first; the Active
        // Directory one only after it succeeded.
        bool last_request = false;
        if (posix) {
            modify_rc = modify_posix(ld, dn, new_password, &policy);
            last_request = !ad;
        }
        if (modify_rc == 0 && ad) {
            modify_rc = modify_ad(ld, dn, old_password, new_password, &policy);
            last_request = true;
        }
        if (posix || ad) qor::outcome_note(LDC_STEP_MODIFY, modify_rc, ld, &policy);
        outcome_unknown = modify_rc != 0 && last_request && qor::unanswered(modify_rc);
        modify_refused = modify_rc != 0;
        return qor::HostAnswer{modify_refused ? LDC_E_CHANGE_FAILED : 0, true, modify_rc};
    });
    if (rc == 0) return true;
    return modify_refused && outcome_unknown && settled_as_made(r, name, old_password, new_password, modify_rc);
}

// Two names of one entry: DNs compared parsed and normalised (types and
// values without regard to case, as the directory's naming attributes
// match them); logon names, which are no DNs, compared without regard to
// ASCII case.
bool same_entry(const char *a, const char *b) {
    std::string norm_a, norm_b;
    bool dn_a = qor::platform::normalised_dn(a, &norm_a), dn_b = qor::platform::normalised_dn(b, &norm_b);
    if (dn_a || dn_b) return dn_a && dn_b && norm_a == norm_b;
    return strcasecmp(a, b) == 0;
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
    return qor::seal_password(new_password, sealed.data(), sealed.size()) == 0;
}

}  // namespace

extern "C" int QORLDAP9_CALL ldapPasswordEx(LDAP_Config *r, const char *user, const char *old_password,
                                            const char *new_password) {
    qor::outcome_begin();
    qor::OutcomeSecrets secrets(old_password, new_password);
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

    if (ldap_verifyPasswdEx(r, dn, old_password) != 0) return LDC_E_OLD_PASSWORD;
    if (!change_made(r, dn, old_password, new_password)) return LDC_E_CHANGE_FAILED;

    if (follow) {
        qor::copy_bounded(r->BindPwd, new_password);
        LDAP_Config_saveEx(r, r->ProfileName, r->RegLocation);  // not reported, by design
    }
    return 0;
}
