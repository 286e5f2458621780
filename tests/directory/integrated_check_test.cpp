// The password check of Active Directory profiles with integrated bind:
// the NTLM logon check with the domain from the base DN and the user name
// from the user string, against a user file of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "ntlm_user_file.h"
#include "qorldap9.h"
#include "test_directory.h"

namespace {

class IntegratedCheck : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        users_ = new NtlmUserFile;
        users_->add("CORP\\jdoe", "Nt-Pass-1");
        users_->add("ndoe", "Nt-Pass-2");
        use_ntlm_user_file(users_->path());
    }
    static void TearDownTestSuite() {
        delete users_;
        users_ = nullptr;
    }

    LDAP_Config profile(const char *base) const {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        LDC_setHostNamesEx(&r, "127.0.0.1:1");  // never contacted on this path
        LDC_setBaseDNEx(&r, base);
        LDC_setmbFlags(&r, LDC_MB_AD | LDC_MB_INTEGRATED);
        return r;
    }

    static NtlmUserFile *users_;
};

NtlmUserFile *IntegratedCheck::users_ = nullptr;

}  // namespace

TEST_F(IntegratedCheck, BareNameAndDnLogOnInTheBasesDomain) {
    LDAP_Config r = profile("dc=corp,dc=example,dc=com");
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Nt-Pass-1"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "cn=jdoe,cn=users,dc=corp,dc=example,dc=com", "Nt-Pass-1"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Nt-Pass-9"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(IntegratedCheck, DeepBaseLogsOn) {
    std::string base = "dc=corp,dc=example,dc=com";
    while (base.size() < 300) base = "ou=unit-" + std::string(40, 'x') + "," + base;
    LDAP_Config r = profile(base.c_str());
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Nt-Pass-1"), 0);
}

TEST_F(IntegratedCheck, OtherDomainIsRefused) {
    LDAP_Config r = profile("dc=sales,dc=example,dc=com");
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "Nt-Pass-1"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(IntegratedCheck, EmptyBaseLogsOnWithoutADomain) {
    LDAP_Config r = profile("");
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "ndoe", "Nt-Pass-2"), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "ndoe", "Nt-Pass-1"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(IntegratedCheck, UserStringWithoutAValueIsRefusedWithoutALogon) {
    LDAP_Config r = profile("dc=corp,dc=example,dc=com");
    for (const char *user : {"cn=", "cn=,,,"}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ldap_verifyPasswdEx(&r, user, "Nt-Pass-1"), LDC_E_PASSWORD_REFUSED) << user;
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "a logon was attempted for " << user;
    }
    std::string too_long(260, 'j');
    EXPECT_EQ(ldap_verifyPasswdEx(&r, too_long.c_str(), "Nt-Pass-1"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(IntegratedCheck, EmptyPasswordNeverVerifies) {
    LDAP_Config r = profile("dc=corp,dc=example,dc=com");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", ""), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// Without a user file of its own the provider asks winbind; a file named
// in the mechanism's own variable must not take winbind's place.
TEST_F(IntegratedCheck, MechanismNeverReadsAUserFileTheProviderDidNotName) {
    unsetenv("QORSSPI_USER_FILE");
    setenv("NTLM_USER_FILE", users_->path().c_str(), 1);
    LDAP_Config r = profile("dc=corp,dc=example,dc=com");
    int rc = ldap_verifyPasswdEx(&r, "jdoe", "Nt-Pass-1");
    use_ntlm_user_file(users_->path());
    EXPECT_EQ(rc, LDC_E_PASSWORD_REFUSED);
}
