#include <gtest/gtest.h>

#include <string>

#include "config/profile_fields.h"
#include "guarded_record.h"
#include "qorldap9.h"

TEST(Record, InitialisedRecordHoldsTheDefaults) {
    LDAP_Config r;
    memset(&r, 0x5A, sizeof r);
    EXPECT_EQ(LDAP_Config_initializeEx(&r), 0);
    for (const char *s : {r.ProfileName, r.BaseDN, r.BindDN, r.BindPwd, r.HostNames, r.GString}) EXPECT_STREQ(s, "");
    // every byte of every string array is cleared, not just the first
    for (size_t i = 0; i < sizeof r.BaseDN; ++i) ASSERT_EQ(r.BaseDN[i], 0) << i;
    for (size_t i = 0; i < sizeof r.GString; ++i) ASSERT_EQ(r.GString[i], 0) << i;
    EXPECT_EQ(r.Version, 3);
    EXPECT_EQ(r.Port, 389);
    EXPECT_EQ(r.SizeLimit, 0);
    EXPECT_EQ(r.Timeout, 1);
    EXPECT_EQ(r.Deref, 2);
    EXPECT_EQ(r.Referal, 8);
    EXPECT_EQ(r.Ssl, 0);
    EXPECT_EQ(r.Anonymous, 1);
    EXPECT_EQ(r.RegLocation, -1);
    EXPECT_EQ(r.ReadOnly, 0);
    EXPECT_EQ(r.Reserved, 0);
    EXPECT_EQ(r.MBFlags, 0x19);
    // the two alignment bytes after GString are left alone
    const unsigned char *pad = reinterpret_cast<const unsigned char *>(&r) + 1922;
    EXPECT_EQ(pad[0], 0x5A);
    EXPECT_EQ(pad[1], 0x5A);
}

TEST(Record, AuxInitialisationMatchesRecordInitialisation) {
    LDAP_ConfigAux aux;
    memset(&aux, 0x33, sizeof aux);
    EXPECT_EQ(LDAP_Config_initializeAuxEx(&aux), 0);
    LDAP_Config expected;
    memset(&expected, 0x33, sizeof expected);
    LDAP_Config_initializeEx(&expected);
    EXPECT_EQ(memcmp(&aux.Config, &expected, sizeof expected), 0);
    for (char c : aux.KeyName) ASSERT_EQ(c, 0);
}

TEST(Record, AnonymousFlagHidesBindCredentials) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setBindDNEx(&r, "cn=admin,dc=example,dc=com");
    LDC_setBindPwdEx(&r, "pw");
    EXPECT_EQ(LDC_getBindDNEx(&r), nullptr);
    EXPECT_EQ(LDC_getBindPwdEx(&r), nullptr);
    EXPECT_EQ(LDC_getRealBindDNEx(&r), r.BindDN);
    EXPECT_EQ(LDC_getRealBindPwdEx(&r), r.BindPwd);
    EXPECT_EQ(LDC_isAnonymousEx(&r), 1);

    LDC_setAnonymousEx(&r, 0);  // the field plays no part
    EXPECT_EQ(LDC_isAnonymousEx(&r), 1);

    LDC_setmbFlags(&r, 0x21);
    EXPECT_EQ(LDC_isAnonymousEx(&r), 0);
    EXPECT_EQ(LDC_getBindDNEx(&r), r.BindDN);
    EXPECT_EQ(LDC_getBindPwdEx(&r), r.BindPwd);
}

TEST(Record, SslPredicateIsTrueOnlyForOne) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    for (int v : {0, 2, -1, 3}) {
        LDC_setSslEx(&r, v);
        EXPECT_EQ(LDC_isSslEx(&r), 0) << v;
    }
    LDC_setSslEx(&r, 1);
    EXPECT_EQ(LDC_isSslEx(&r), 1);
}

TEST(Record, GettersPointIntoTheRecord) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    EXPECT_EQ(LDC_getProfineNameEx(&r), reinterpret_cast<char *>(&r));
    EXPECT_EQ(LDC_getBaseDNEx(&r), r.BaseDN);
    EXPECT_EQ(LDC_getHostNamesEx(&r), r.HostNames);
    EXPECT_EQ(LDC_getGString(&r), r.GString);
    struct {
        int32_t *(*get)(LDAP_Config *);
        void (*set)(LDAP_Config *, int32_t);
        int32_t *field;
    } ints[] = {
        {LDC_getVersionEx, LDC_setVersionEx, &r.Version},
        {LDC_getPortEx, LDC_setPortEx, &r.Port},
        {LDC_getSizeLimitEx, LDC_setSizeLimitEx, &r.SizeLimit},
        {LDC_getTimeoutEx, LDC_setTimeoutEx, &r.Timeout},
        {LDC_getDerefEx, LDC_setDerefEx, &r.Deref},
        {LDC_getReferalEx, LDC_setReferalEx, &r.Referal},
        {LDC_getRegLocationEx, LDC_setRegLocationEx, &r.RegLocation},
        {LDC_getReadOnlyEx, LDC_setReadOnlyEx, &r.ReadOnly},
        {LDC_getmbFlags, LDC_setmbFlags, &r.MBFlags},
    };
    int32_t v = 1000;
    for (auto &f : ints) {
        EXPECT_EQ(f.get(&r), f.field);
        f.set(&r, ++v);  // stored unchanged, no range check
        EXPECT_EQ(*f.field, v);
    }
    LDC_setPortEx(&r, -5);
    EXPECT_EQ(r.Port, -5);
    LDC_setSslEx(&r, 7);
    LDC_setAnonymousEx(&r, 9);
    EXPECT_EQ(r.Ssl, 7);
    EXPECT_EQ(r.Anonymous, 9);
}

