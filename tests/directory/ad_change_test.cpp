// Password changes over ldaps against the real domain controller. Each
// test that changes a password has a user of its own (CHANGE1..6, and the
// must-change and expired users of the two ways around a refused bind).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "qorldap9.h"
#include "samba_ad.h"

namespace {

int check(const qor_test::SambaAd &ad, const std::string &user, const std::string &password) {
    LDAP_Config r = ad.profile(0x22, true);
    return ldap_verifyPasswdEx(&r, user.c_str(), password.c_str());
}

int change(const qor_test::SambaAd &ad, const std::string &user, const std::string &old_password,
           const std::string &new_password) {
    LDAP_Config r = ad.profile(0x22, true);
    return ldapPasswordEx(&r, user.c_str(), old_password.c_str(), new_password.c_str());
}

}  // namespace

TEST(AdChange, RightOldPasswordChangesIt) {
    QOR_REQUIRE_SAMBA_AD(ad);
    std::string user = ad->user("CHANGE1"), old_pw = ad->password("CHANGE1");
    ASSERT_EQ(change(*ad, user, old_pw, "Changed-Pass2"), 0);
    EXPECT_EQ(check(*ad, user, "Changed-Pass2"), 0);
    EXPECT_EQ(check(*ad, user, old_pw), 7020);
}

// Refusals leave the password as it was: the old one still verifies.
TEST(AdChange, RefusalsChangeNothing) {
    QOR_REQUIRE_SAMBA_AD(ad);
    std::string user = ad->user("CHANGE2"), old_pw = ad->password("CHANGE2");
    EXPECT_EQ(change(*ad, user, old_pw + "x", "Other-Pass3"), 7015);
    // Too short and too simple for the domain's policy (19 from the DC).
    EXPECT_EQ(change(*ad, user, old_pw, "ab1"), 7016);
    // Not UTF-8: the DC would store it decoded and no check could match it.
    EXPECT_EQ(change(*ad, user, old_pw, "Latin1-\xE9t\xE9-Pass4"), 7016);
    EXPECT_EQ(check(*ad, user, old_pw), 0);
    EXPECT_EQ(check(*ad, user, "Latin1-\xE9t\xE9-Pass4"), 7020);
}

TEST(AdChange, FullDnInASubUnit) {
    QOR_REQUIRE_SAMBA_AD(ad);
    std::string dn = ad->dn("CHANGE6"), old_pw = ad->password("CHANGE6");
    ASSERT_EQ(change(*ad, dn, old_pw, "Staff-Pass5"), 0);
    EXPECT_EQ(check(*ad, dn, "Staff-Pass5"), 0);
}

TEST(AdChange, LogonNameForms) {
    QOR_REQUIRE_SAMBA_AD(ad);
    ASSERT_EQ(change(*ad, ad->upn("CHANGE3"), ad->password("CHANGE3"), "Upn-Pass6"), 0);
    EXPECT_EQ(check(*ad, ad->upn("CHANGE3"), "Upn-Pass6"), 0);
    ASSERT_EQ(change(*ad, ad->down_level("CHANGE5"), ad->password("CHANGE5"), "Down-Pass7"), 0);
    EXPECT_EQ(check(*ad, ad->dn("CHANGE5"), "Down-Pass7"), 0);
}

// BindDN "chg4" and a change for the same entry spelled as a DN in other
// case and spacing: the profile follows, and still binds afterwards.
TEST(AdChange, BindUserSpelledDifferentlyIsFollowed) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(0x22, true);
    LDC_setBindDNEx(&r, ad->user("CHANGE4").c_str());
    LDC_setBindPwdEx(&r, ad->password("CHANGE4").c_str());
    std::string spelled = "cn=" + ad->user("CHANGE4") + ", CN=USERS, " + ad->base();
    ASSERT_EQ(ldapPasswordEx(&r, spelled.c_str(), ad->password("CHANGE4").c_str(), "Bind-Pass8"), 0);
    EXPECT_STREQ(r.BindPwd, "Bind-Pass8");
    EXPECT_EQ(ldap_verifyConfigEx(&r), 0);
}

