// The password check and the password change against the test directory.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "deep_base.h"
#include "net_faults.h"
#include "directory/directory_session.h"
#include "qorldap9.h"
#include "temp_registry.h"
#include "test_directory.h"

namespace {

using qor_test::TestDirectory;

const char *kBase = "dc=example,dc=com";

class Passwords : public TempRegistry {
  protected:
    const TestDirectory *dir = nullptr;
    void SetUp() override {
        TempRegistry::SetUp();
        std::string why;
        dir = TestDirectory::slapd(&why);
        if (dir == nullptr) {
            if (why.empty()) GTEST_SKIP() << "QOR_SLAPD_ENV is not set";
            FAIL() << why;
        }
    }

    LDAP_Config profile(int32_t flags, bool ssl = false) const {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        std::string hosts = "127.0.0.1:" + std::to_string(ssl ? dir->ldaps_port() : dir->ldap_port());
        LDC_setHostNamesEx(&r, hosts.c_str());
        LDC_setBaseDNEx(&r, kBase);
        LDC_setmbFlags(&r, flags);
        LDC_setSslEx(&r, ssl ? 1 : 0);
        return r;
    }

    // An independent client's view: does dn bind with password?
    int raw_bind(const std::string &dn, const std::string &password) const {
        return qor_test::simple_bind(dir->uri(), dn, password);
    }

    // The administrator's comparison of an attribute value (base64 for
    // binary values): true when the server holds it.
    bool holds(const std::string &dn, const std::string &assertion) const {
        return dir->admin_tool("ldapcompare", "'" + dn + "' '" + assertion + "'") == 6;
    }

    static std::string unicode_pwd_b64(const std::string &password) {
        std::string quoted = "\"" + password + "\"", wide;
        for (char c : quoted) {
            wide.push_back(c);
            wide.push_back('\0');
        }
        static const char *abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (size_t i = 0; i < wide.size(); i += 3) {
            unsigned v = static_cast<unsigned char>(wide[i]) << 16;
            if (i + 1 < wide.size()) v |= static_cast<unsigned char>(wide[i + 1]) << 8;
            if (i + 2 < wide.size()) v |= static_cast<unsigned char>(wide[i + 2]);
            out += abc[(v >> 18) & 63];
            out += abc[(v >> 12) & 63];
            out += i + 1 < wide.size() ? abc[(v >> 6) & 63] : '=';
            out += i + 2 < wide.size() ? abc[v & 63] : '=';
        }
        return out;
    }
};

}  // namespace

TEST_F(Passwords, PosixUserBindsUnderPeople) {
    LDAP_Config r = profile(0x01);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "asmith", TestDirectory::kPosixAsmithPassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "wrong"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixAsmithPassword), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "nobody", "x"), LDC_E_PASSWORD_REFUSED);
    qor::close_kept_sessions();  // kept ones aside, nothing is left open
    EXPECT_EQ(dir->connections_from_this_process(), 0);
}

TEST_F(Passwords, DeepBaseChecksAndChanges) {
    std::string base = qor_test::deep_base_with_user(*dir, "deepcheck", "Deep-Old-1");
    ASSERT_EQ(base.size(), qor_test::kDeepBaseLength);
    LDAP_Config r = profile(0x01);
    LDC_setBaseDNEx(&r, base.c_str());
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "deepcheck", "Deep-Old-1"), 0);
    EXPECT_EQ(ldapPasswordEx(&r, "deepcheck", "Deep-Old-1", "Deep-New-2"), 0);
    EXPECT_EQ(raw_bind("uid=deepcheck,ou=people," + base, "Deep-New-2"), 0);
}

