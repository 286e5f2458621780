#include <gtest/gtest.h>

#include <string>

#include "guarded_record.h"
#include "qorldap9.h"

namespace {

struct Servers : ::testing::Test {
    LDAP_Config r;
    void SetUp() override { LDAP_Config_initializeEx(&r); }
};

}  // namespace

TEST_F(Servers, CountSplitsAtRunsOfBlanks) {
    EXPECT_EQ(LDC_getNumServersEx(&r), 0);
    LDC_setHostNamesEx(&r, "   ");
    EXPECT_EQ(LDC_getNumServersEx(&r), 0);
    LDC_setHostNamesEx(&r, "ldap1   ldap2  ldap3 ");
    EXPECT_EQ(LDC_getNumServersEx(&r), 3);
    LDC_setHostNamesEx(&r, "a\tb");  // tabs do not separate
    EXPECT_EQ(LDC_getNumServersEx(&r), 1);
    EXPECT_STREQ(r.HostNames, "a\tb");
}

TEST_F(Servers, AddAppendsEntriesWithALeadingBlank) {
    EXPECT_EQ(LDC_addServerEx(&r, "ldap1", 389), 0);
    EXPECT_STREQ(r.HostNames, " ldap1:389");
    EXPECT_EQ(LDC_addServerEx(&r, "ldap2", 636), 0);
    EXPECT_STREQ(r.HostNames, " ldap1:389 ldap2:636");
    EXPECT_EQ(LDC_getNumServersEx(&r), 2);
    EXPECT_EQ(LDC_addServerEx(&r, "ldap-1", 389), 0);
    EXPECT_EQ(LDC_addServerEx(&r, "", 389), 0);  // an empty host passes the character test
    EXPECT_STREQ(r.HostNames, " ldap1:389 ldap2:636 ldap-1:389 :389");
}

TEST_F(Servers, AddChecksHostThenPortThenDuplicates) {
    LDC_setHostNamesEx(&r, "ldap1");
    for (const char *bad : {"ldap.example.com", "ldap_1", "127.0.0.1", "h\xC3\xA9", "a b"}) {
        EXPECT_EQ(LDC_addServerEx(&r, bad, 389), LDC_E_BAD_HOST) << bad;
    }
    for (int32_t port : {0, 65536, -1, INT32_MIN}) EXPECT_EQ(LDC_addServerEx(&r, "ok", port), LDC_E_BAD_PORT) << port;
    EXPECT_EQ(LDC_addServerEx(&r, "bad.host", 0), LDC_E_BAD_HOST);  // host first
    EXPECT_EQ(LDC_addServerEx(&r, "ldap1", 0), LDC_E_BAD_PORT);     // port before duplicate
    EXPECT_EQ(LDC_addServerEx(&r, "ldap1", 636), LDC_E_SERVER_LISTED);
    EXPECT_STREQ(r.HostNames, "ldap1");               // unchanged by every refusal
    EXPECT_EQ(LDC_addServerEx(&r, "LDAP1", 389), 0);  // case matters
    EXPECT_EQ(LDC_addServerEx(&r, "p1", 1), 0);
    EXPECT_EQ(LDC_addServerEx(&r, "p2", 65535), 0);
    EXPECT_STREQ(r.HostNames, "ldap1 LDAP1:389 p1:1 p2:65535");
}

TEST_F(Servers, DuplicateTestComparesWholeEntries) {
    LDC_setHostNamesEx(&r, "ldap1 ldap2");
    EXPECT_EQ(LDC_addServerEx(&r, "ldap2", 389), LDC_E_SERVER_LISTED);
    EXPECT_EQ(LDC_addServerEx(&r, "ldap", 389), 0);  // a prefix is not a match
    EXPECT_EQ(LDC_addServerEx(&r, "ldap3", 389), 0);

    LDAP_Config_initializeEx(&r);
    EXPECT_EQ(LDC_addServerEx(&r, "ldap1", 389), 0);
    EXPECT_EQ(LDC_addServerEx(&r, "ldap1", 389), 0);  // entries with ports never equal a bare host
    EXPECT_STREQ(r.HostNames, " ldap1:389 ldap1:389");
}

TEST(ServersBounds, ListThatWouldOverflowIsRefusedAndKept) {
    GuardedRecord g;
    std::string list(150, 'a');
    LDC_setHostNamesEx(g.get(), list.c_str());
    EXPECT_EQ(LDC_addServerEx(g.get(), "bbb", 389), 0);  // 150 + " bbb:389" = 158 characters
    EXPECT_EQ(strlen(g->HostNames), 158u);
    EXPECT_EQ(LDC_addServerEx(g.get(), "c", 1), LDC_E_SERVER_LIST_FULL);  // 158 + 4 > 159
    EXPECT_EQ(std::string(g->HostNames), list + " bbb:389");
    EXPECT_TRUE(g.guards_intact());

    LDAP_Config_initializeEx(g.get());
    std::string host(200, 'h');
    EXPECT_EQ(LDC_addServerEx(g.get(), host.c_str(), 389), LDC_E_SERVER_LIST_FULL);
    EXPECT_STREQ(g->HostNames, "");
    EXPECT_TRUE(g.guards_intact());
}

TEST(ServersBounds, ExactlyFullListIsAccepted) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    std::string host(159 - 5, 'h');  // " " + host + ":389" = 159
    EXPECT_EQ(LDC_addServerEx(&r, host.c_str(), 389), 0);
    EXPECT_EQ(strlen(r.HostNames), 159u);
    std::string longer(159 - 4, 'h');
    LDAP_Config_initializeEx(&r);
    EXPECT_EQ(LDC_addServerEx(&r, longer.c_str(), 389), LDC_E_SERVER_LIST_FULL);
}
