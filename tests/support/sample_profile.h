// Profile records whose every stored field differs from one variant to
// the next, and a comparison of the stored fields of two records.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "qorldap9.h"

inline LDAP_Config sample_profile(int variant, const std::string &password = "") {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    std::string v = std::to_string(variant);
    LDC_setProfileNameEx(&r, ("record name " + v).c_str());
    LDC_setBaseDNEx(&r, ("dc=example" + v + ",dc=org").c_str());
    LDC_setBindDNEx(&r, ("cn=admin" + v + ",dc=example,dc=org").c_str());
    LDC_setBindPwdEx(&r, password.empty() ? ("s3cret, " + v + " \xE9").c_str() : password.c_str());
    LDC_setHostNamesEx(&r, ("ldap" + v + ".example.org ldap.example.org:636").c_str());
    LDC_setGString(&r, ("free text " + v).c_str());
    LDC_setVersionEx(&r, 2 + variant % 2);
    LDC_setPortEx(&r, 1000 + variant);
    LDC_setSizeLimitEx(&r, 100 + variant);
    LDC_setTimeoutEx(&r, 30 + variant);
    LDC_setDerefEx(&r, variant % 4);
    LDC_setReferalEx(&r, variant % 2);
    LDC_setSslEx(&r, 1 + variant % 2);
    LDC_setAnonymousEx(&r, variant % 2);
    LDC_setmbFlags(&r, 0x20 | (variant % 2 ? 0x02 : 0x01));
    return r;
}

// True when every stored field but ProfileName matches.
inline bool same_stored_fields(const LDAP_Config &a, const LDAP_Config &b) {
    return std::string(a.BaseDN) == b.BaseDN && std::string(a.BindDN) == b.BindDN &&
           std::string(a.BindPwd) == b.BindPwd && std::string(a.HostNames) == b.HostNames &&
           std::string(a.GString) == b.GString && a.Version == b.Version && a.Port == b.Port &&
           a.SizeLimit == b.SizeLimit && a.Timeout == b.Timeout && a.Deref == b.Deref && a.Referal == b.Referal &&
           a.Ssl == b.Ssl && a.Anonymous == b.Anonymous && a.MBFlags == b.MBFlags;
}

inline void expect_stored_fields(const LDAP_Config &want, const LDAP_Config &got) {
    EXPECT_STREQ(got.BaseDN, want.BaseDN);
    EXPECT_STREQ(got.BindDN, want.BindDN);
    EXPECT_STREQ(got.BindPwd, want.BindPwd);
    EXPECT_STREQ(got.HostNames, want.HostNames);
    EXPECT_STREQ(got.GString, want.GString);
    EXPECT_EQ(got.Version, want.Version);
    EXPECT_EQ(got.Port, want.Port);
    EXPECT_EQ(got.SizeLimit, want.SizeLimit);
    EXPECT_EQ(got.Timeout, want.Timeout);
    EXPECT_EQ(got.Deref, want.Deref);
    EXPECT_EQ(got.Referal, want.Referal);
    EXPECT_EQ(got.Ssl, want.Ssl);
    EXPECT_EQ(got.Anonymous, want.Anonymous);
    EXPECT_EQ(got.MBFlags, want.MBFlags);
}