TEST_F(Passwords, EmptyHostInTheListLeavesTheOthersWorking) {
    LDAP_Config r = profile(0x01);
    ASSERT_EQ(LDC_addServerEx(&r, "", 389), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
}

TEST_F(Passwords, UserWithACommaIsBoundAsGiven) {
    LDAP_Config r = profile(0x02);  // the cn pattern would point elsewhere
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "uid=jdoe,ou=people,dc=example,dc=com", TestDirectory::kPosixJdoePassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kAdJdoePassword), 0);  // cn=jdoe,cn=users
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), LDC_E_PASSWORD_REFUSED);
}

TEST_F(Passwords, AnyNonzeroSslOpensLdaps) {
    LDAP_Config r = profile(0x01, true);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    LDC_setSslEx(&r, 2);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    LDAP_Config plain = profile(0x01);
    LDC_setSslEx(&plain, 2);  // SSL against the plain port fails
    EXPECT_EQ(ldap_verifyPasswdEx(&plain, "jdoe", TestDirectory::kPosixJdoePassword), LDC_E_PASSWORD_REFUSED);
    qor::close_kept_sessions();  // kept ones aside, nothing is left open
    EXPECT_EQ(dir->connections_from_this_process(), 0);
}

TEST_F(Passwords, IntegratedBitAloneOrADAloneTakesTheSimplePath) {
    LDAP_Config r = profile(0x41);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", TestDirectory::kPosixJdoePassword), 0);
    r = profile(0x22);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "asmith", TestDirectory::kAdAsmithPassword), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "asmith", "AdPass2?"), LDC_E_PASSWORD_REFUSED);
}

TEST_F(Passwords, EmptyPasswordOrUserNeverVerifiesNorReachesTheServer) {
    // A call that must not reach any server is pointed here; nothing may connect.
    qor_test::HungHost wire;
    LDAP_Config r = profile(0x01);
    LDC_setHostNamesEx(&r, wire.entry().c_str());
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", ""), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "uid=jdoe,ou=people,dc=example,dc=com", ""), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "", "pw"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, nullptr, "pw"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", nullptr), LDC_E_PASSWORD_REFUSED);
    // DNs that no input the interface allows can form.
    std::string long_dn = "uid=" + std::string(1600, 'x') + ",ou=people,dc=example,dc=com";
    EXPECT_EQ(ldap_verifyPasswdEx(&r, long_dn.c_str(), "pw"), LDC_E_PASSWORD_REFUSED);
    std::string long_name(800, '+');  // every character escaped
    EXPECT_EQ(ldap_verifyPasswdEx(&r, long_name.c_str(), "pw"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(wire.connections(), 0);
}

TEST_F(Passwords, SessionThatCannotBeOpenedHasItsOwnCode) {
    LDAP_Config r = profile(0x01);
    LDC_setHostNamesEx(&r, "");
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "pw"), LDC_E_PLAIN_INIT);
    LDC_setSslEx(&r, 1);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "jdoe", "pw"), LDC_E_SSL_INIT);
}

TEST_F(Passwords, ActiveDirectoryChangeNeedsSslBeforeAnyContact) {
    // A call that must not reach any server is pointed here; nothing may connect.
    qor_test::HungHost wire;
    for (int ssl : {0, 2}) {
        LDAP_Config r = profile(0x22);
        LDC_setHostNamesEx(&r, wire.entry().c_str());
        LDC_setSslEx(&r, ssl);
        EXPECT_EQ(ldapPasswordEx(&r, "adchange1", "Change-Old-1", "x-New-1"), LDC_E_AD_NEEDS_SSL);
    }
    LDAP_Config r = profile(0x21);
    LDC_setHostNamesEx(&r, wire.entry().c_str());
    EXPECT_EQ(ldapPasswordEx(&r, "change1", "", "x-New-1"), LDC_E_OLD_PASSWORD);
    EXPECT_EQ(ldapPasswordEx(&r, "change1", nullptr, "x-New-1"), LDC_E_OLD_PASSWORD);
    EXPECT_EQ(ldapPasswordEx(&r, "change1", "Change-Old-1", nullptr), LDC_E_CHANGE_FAILED);
    EXPECT_EQ(wire.connections(), 0);
}

