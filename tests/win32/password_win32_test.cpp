// Password check and change of qorldap9.dll against the test slapd, and a
// changed bind password following into the stored profile.
#include <gtest/gtest.h>
#include <windows.h>

#include <winldap.h>

#include <string>

#include "qorldap9.h"
#include "slapd_env.h"

namespace {

LDAP_Config posix_profile(const SlapdEnv &env) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, "127.0.0.1");
    LDC_setPortEx(&r, env.port());
    LDC_setBaseDNEx(&r, env.base().c_str());
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    return r;
}

TEST(Win32Password, CheckByBindingAsTheUser) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config r = posix_profile(*env);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Secret123"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "secret123"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "nosuchuser", "Secret123"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "asmith", "Clear456"), 0);
}

TEST(Win32Password, RecordTellsTheStepAndReason) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config r = posix_profile(*env);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "secret123"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_BIND);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_INVALID_CREDENTIALS);
    EXPECT_EQ(ldapPasswordEx(&r, "ppquality", "Policy-Pass-1", "Tiny-1"), LDC_E_CHANGE_FAILED);
    EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_MODIFY);
    EXPECT_EQ(LDC_lastResultEx(), LDAP_CONSTRAINT_VIOLATION);
}

TEST(Win32Password, RecordHoldsTheServersTextFromWldap32) {
    QOR_REQUIRE_SLAPD(env);
    LDAP *probe = ldap_init(const_cast<PCHAR>("127.0.0.1"), env->port());
    PCHAR probe_text = nullptr;
    ULONG supported = ldap_get_option(probe, LDAP_OPT_SERVER_ERROR, &probe_text);
    if (probe_text != nullptr) ldap_memfreeA(probe_text);
    ldap_unbind(probe);
    if (supported == LDAP_NOT_SUPPORTED) GTEST_SKIP() << "this WLDAP32 does not give LDAP_OPT_SERVER_ERROR (Wine)";
    LDAP_Config r = posix_profile(*env);
    // The quality policy refuses the new password with a text of its own.
    EXPECT_EQ(ldapPasswordEx(&r, "ppquality", "Policy-Pass-1", "Tiny-1"), LDC_E_CHANGE_FAILED);
    char text[256];
    ASSERT_EQ(LDC_lastDiagnosticEx(text, sizeof text), 1);
    EXPECT_STREQ(text, "Password fails quality checking policy");
}

TEST(Win32Password, ChangeOnAPosixDirectory) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config r = posix_profile(*env);
    EXPECT_EQ(ldapPasswordEx(&r, "change4", "wrong old", "New-Pass-4"), LDC_E_OLD_PASSWORD);
    EXPECT_EQ(ldapPasswordEx(&r, "change4", "Change-Old-1", "New-Pass-4"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "change4", "New-Pass-4"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "change4", "Change-Old-1"), LDC_E_PASSWORD_REFUSED);
}

TEST(Win32Password, ActiveDirectoryChangeNeedsSsl) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config r = posix_profile(*env);
    LDC_setmbFlags(&r, LDC_MB_AD | LDC_MB_SIMPLE);
    EXPECT_EQ(ldapPasswordEx(&r, "adchange4", "Change-Old-1", "New-Pass-4"), LDC_E_AD_NEEDS_SSL);
}

TEST(Win32Password, BindUsersNewPasswordFollowsIntoTheStoredProfile) {
    QOR_REQUIRE_SLAPD(env);
    std::string name = "wp" + std::to_string(GetCurrentProcessId());
    LDAP_Config r = posix_profile(*env);
    std::string dn = "uid=change3,ou=people," + env->base();
    LDC_setBindDNEx(&r, dn.c_str());
    LDC_setBindPwdEx(&r, "Change-Old-1");
    ASSERT_EQ(LDAP_Config_saveEx(&r, name.c_str(), LDC_LOC_USER_COMMON), 1);
    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    ASSERT_EQ(LDAP_Config_loadEx(&loaded, name.c_str(), LDC_LOC_USER_COMMON), 1);

    EXPECT_EQ(ldapPasswordEx(&loaded, "change3", "Change-Old-1", "Follow-Me-3"), 0);
    EXPECT_STREQ(loaded.BindPwd, "Follow-Me-3");
    LDAP_Config again;
    LDAP_Config_initializeEx(&again);
    ASSERT_EQ(LDAP_Config_loadEx(&again, name.c_str(), LDC_LOC_USER_COMMON), 1);
    EXPECT_STREQ(again.BindPwd, "Follow-Me-3");
    EXPECT_EQ(ldap_verifyConfigEx(&again), 0);
    EXPECT_EQ(LDAP_Config_resetEx(name.c_str(), 0), 1);
}

// The unicodePwd value of an entry, read as the administrator.
std::string unicode_pwd_of(const SlapdEnv &env, const std::string &dn) {
    LDAP *ld = ldap_init(const_cast<PCHAR>("127.0.0.1"), env.port());
    if (ld == nullptr) return "<no session>";
    ULONG v3 = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
    std::string value = "<none>";
    std::string rootdn = env.rootdn(), rootpw = env.rootpw();
    char attribute[] = "unicodePwd";
    char *attributes[] = {attribute, nullptr};
    LDAPMessage *result = nullptr;
    if (ldap_simple_bind_s(ld, const_cast<PCHAR>(rootdn.c_str()), const_cast<PCHAR>(rootpw.c_str())) == LDAP_SUCCESS &&
        ldap_search_s(ld, const_cast<PCHAR>(dn.c_str()), LDAP_SCOPE_BASE, const_cast<PCHAR>("(objectClass=*)"),
                      attributes, 0, &result) == LDAP_SUCCESS) {
        LDAPMessage *entry = ldap_first_entry(ld, result);
        struct berval **values = entry ? ldap_get_values_len(ld, entry, attribute) : nullptr;
        if (values && values[0]) value.assign(values[0]->bv_val, values[0]->bv_len);
        if (values) ldap_value_free_len(values);
    }
    if (result) ldap_msgfree(result);
    ldap_unbind(ld);
    return value;
}

// What Active Directory expects: the password in double quotes, UTF-16LE.
std::string quoted_utf16(const std::string &password) {
    std::string out;
    for (char c : "\"" + password + "\"") {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(Win32Password, CheckOverSsl) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config r = posix_profile(*env);
    LDC_setPortEx(&r, std::atoi(env->get("LDAPS_PORT").c_str()));
    LDC_setSslEx(&r, 1);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Secret123"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Secret12"), LDC_E_PASSWORD_REFUSED);
    // any nonzero Ssl asks for SSL
    LDC_setSslEx(&r, 2);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Secret123"), 0);
}

TEST(Win32Password, ActiveDirectoryChangeOverSslSwapsUnicodePwd) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config r = posix_profile(*env);
    LDC_setPortEx(&r, std::atoi(env->get("LDAPS_PORT").c_str()));
    LDC_setSslEx(&r, 1);
    LDC_setmbFlags(&r, LDC_MB_AD | LDC_MB_SIMPLE);
    std::string dn = "cn=adchange3,cn=users," + env->base();
    ASSERT_EQ(unicode_pwd_of(*env, dn), quoted_utf16("Change-Old-1"));
    EXPECT_EQ(ldapPasswordEx(&r, "adchange3", "Change-Old-1", "Ad-New-3"), 0);
    EXPECT_EQ(unicode_pwd_of(*env, dn), quoted_utf16("Ad-New-3"));
}

}  // namespace
