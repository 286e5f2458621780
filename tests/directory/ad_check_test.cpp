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

TEST(AdCheck, AccountsThatCannotLogOnAreRefused) {
    QOR_REQUIRE_SAMBA_AD(ad);
    for (const char *role : {"DISABLED", "MUSTCHANGE", "PWEXPIRED", "ACCTEXPIRED", "LOCKED"}) {
        EXPECT_EQ(check(*ad, ad->user(role), ad->password(role)), 7020) << role;
        EXPECT_EQ(check(*ad, ad->dn(role), ad->password(role)), 7020) << role;
    }
}