TEST_F(Passwords, WrongOldPasswordChangesNothing) {
    LDAP_Config r = profile(0x21);
    EXPECT_EQ(ldapPasswordEx(&r, "asmith", "not-it", "Hijack-1"), LDC_E_OLD_PASSWORD);
    EXPECT_EQ(raw_bind("uid=asmith,ou=people,dc=example,dc=com", TestDirectory::kPosixAsmithPassword), 0);
    EXPECT_EQ(raw_bind("uid=asmith,ou=people,dc=example,dc=com", "Hijack-1"), LDAP_INVALID_CREDENTIALS);
}

// The server offers the password-modify operation: it stores its own
// hash ({SSHA}, slapd's default), never the text sent.
TEST_F(Passwords, PosixChangeLeavesTheServersHash) {
    LDAP_Config r = profile(0x21);
    const std::string dn = "uid=change1,ou=people,dc=example,dc=com";
    ASSERT_EQ(ldapPasswordEx(&r, "change1", TestDirectory::kChangePassword, "Posix-New-7"), 0);
    EXPECT_EQ(raw_bind(dn, "Posix-New-7"), 0);
    EXPECT_EQ(raw_bind(dn, TestDirectory::kChangePassword), LDAP_INVALID_CREDENTIALS);
    EXPECT_FALSE(holds(dn, "userPassword:Posix-New-7"));
    std::string stored;
    ASSERT_EQ(dir->admin_tool("ldapsearch", "-LLL -b '" + dn + "' -s base userPassword", "", &stored), 0);
    EXPECT_NE(stored.find("userPassword:: e1NTSEF9"), std::string::npos) << stored;  // base64 of "{SSHA}"
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "change1", "Posix-New-7"), 0);
    qor::close_kept_sessions();  // kept ones aside, nothing is left open
    EXPECT_EQ(dir->connections_from_this_process(), 0);
}

TEST_F(Passwords, ActiveDirectoryChangeSwapsTheUnicodePwdValueOverSsl) {
    LDAP_Config r = profile(0x22, true);
    const std::string dn = "cn=adchange1,cn=users,dc=example,dc=com";
    ASSERT_TRUE(holds(dn, "unicodePwd::" + unicode_pwd_b64(TestDirectory::kChangePassword)));
    ASSERT_EQ(ldapPasswordEx(&r, "adchange1", TestDirectory::kChangePassword, "Ad-New-Pass-2"), 0);
    EXPECT_TRUE(holds(dn, "unicodePwd::" + unicode_pwd_b64("Ad-New-Pass-2")));
    EXPECT_FALSE(holds(dn, "unicodePwd::" + unicode_pwd_b64(TestDirectory::kChangePassword)));
}

TEST_F(Passwords, ActiveDirectoryPasswordsLongerThanFifteenCharacters) {
    LDAP_Config r = profile(0x22, true);
    const std::string dn = "cn=adlong,cn=users,dc=example,dc=com";
    std::string fresh = "Fresh-" + std::string(60, 'q') + "-End";
    ASSERT_EQ(ldapPasswordEx(&r, "adlong", TestDirectory::kAdLongPassword, fresh.c_str()), 0);
    EXPECT_TRUE(holds(dn, "unicodePwd::" + unicode_pwd_b64(fresh)));
}

TEST_F(Passwords, BothBitsSendThePosixRequestFirst) {
    // A POSIX entry holds no unicodePwd: the second request is refused,
    // and the first one, already made, stays.
    LDAP_Config r = profile(0x23, true);
    const std::string dn = "uid=change2,ou=people,dc=example,dc=com";
    EXPECT_EQ(ldapPasswordEx(&r, dn.c_str(), TestDirectory::kChangePassword, "Both-New-3"), LDC_E_CHANGE_FAILED);
    EXPECT_EQ(raw_bind(dn, "Both-New-3"), 0);
}

