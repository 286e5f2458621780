// Password check and change of qorldap9.dll against the test slapd, and a
// changed bind password following into the stored profile.
#include <gtest/gtest.h>
#include <windows.h>

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

}  // namespace
