// Sessions of qorldap9.dll through WLDAP32 (Wine's, OpenLDAP inside)
// against the throwaway slapd on 127.0.0.1.
#include <gtest/gtest.h>
#include <windows.h>
#include <winldap.h>

#include <cstring>
#include <string>

#include "qorldap9.h"
#include "slapd_env.h"

namespace {

// A POSIX-style profile on the test directory, bound as its administrator.
LDAP_Config admin_profile(const SlapdEnv &env) {
    LDAP_Config record;
    LDAP_Config_initializeEx(&record);
    LDC_setHostNamesEx(&record, "127.0.0.1");
    LDC_setPortEx(&record, env.port());
    LDC_setBaseDNEx(&record, env.base().c_str());
    LDC_setBindDNEx(&record, env.rootdn().c_str());
    LDC_setBindPwdEx(&record, env.rootpw().c_str());
    LDC_setmbFlags(&record, LDC_MB_POSIX | LDC_MB_SIMPLE);
    return record;
}

TEST(Win32Directory, VerifyConfigBindsWithTheProfile) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config record = admin_profile(*env);
    EXPECT_EQ(ldap_verifyConfigEx(&record), 0);
    LDC_setBindPwdEx(&record, "not the password");
    EXPECT_EQ(ldap_verifyConfigEx(&record), LDAP_INVALID_CREDENTIALS);
    // anonymous: a bind without credentials, which slapd accepts
    LDAP_Config anonymous = admin_profile(*env);
    LDC_setmbFlags(&anonymous, LDC_MB_DEFAULT);
    EXPECT_EQ(ldap_verifyConfigEx(&anonymous), 0);
}

TEST(Win32Directory, DeadServerIsServerDown) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config record = admin_profile(*env);
    LDC_setPortEx(&record, 1);  // nothing listens on 127.0.0.1:1
    EXPECT_EQ(ldap_verifyConfigEx(&record), LDAP_SERVER_DOWN);
}

TEST(Win32Directory, SchemaCheckFindsUserEntries) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config record = admin_profile(*env);
    EXPECT_EQ(ldap_validateSchema(&record), 0);
    LDC_setBaseDNEx(&record, ("ou=empty," + env->base()).c_str());
    EXPECT_EQ(ldap_validateSchema(&record), LDC_E_NO_USER_ENTRY);
    // Active Directory users live under cn=users
    LDAP_Config ad = admin_profile(*env);
    LDC_setmbFlags(&ad, LDC_MB_AD | LDC_MB_SIMPLE);
    EXPECT_EQ(ldap_validateSchema(&ad), 0);
}

TEST(Win32Directory, InitHandsOverAWldap32Session) {
    QOR_REQUIRE_SLAPD(env);
    LDAP_Config record = admin_profile(*env);
    struct ldap *session = nullptr;
    ASSERT_EQ(ldapInitEx(&session, &record), 0);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(ldapAuthEx(session, &record), 0);
    // The handle is WLDAP32's own: the caller searches and unbinds with it.
    LDAPMessage *result = nullptr;
    std::string base = env->base();
    ULONG rc = ldap_search_s(session, const_cast<PCHAR>(base.c_str()), LDAP_SCOPE_SUBTREE,
                             const_cast<PCHAR>("(uid=jdoe)"), nullptr, 0, &result);
    EXPECT_EQ(rc, static_cast<ULONG>(LDAP_SUCCESS));
    EXPECT_EQ(ldap_count_entries(session, result), 1u);
    ldap_msgfree(result);
    EXPECT_EQ(ldap_unbind(session), static_cast<ULONG>(LDAP_SUCCESS));
}

TEST(Win32Directory, ErrorTextsAreTheClients) {
    EXPECT_STREQ(ldap_Err2String(LDAP_INVALID_CREDENTIALS), ldap_err2string(LDAP_INVALID_CREDENTIALS));
    EXPECT_STRNE(ldap_Err2String(LDAP_SERVER_DOWN), "");
}

}  // namespace