TEST_F(Passwords, NeitherBitOnlyBinds) {
    LDAP_Config r = profile(0x20);
    const std::string dn = "cn=adchange3,cn=users,dc=example,dc=com";
    EXPECT_EQ(ldapPasswordEx(&r, dn.c_str(), TestDirectory::kChangePassword, "Never-Set-4"), 0);
    EXPECT_EQ(raw_bind(dn, TestDirectory::kChangePassword), 0);
    EXPECT_EQ(raw_bind(dn, "Never-Set-4"), LDAP_INVALID_CREDENTIALS);
}

TEST_F(Passwords, BindUserChangeUpdatesAndSavesTheProfile) {
    LDAP_Config r = profile(0x21);
    LDC_setBindDNEx(&r, "uid=change3,ou=people,dc=example,dc=com");
    LDC_setBindPwdEx(&r, TestDirectory::kChangePassword);
    ASSERT_EQ(LDAP_Config_saveEx(&r, "svc", LDC_LOC_USER_COMMON), 1);
    ASSERT_EQ(LDAP_Config_loadEx(&r, "svc", LDC_LOC_USER_COMMON), 1);
    ASSERT_EQ(ldapPasswordEx(&r, "change3", TestDirectory::kChangePassword, "Svc-New-5"), 0);
    EXPECT_STREQ(r.BindPwd, "Svc-New-5");
    LDAP_Config stored;
    LDAP_Config_initializeEx(&stored);
    ASSERT_EQ(LDAP_Config_loadEx(&stored, "svc", LDC_LOC_USER_COMMON), 1);
    EXPECT_STREQ(stored.BindPwd, "Svc-New-5");
    EXPECT_EQ(ldap_verifyConfigEx(&stored), 0);
}

// The same DN in another case and spacing names the same entry.
TEST_F(Passwords, BindDnDifferingInCaseIsTheBindUser) {
    LDAP_Config r = profile(0x21);
    LDC_setBindDNEx(&r, "UID=Change4, ou=People,DC=example,dc=com");
    LDC_setBindPwdEx(&r, "kept");
    ASSERT_EQ(ldapPasswordEx(&r, "change4", TestDirectory::kChangePassword, "Other-New-6"), 0);
    EXPECT_STREQ(r.BindPwd, "Other-New-6");
    EXPECT_EQ(raw_bind("uid=change4,ou=people,dc=example,dc=com", "Other-New-6"), 0);
}

TEST_F(Passwords, BindUserPasswordTheProfileCannotKeepIsRefusedFirst) {
    LDAP_Config r = profile(0x22, true);
    const std::string dn = "cn=adchange2,cn=users,dc=example,dc=com";
    LDC_setBindDNEx(&r, dn.c_str());
    std::string too_long(176, 'z');
    EXPECT_EQ(ldapPasswordEx(&r, "adchange2", TestDirectory::kChangePassword, too_long.c_str()), LDC_E_CHANGE_FAILED);
    EXPECT_TRUE(holds(dn, "unicodePwd::" + unicode_pwd_b64(TestDirectory::kChangePassword)));
    EXPECT_STREQ(r.BindPwd, "");
}

TEST_F(Passwords, ChangeSucceedsWhenTheProfileCannotBeSaved) {
    // Never loaded: RegLocation -1, so the save writes nothing.
    LDAP_Config r = profile(0x22, true);
    const std::string dn = "cn=adchange4,cn=users,dc=example,dc=com";
    LDC_setBindDNEx(&r, dn.c_str());
    ASSERT_EQ(ldapPasswordEx(&r, dn.c_str(), TestDirectory::kChangePassword, "Unsaved-New-8"), 0);
    EXPECT_STREQ(r.BindPwd, "Unsaved-New-8");
    EXPECT_TRUE(holds(dn, "unicodePwd::" + unicode_pwd_b64("Unsaved-New-8")));
}
