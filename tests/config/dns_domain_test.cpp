#include <gtest/gtest.h>

#include <string>

#include "qorldap9.h"

namespace {

struct DnsCase {
    const char *base;
    const char *domain;
};

class DnsDomain : public ::testing::TestWithParam<DnsCase> {};

void PrintTo(const DnsCase &c, std::ostream *os) { *os << '"' << c.base << '"'; }

}  // namespace

TEST_P(DnsDomain, DerivesTheWorkedExamples) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setBaseDNEx(&r, GetParam().base);
    char out[260];
    memset(out, 'x', sizeof out);
    ASSERT_EQ(LDC_formDnsDomainEx(&r, out, sizeof out), 1);
    EXPECT_STREQ(out, GetParam().domain);
}

INSTANTIATE_TEST_SUITE_P(Examples, DnsDomain,
                         ::testing::Values(DnsCase{"dc=example,dc=com", "example.com"},
                                           DnsCase{"DC=Sales,DC=Example,DC=com", "Sales.Example.com"},
                                           DnsCase{"o=example.com", "example.com"}, DnsCase{"o=Acme,c=US", "Acme"},
                                           DnsCase{"O=Acme,dc=example,dc=com", "Acme"},
                                           DnsCase{"ou=people,dc=example,dc=com", ""},
                                           DnsCase{"dc=example,ou=sales,dc=com", "example.ou.sales.com"},
                                           DnsCase{"dc=example, dc=com", "example. dc.com"},
                                           DnsCase{"o=dc,dc=example", "dc.example"}, DnsCase{"o", ""},
                                           DnsCase{"dc==,,example,,dc=com", "example.com"}),
                         [](const ::testing::TestParamInfo<DnsCase> &info) { return std::to_string(info.index); });

TEST(DnsDomainLimits, EmptyBaseNullRecordAndSmallBuffersWriteNothing) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    char out[32];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(LDC_formDnsDomainEx(&r, out, sizeof out), 0);
    EXPECT_EQ(LDC_formDnsDomainEx(nullptr, out, sizeof out), 0);
    LDC_setBaseDNEx(&r, "dc=example,dc=com");
    EXPECT_EQ(LDC_formDnsDomainEx(&r, out, 11), 0);
    EXPECT_EQ(LDC_formDnsDomainEx(&r, out, 0), 0);
    EXPECT_EQ(LDC_formDnsDomainEx(&r, out, -5), 0);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(LDC_formDnsDomainEx(&r, out, 12), 1);
    EXPECT_STREQ(out, "example.com");
    EXPECT_EQ(out[12], 'x');
}

TEST(DnsDomainLimits, LongestBaseFitsTheWorkArea) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    std::string base = "dc=" + std::string(1020, 'a');
    LDC_setBaseDNEx(&r, base.c_str());
    std::string out(2048, 'x');
    ASSERT_EQ(LDC_formDnsDomainEx(&r, out.data(), static_cast<int32_t>(out.size())), 1);
    EXPECT_EQ(std::string(out.c_str()), std::string(1020, 'a'));
}
