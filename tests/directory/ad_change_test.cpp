// Password changes over ldaps against the real domain controller. Each
// test that changes a password has a user of its own (CHANGE1..6).
#include <gtest/gtest.h>

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