TEST(Record, StringSettersCutLongValuesToTheirField) {
    struct {
        void (*set)(LDAP_Config *, const char *);
        size_t offset, size;
    } setters[] = {
        {LDC_setProfileNameEx, offsetof(LDAP_Config, ProfileName), 51},
        {LDC_setBaseDNEx, offsetof(LDAP_Config, BaseDN), 1024},
        {LDC_setBindDNEx, offsetof(LDAP_Config, BindDN), 256},
        {LDC_setBindPwdEx, offsetof(LDAP_Config, BindPwd), 176},
        {LDC_setHostNamesEx, offsetof(LDAP_Config, HostNames), 160},
        {LDC_setGString, offsetof(LDAP_Config, GString), 255},
    };
    for (auto &s : setters) {
        GuardedRecord g;
        LDAP_Config before = g.record;
        char *field = reinterpret_cast<char *>(g.get()) + s.offset;
        std::string fits(s.size - 1, 'f');
        s.set(g.get(), fits.c_str());
        EXPECT_EQ(std::string(field), fits);

        std::string huge(5000, 'x');
        s.set(g.get(), huge.c_str());
        EXPECT_EQ(strlen(field), s.size - 1);
        EXPECT_EQ(std::string(field), std::string(s.size - 1, 'x'));
        EXPECT_TRUE(g.guards_intact());
        // nothing outside the field moved
        const char *a = reinterpret_cast<const char *>(&before), *b = reinterpret_cast<const char *>(g.get());
        for (size_t i = 0; i < sizeof before; ++i) {
            if (i < s.offset || i >= s.offset + s.size) {
                ASSERT_EQ(a[i], b[i]) << "offset " << i;
            }
        }
    }
}

TEST(Record, CopyCarriesEveryFieldAndKeepsBytesBehindTerminators) {
    LDAP_Config src, dst;
    LDAP_Config_initializeEx(&src);
    LDAP_Config_initializeEx(&dst);
    LDC_setProfileNameEx(&dst, "a-much-longer-old-name");
    LDC_setProfileNameEx(&src, "new");
    LDC_setBaseDNEx(&src, "dc=example,dc=com");
    LDC_setBindDNEx(&src, "cn=admin");
    LDC_setBindPwdEx(&src, "pw");
    LDC_setHostNamesEx(&src, "ldap1 ldap2:636");
    LDC_setGString(&src, "free text");
    int32_t v = 40;
    for (int32_t *f : {&src.Version, &src.Port, &src.SizeLimit, &src.Timeout, &src.Deref, &src.Referal, &src.Ssl,
                       &src.Anonymous, &src.RegLocation, &src.ReadOnly, &src.Reserved, &src.MBFlags})
        *f = ++v;
    LDAP_Config_copyEx(&src, &dst);
    EXPECT_STREQ(dst.ProfileName, "new");
    EXPECT_STREQ(dst.ProfileName + 4, "ch-longer-old-name");  // old bytes stay behind the terminator
    EXPECT_STREQ(dst.BaseDN, "dc=example,dc=com");
    EXPECT_STREQ(dst.BindDN, "cn=admin");
    EXPECT_STREQ(dst.BindPwd, "pw");
    EXPECT_STREQ(dst.HostNames, "ldap1 ldap2:636");
    EXPECT_STREQ(dst.GString, "free text");
    EXPECT_EQ(memcmp(&src.Version, &dst.Version, 12 * sizeof(int32_t)), 0);
}

TEST(Record, CopyOfUnterminatedFieldsStaysInsideTheDestination) {
    GuardedRecord src, dst;
    memset(src->ProfileName, 'p', sizeof src->ProfileName);
    memset(src->GString, 'g', sizeof src->GString);
    memset(src->HostNames, 'h', sizeof src->HostNames);
    LDAP_Config_copyEx(src.get(), dst.get());
    EXPECT_EQ(strlen(dst->ProfileName), 50u);
    EXPECT_EQ(strlen(dst->HostNames), 159u);
    EXPECT_EQ(strlen(dst->GString), 254u);
    EXPECT_TRUE(dst.guards_intact());
}

// The field table against the record the interface's accessors reach.
TEST(Record, FieldTableLiesWhereTheAccessorsPoint) {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    const std::pair<const char *, void *> reached[] = {
        {"ProfileName", LDC_getProfineNameEx(&r)},
        {"BaseDN", LDC_getBaseDNEx(&r)},
        {"BindDN", LDC_getRealBindDNEx(&r)},
        {"BindPwd", LDC_getRealBindPwdEx(&r)},
        {"HostNames", LDC_getHostNamesEx(&r)},
        {"GString", LDC_getGString(&r)},
        {"Version", LDC_getVersionEx(&r)},
        {"Port", LDC_getPortEx(&r)},
        {"SizeLimit", LDC_getSizeLimitEx(&r)},
        {"Timeout", LDC_getTimeoutEx(&r)},
        {"Deref", LDC_getDerefEx(&r)},
        {"Referal", LDC_getReferalEx(&r)},
        {"RegLocation", LDC_getRegLocationEx(&r)},
        {"ReadOnly", LDC_getReadOnlyEx(&r)},
        {"MBFlags", LDC_getmbFlags(&r)},
    };
    for (const auto &[name, at] : reached) {
        const qor::ProfileField *f = qor::profile_field(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(qor::text_of(r, *f), at) << name;
    }
    EXPECT_EQ(qor::profile_field("referrals"), qor::profile_field("Referal"));  // the tool's word finds it too
    EXPECT_EQ(qor::profile_field("Quillpane"), nullptr);
}
