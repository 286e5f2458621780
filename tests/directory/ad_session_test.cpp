// Session binds and the schema check against the real domain controller.
#include <gtest/gtest.h>

#include "qorldap9.h"
#include "samba_ad.h"

namespace {

// The DC answers negotiate binds for the ticket the fixture holds.
int negotiate_check(const qor_test::SambaAd &ad, bool ldaps) {
    LDAP_Config r = ad.profile(0x42, ldaps);
    return ldap_verifyConfigEx(&r);
}

}  // namespace

TEST(AdSession, NegotiateBindOverPlainLdap) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(negotiate_check(*ad, false), 0);
}

// Over TLS the DC refuses a SASL security layer on top of it (53).
TEST(AdSession, NegotiateBindOverLdaps) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(negotiate_check(*ad, true), 0);
}

// A subtree search at the domain root also returns continuation
// references (ldap://ad.example.test/...), which a chase without
// credentials cannot follow: the DC answers it with 1.
TEST(AdSession, SchemaCheckWithReferralsOnFindsUsers) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(0x42, false);
    LDC_setReferalEx(&r, 1);
    EXPECT_EQ(ldap_validateSchema(&r), 0);
    LDC_setReferalEx(&r, 0);
    EXPECT_EQ(ldap_validateSchema(&r), 0);
}
