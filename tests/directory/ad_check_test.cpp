// Password checks (simple binds over ldaps) against the real domain
// controller: the answers the DC gives for each account state.
#include <gtest/gtest.h>

#include <string>

#include "qorldap9.h"
#include "samba_ad.h"

namespace {

int check(const qor_test::SambaAd &ad, const std::string &user, const std::string &password) {
    LDAP_Config r = ad.profile(0x22, true);
    return ldap_verifyPasswdEx(&r, user.c_str(), password.c_str());
}

}  // namespace

TEST(AdCheck, RightPasswordVerifiesAndWrongOneDoesNot) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(check(*ad, ad->user("PLAIN"), ad->password("PLAIN")), 0);
    EXPECT_EQ(check(*ad, ad->user("PLAIN"), ad->password("PLAIN") + "x"), 7020);
    EXPECT_EQ(check(*ad, ad->user("PLAIN"), ""), 7020);
}

TEST(AdCheck, NonAsciiPasswordVerifies) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(check(*ad, ad->user("NONASCII"), ad->password("NONASCII")), 0);
}

TEST(AdCheck, FullDnInASubUnitVerifies) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(check(*ad, ad->dn("SUBOU"), ad->password("SUBOU")), 0);
    EXPECT_EQ(check(*ad, ad->dn("NAMED"), ad->password("NAMED")), 0);
}

// The DC takes user@dns.domain and DOMAIN\user as bind names; so does a
// user whose CN is not the logon name.
TEST(AdCheck, LogonNameFormsVerify) {
    QOR_REQUIRE_SAMBA_AD(ad);
    for (const char *role : {"PLAIN", "NAMED", "NONASCII"}) {
        EXPECT_EQ(check(*ad, ad->upn(role), ad->password(role)), 0) << role;
        EXPECT_EQ(check(*ad, ad->down_level(role), ad->password(role)), 0) << role;
        EXPECT_EQ(check(*ad, ad->upn(role), ad->password(role) + "x"), 7020) << role;
    }
    // A bare name is the CN under cn=users, which the named user's is not.
    EXPECT_EQ(check(*ad, ad->user("NAMED"), ad->password("NAMED")), 7020);
}

TEST(AdCheck, ProfileBindsWithALogonName) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(0x22, true);
    LDC_setBindPwdEx(&r, ad->password("NAMED").c_str());
    for (const std::string &name : {ad->upn("NAMED"), ad->down_level("NAMED")}) {
        LDC_setBindDNEx(&r, name.c_str());
        EXPECT_EQ(ldap_verifyConfigEx(&r), 0) << name;
    }
}

TEST(AdCheck, AccountsThatCannotLogOnAreRefused) {
    QOR_REQUIRE_SAMBA_AD(ad);
    for (const char *role : {"DISABLED", "MUSTCHANGE", "PWEXPIRED", "ACCTEXPIRED", "LOCKED"}) {
        EXPECT_EQ(check(*ad, ad->user(role), ad->password(role)), 7020) << role;
        EXPECT_EQ(check(*ad, ad->dn(role), ad->password(role)), 7020) << role;
    }
}