namespace {

// The two ways for users the DC refuses to bind until they change their
// password: through the bind user (a profile with BindDN) or Kerberos.
struct Way {
    const char *role;
    bool bind_user;
    int32_t step;
    bool policy_applies;  // the expired users' policy sets no minimum length
};

const Way kWays[] = {
    {"MUSTCHANGE_BIND", true, LDC_STEP_BIND_USER_MODIFY, true},
    {"PWEXPIRED_BIND", true, LDC_STEP_BIND_USER_MODIFY, false},
    {"MUSTCHANGE_KRB", false, LDC_STEP_KPASSWD, true},
    {"PWEXPIRED_KRB", false, LDC_STEP_KPASSWD, false},
};

// The system's Kerberos configuration, for the test's span: one that
// sends everything to a host nobody listens on.
class DeadEndKrb5Config {
  public:
    explicit DeadEndKrb5Config(const std::string &realm) {
        const char *old = getenv("KRB5_CONFIG");
        saved_ = old != nullptr ? old : "";
        FILE *f = fopen(path_.c_str(), "w");
        if (f != nullptr) {
            fprintf(f, "[libdefaults]\n default_realm = %s\n dns_lookup_kdc = false\n[realms]\n %s = {\n",
                    realm.c_str(), realm.c_str());
            fprintf(f, "  kdc = 127.0.0.9\n  admin_server = 127.0.0.9\n  kpasswd_server = 127.0.0.9\n }\n");
            fclose(f);
        }
        setenv("KRB5_CONFIG", path_.c_str(), 1);
    }
    ~DeadEndKrb5Config() {
        setenv("KRB5_CONFIG", saved_.c_str(), 1);
        remove(path_.c_str());
    }

  private:
    std::string path_ = "/tmp/qor-dead-end-krb5.conf";
    std::string saved_;
};

}  // namespace

TEST(AdChange, ExpiredAndMustChangeUsersChangeAroundTheRefusedBind) {
    QOR_REQUIRE_SAMBA_AD(ad);
    DeadEndKrb5Config no_system_config(ad->get("AD_REALM"));
    for (const Way &w : kWays) {
        LDAP_Config r = ad->profile(0x22, true);
        if (w.bind_user) {
            LDC_setBindDNEx(&r, ad->user("BIND").c_str());
            LDC_setBindPwdEx(&r, ad->password("BIND").c_str());
        }
        const std::string user = ad->user(w.role), old_pw = ad->password(w.role), fresh = "Around-Pass4";
        // A wrong old password: one bad count, no way opened.
        long bad = ad->bad_password_count(ad->dn(w.role));
        EXPECT_EQ(ldapPasswordEx(&r, user.c_str(), (old_pw + "x").c_str(), fresh.c_str()), 7015) << w.role;
        EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_BIND) << w.role;
        EXPECT_EQ(ad->bad_password_count(ad->dn(w.role)), bad + 1) << w.role;
        if (w.policy_applies) {
            EXPECT_EQ(ldapPasswordEx(&r, user.c_str(), old_pw.c_str(), "ab1"), 7016) << w.role;
            EXPECT_EQ(LDC_lastStepEx(), w.step) << w.role;
            EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_TOO_SHORT) << w.role;
            EXPECT_EQ(LDC_lastReasonValueEx(), 7) << w.role;
        }
        ASSERT_EQ(ldapPasswordEx(&r, user.c_str(), old_pw.c_str(), fresh.c_str()), 0) << w.role;
        EXPECT_EQ(LDC_lastStepEx(), w.step) << w.role;
        // A plain bind with the new password: the must-change state is gone.
        EXPECT_EQ(check(*ad, user, fresh), 0) << w.role;
        EXPECT_EQ(check(*ad, user, old_pw), 7020) << w.role;
    }
    // An ordinary user's wrong password opens neither way.
    for (bool bind_user : {true, false}) {
        LDAP_Config r = ad->profile(0x22, true);
        if (bind_user) {
            LDC_setBindDNEx(&r, ad->user("BIND").c_str());
            LDC_setBindPwdEx(&r, ad->password("BIND").c_str());
        }
        EXPECT_EQ(ldapPasswordEx(&r, ad->user("PLAIN").c_str(), "Alice-Wrong1", "Other-Pass5"), 7015);
        EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_BIND);
        EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_INVALID_CREDENTIALS);
    }
}
