// The Windows client's host lists as libldap URI lists.
#include <gtest/gtest.h>
#include <ldap.h>

#include <string>

#include "platform/posix/ldap_uri.h"

using qor::platform::build_uri_list;

namespace {

std::string uris(const char *hosts, int port, bool ssl = false) {
    std::string out;
    int rc = build_uri_list(hosts, port, ssl, out);
    return rc == LDAP_SUCCESS ? out : "<" + std::to_string(rc) + ">";
}

}  // namespace

TEST(HostList, EntriesTakeTheirOwnPortOrTheGivenOne) {
    EXPECT_EQ(uris("ldap1", 389), "ldap://ldap1:389");
    EXPECT_EQ(uris(" ldap1:1389  ldap-2.example.com ", 389), "ldap://ldap1:1389 ldap://ldap-2.example.com:389");
    EXPECT_EQ(uris("127.0.0.1 10.0.0.1:636", 636, true), "ldaps://127.0.0.1:636 ldaps://10.0.0.1:636");
    // Port 0: the scheme's own.
    EXPECT_EQ(uris("ldap1", 0), "ldap://ldap1");
    EXPECT_EQ(uris("ldap1", 0, true), "ldaps://ldap1");
}

TEST(HostList, Ipv6AddressesAreBracketed) {
    EXPECT_EQ(uris("::1", 389), "ldap://[::1]:389");
    EXPECT_EQ(uris("[::1]", 389), "ldap://[::1]:389");
    EXPECT_EQ(uris("[fe80::1]:1636", 636, true), "ldaps://[fe80::1]:1636");
    EXPECT_EQ(uris("::ffff:127.0.0.1", 389), "ldap://[::ffff:127.0.0.1]:389");
}

TEST(HostList, WhatCannotBeAUriIsRefused) {
    const std::string refused = "<" + std::to_string(LDAP_PARAM_ERROR) + ">";
    for (const char *bad : {"",     "   ",  "h:",     "h:0",    "h:65536",   "h:12a",  "h:-1",
                            ":389", "[::1", "[::1]x", "[::1]:", "[]",        "[host]", "h/x",
                            "h?x",  "h#x",  "h%x",    "h@x",    "u\xc3\xa9", "a\tb",   "fe80::1%eth0"}) {
        EXPECT_EQ(uris(bad, 389), refused) << bad;
    }
    EXPECT_EQ(uris(nullptr, 389), refused);
    EXPECT_EQ(uris("h", -1), refused);
    EXPECT_EQ(uris("h", 65536), refused);
    EXPECT_EQ(uris("h:x :389", 389), refused);  // no entry left
}

TEST(HostList, BadEntriesAreLeftOutAndTheRestUsed) {
    EXPECT_EQ(uris("h:1 h:x", 389), "ldap://h:1");
    EXPECT_EQ(uris("good :389 [::1", 389), "ldap://good:389");
}
