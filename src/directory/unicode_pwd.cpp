#include "directory/unicode_pwd.h"

#include <cstring>

#include "util/utf8.h"

namespace qor {

Secret unicode_pwd_value(const char *password) {
    Secret quoted;
    quoted.reserve(strlen(password) + 2);
    quoted += '"';
    quoted += password;
    quoted += '"';
    // Two bytes for each byte of the text at most, so the value is never
    // moved while it grows.
    Secret out;
    out.reserve(quoted.size() * 2);
    if (utf8_to_utf16le(quoted.view(), out)) return out;
    out.clear();
    for (char c : quoted) append_utf16le_unit(out, static_cast<unsigned char>(c));
    return out;
}

DirectoryResult modify_unicode_pwd(HostSession &session, const char *dn, const char *old_password,
                                   const char *new_password) {
    Secret old_value = unicode_pwd_value(old_password);
    Secret new_value = unicode_pwd_value(new_password);
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
    return session.modify(dn, mods);
}

}  // namespace qor
