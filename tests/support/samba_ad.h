// The Samba AD domain controller of tests/fixtures/samba-ad.sh: its facts
// (the file named by QOR_SAMBA_AD_ENV) and its namespaces. A program that
// includes this header enters, before main, the DC's network namespace
// and a private mount namespace where the fixture's hosts, resolv.conf
// and winbind socket folder stand for the system's, so that libldap,
// Kerberos and libwbclient reach the DC and nothing else.
//
//   QOR_REQUIRE_SAMBA_AD(ad);                  // ad: const qor_test::SambaAd *
//   ad->user("PLAIN"), ad->password("PLAIN"), ad->dn("PLAIN")
//   LDAP_Config r = ad->profile(0x22, true);   // ldaps to the DC, MBFlags 0x22
//
// The roles (PLAIN, NONASCII, SUBOU, NAMED, DISABLED, MUSTCHANGE,
// PWEXPIRED, ACCTEXPIRED, LOCKED, BIND, CHANGE1..6, and the must-change
// and expired users of the two ways around a refused bind) are listed in
// tests/fixtures/data/samba-ad-users.tsv. A test skips when the fixture
// could not run on this machine (not root, no namespaces) and says why.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qorldap9.h"
#include "test_directory.h"

namespace qor_test {

class SambaAd {
  public:
    explicit SambaAd(const TestDirectory &facts) : facts_(facts) {}

    std::string get(const std::string &key) const { return facts_.get(key); }
    std::string user(const std::string &role) const { return get("AD_USER_" + role); }
    std::string password(const std::string &role) const { return get("AD_PASSWORD_" + role); }
    std::string dn(const std::string &role) const { return get("AD_DN_" + role); }
    std::string base() const { return get("AD_BASE"); }
    std::string host() const { return get("AD_HOST"); }
    std::string dns_domain() const { return get("AD_DNS_DOMAIN"); }
    std::string netbios_domain() const { return get("AD_NETBIOS_DOMAIN"); }
    std::string upn(const std::string &role) const { return user(role) + "@" + dns_domain(); }
    std::string down_level(const std::string &role) const { return netbios_domain() + "\\" + user(role); }

    // A profile for the DC: ldaps (Ssl 1, port 636) or plain LDAP.
    LDAP_Config profile(int flags, bool ldaps) const {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        LDC_setHostNamesEx(&r, host().c_str());
        LDC_setPortEx(&r, ldaps ? 636 : 389);
        LDC_setSslEx(&r, ldaps ? 1 : 0);
        LDC_setBaseDNEx(&r, base().c_str());
        LDC_setmbFlags(&r, flags);
        return r;
    }

    // The DC's count of wrong passwords for dn since its last good logon,
    // read as the administrator; -1 when it cannot be read.
    long bad_password_count(const std::string &dn) const {
        LDAP *ld = nullptr;
        std::string uri = get("AD_LDAPS_URI"), admin = get("AD_ADMIN_DN"), pw = get("AD_ADMIN_PASSWORD");
        if (ldap_initialize(&ld, uri.c_str()) != LDAP_SUCCESS) return -1;
        berval cred{pw.size(), pw.data()};
        char attr[] = "badPwdCount";
        char *attrs[] = {attr, nullptr};
        LDAPMessage *res = nullptr;
        long count = -1;
        if (ldap_sasl_bind_s(ld, admin.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr) == 0 &&
            ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0, nullptr, nullptr, nullptr,
                              0, &res) == LDAP_SUCCESS) {
            LDAPMessage *e = ldap_first_entry(ld, res);
            berval **vals = e != nullptr ? ldap_get_values_len(ld, e, attr) : nullptr;
            count = vals != nullptr && vals[0] != nullptr
                        ? std::atol(std::string(vals[0]->bv_val, vals[0]->bv_len).c_str())
                        : 0;
            ldap_value_free_len(vals);
        }
        ldap_msgfree(res);
        ldap_unbind_ext(ld, nullptr, nullptr);
        return count;
    }

    // Loaded once; null with the reason in why (skip when *skip is set).
    static const SambaAd *load(std::string *why, bool *skip) {
        std::string error;
        const TestDirectory *facts = TestDirectory::samba_ad(&error);
        *skip = facts == nullptr && error.empty();
        if (facts == nullptr) {
            *why = *skip ? "QOR_SAMBA_AD_ENV not set: run under CTest for the domain controller" : error;
            return nullptr;
        }
        std::string reason = facts->get("SAMBA_AD_SKIP");
        if (!reason.empty()) {
            *skip = true;
            *why = "no Samba AD DC on this machine: " + reason;
            return nullptr;
        }
        if (!entered().empty()) {
            *why = "cannot enter the domain controller's namespaces: " + entered();
            return nullptr;
        }
        static const SambaAd ad(*facts);
        return &ad;
    }

    // "" once this process is inside the DC's namespaces (or when there
    // is no DC to reach), else what failed. Runs before main, while the
    // process has one thread: unshare of the mount namespace needs that.
    static const std::string &entered() {
        static const std::string result = enter();
        return result;
    }

  private:
    const TestDirectory &facts_;

    static std::string enter() {
        const TestDirectory *facts = TestDirectory::samba_ad(nullptr);
        if (facts == nullptr || !facts->get("SAMBA_AD_SKIP").empty()) return "";
        std::string netns = facts->get("SAMBA_AD_NETNS");
        int fd = open(netns.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return "open " + netns + ": " + std::strerror(errno);
        int rc = setns(fd, CLONE_NEWNET);
        int saved = errno;
        close(fd);
        if (rc != 0) return "setns " + netns + ": " + std::strerror(saved);
        if (unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("private mounts: ") + std::strerror(errno);
        const std::pair<const char *, const char *> binds[] = {
            {"SAMBA_AD_HOSTS", "/etc/hosts"},
            {"SAMBA_AD_RESOLV_CONF", "/etc/resolv.conf"},
            {"SAMBA_AD_RUN_SAMBA", "/run/samba"},
        };
        for (const auto &b : binds) {
            std::string from = facts->get(b.first);
            if (mount(from.c_str(), b.second, nullptr, MS_BIND, nullptr) != 0)
                return "bind " + from + " over " + b.second + ": " + std::strerror(errno);
        }
        return "";
    }
};

inline const bool kSambaAdEntered = (SambaAd::entered(), true);

}  // namespace qor_test

#define QOR_REQUIRE_SAMBA_AD(var)                                                      \
    std::string var##_why_;                                                            \
    bool var##_skip_ = false;                                                          \
    const qor_test::SambaAd *var = qor_test::SambaAd::load(&var##_why_, &var##_skip_); \
    if (var == nullptr) {                                                              \
        if (var##_skip_) GTEST_SKIP() << var##_why_;                                   \
        FAIL() << var##_why_;                                                          \
    }
