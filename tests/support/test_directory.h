// The throwaway directory servers the tests run against (tests/fixtures):
// their KEY=VALUE files, read from the paths in QOR_SLAPD_ENV,
// QOR_KDC_ENV and QOR_SAMBA_AD_ENV (see samba_ad.h), and a few helpers that work on them as the administrator.
//
//   QOR_REQUIRE_SLAPD(dir);   // dir: const qor_test::TestDirectory *
//   QOR_REQUIRE_KDC(kdc);
//
// A test skips only when the variable is unset (the program was run by
// hand); a set variable whose file cannot be read fails the test. Under
// CTest the variables are always set.
//
// The client environment (LDAPTLS_CACERT, and the Kerberos variables of
// the kdc fixture) is put into the process environment before main, so
// that libldap, which reads it once at its first use, sees it.
#pragma once

#include <gtest/gtest.h>
#include <ldap.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fixture_values.h"

namespace qor_test {

class TestDirectory {
  public:
    // The value of key, or "" when the file has no such line.
    std::string get(const std::string &key) const {
        auto it = values_.find(key);
        return it == values_.end() ? std::string() : it->second;
    }
    std::string host() const { return get("LDAP_HOST"); }
    int ldap_port() const { return std::atoi(get("LDAP_PORT").c_str()); }
    int ldaps_port() const { return std::atoi(get("LDAPS_PORT").c_str()); }
    std::string uri() const { return get("LDAP_URI"); }
    std::string ldaps_uri() const { return get("LDAPS_URI"); }
    std::string base() const { return get("LDAP_BASE"); }
    std::string rootdn() const { return get("LDAP_ROOTDN"); }
    std::string rootpw() const { return get("LDAP_ROOTPW"); }
    std::string cacert() const { return get("LDAPTLS_CACERT"); }

    // The seed users' passwords (tests/fixtures/data/seed.ldif.in).
    static constexpr const char *kPosixJdoePassword = "Secret123";   // uid=jdoe,ou=people (SSHA)
    static constexpr const char *kPosixAsmithPassword = "Clear456";  // uid=asmith,ou=people (clear)
    static constexpr const char *kAdJdoePassword = "OldPass1!";      // cn=jdoe,cn=users
    static constexpr const char *kAdAsmithPassword = "AdPass2!";     // cn=asmith,cn=users
    static constexpr const char *kChangePassword = "Change-Old-1";   // uid=change1..5, cn=adchange1..4
    static constexpr const char *kAdLongPassword = "Long-Pass-0123456789-abcdefghij-KLMNOPQR";  // cn=adlong

    // Loaded once; null with why empty when the variable is unset, null
    // with the reason in why when its file cannot be used.
    static const TestDirectory *slapd(std::string *why) { return cached("QOR_SLAPD_ENV", why); }
    static const TestDirectory *kdc(std::string *why) { return cached("QOR_KDC_ENV", why); }
    static const TestDirectory *samba_ad(std::string *why) { return cached("QOR_SAMBA_AD_ENV", why); }

    // A session bound as the administrator, or null.
    LDAP *admin_session() const {
        LDAP *ld = nullptr;
        if (ldap_initialize(&ld, uri().c_str()) != LDAP_SUCCESS) return nullptr;
        int v3 = LDAP_VERSION3;
        ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
        std::string pw = rootpw();
        struct berval cred = {pw.size(), pw.data()};
        if (ldap_sasl_bind_s(ld, rootdn().c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr) !=
            LDAP_SUCCESS) {
            ldap_unbind_ext(ld, nullptr, nullptr);
            return nullptr;
        }
        return ld;
    }

    // Connections the server holds open with this process, from its
    // cn=Monitor view, without the one that asks. -1 when it cannot tell.
    // Only sockets this process still owns can match, so the answer does
    // not depend on other test programs using the same server.
    int connections_from_this_process() const {
        LDAP *ld = admin_session();
        if (ld == nullptr) return -1;
        int own = -1;
        ber_socket_t fd;
        if (ldap_get_option(ld, LDAP_OPT_DESC, &fd) == LDAP_OPT_SUCCESS) own = local_port(fd);
        std::set<int> mine = own_local_ports();
        mine.erase(own);
        char attr[] = "monitorConnectionPeerAddress";
        char *attrs[] = {attr, nullptr};
        LDAPMessage *res = nullptr;
        int rc = ldap_search_ext_s(ld, "cn=Connections,cn=Monitor", LDAP_SCOPE_ONELEVEL, "(objectClass=*)", attrs, 0,
                                   nullptr, nullptr, nullptr, 0, &res);
        int count = rc == LDAP_SUCCESS ? 0 : -1;
        for (LDAPMessage *e = ldap_first_entry(ld, res); rc == LDAP_SUCCESS && e != nullptr;
             e = ldap_next_entry(ld, e)) {
            struct berval **vals = ldap_get_values_len(ld, e, attr);
            for (int i = 0; vals != nullptr && vals[i] != nullptr; ++i) {
                std::string peer(vals[i]->bv_val, vals[i]->bv_len);  // "IP=127.0.0.1:45678"
                size_t colon = peer.rfind(':');
                if (colon != std::string::npos && mine.count(std::atoi(peer.c_str() + colon + 1))) ++count;
            }
            ldap_value_free_len(vals);
        }
        ldap_msgfree(res);
        ldap_unbind_ext(ld, nullptr, nullptr);
        return count;
    }

    // Connections the server has accepted since it started, from its
    // cn=Monitor view, including the one that asks. -1 when it cannot tell.
    long total_connections() const {
        LDAP *ld = admin_session();
        if (ld == nullptr) return -1;
        char attr[] = "monitorCounter";
        char *attrs[] = {attr, nullptr};
        LDAPMessage *res = nullptr;
        long total = -1;
        if (ldap_search_ext_s(ld, "cn=Total,cn=Connections,cn=Monitor", LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0,
                              nullptr, nullptr, nullptr, 0, &res) == LDAP_SUCCESS) {
            LDAPMessage *e = ldap_first_entry(ld, res);
            struct berval **vals = e != nullptr ? ldap_get_values_len(ld, e, attr) : nullptr;
            if (vals != nullptr && vals[0] != nullptr)
                total = std::atol(std::string(vals[0]->bv_val, vals[0]->bv_len).c_str());
            ldap_value_free_len(vals);
        }
        ldap_msgfree(res);
        ldap_unbind_ext(ld, nullptr, nullptr);
        return total;
    }

    // Runs an ldap-utils tool (ldapsearch, ldapmodify, ldapcompare, ...)
    // bound as the administrator over the plain port, with args appended
    // as they stand and stdin_text fed to it. Returns its exit status.
    int admin_tool(const std::string &tool, const std::string &args, const std::string &stdin_text = "",
                   std::string *output = nullptr) const {
        std::string cmd = tool + " -x -H '" + uri() + "' -D '" + rootdn() + "' -w '" + rootpw() + "' " + args;
        std::string in_file;
        if (!stdin_text.empty()) {
            char name[] = "/tmp/qor-ldif-XXXXXX";
            int fd = mkstemp(name);
            if (fd < 0) return -1;
            ssize_t n = write(fd, stdin_text.data(), stdin_text.size());
            close(fd);
            if (n != static_cast<ssize_t>(stdin_text.size())) return -1;
            in_file = name;
            cmd += " < '" + in_file + "'";
        }
        cmd += " 2>&1";
        FILE *p = popen(cmd.c_str(), "r");
        if (p == nullptr) return -1;
        std::string out;
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        int status = pclose(p);
        if (!in_file.empty()) unlink(in_file.c_str());
        if (output != nullptr) *output = out;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Reads the file named by env_var and exports its client variables;
    // run before main (see below).
    static void preload() {
        static const char *const client_vars[] = {"LDAPTLS_CACERT", "KRB5_CONFIG", "KRB5CCNAME", "KRB5_CLIENT_KTNAME"};
        // The slapd fixture's CA wins: the kdc fixture's directory is only
        // reached over plain LDAP.
        for (const char *var : {"QOR_SAMBA_AD_ENV", "QOR_KDC_ENV", "QOR_SLAPD_ENV"}) {
            const TestDirectory *d = cached(var, nullptr);
            if (d == nullptr) continue;
            for (const char *key : client_vars) {
                std::string v = d->get(key);
                if (!v.empty()) setenv(key, v.c_str(), 1);
            }
        }
    }

  private:
    std::map<std::string, std::string> values_;

    static const TestDirectory *cached(const char *env_var, std::string *why) {
        static std::map<std::string, std::pair<TestDirectory, std::string>> loaded;
        auto it = loaded.find(env_var);
        if (it == loaded.end()) {
            TestDirectory d;
            std::string error = d.load(env_var);
            it = loaded.emplace(env_var, std::make_pair(d, error)).first;
        }
        if (why != nullptr) *why = it->second.second;
        return it->second.second.empty() && !it->second.first.values_.empty() ? &it->second.first : nullptr;
    }

    // "" when loaded or when the variable is unset (values_ then empty).
    std::string load(const char *env_var) {
        const char *path = std::getenv(env_var);
        if (path == nullptr || *path == '\0') return "";
        if (!read_fixture_values(path, values_)) return std::string(env_var) + ": cannot read " + path;
        if (values_.empty()) return std::string(env_var) + ": no values in " + path;
        return "";
    }

    static int local_port(int fd) {
        struct sockaddr_storage ss;
        socklen_t len = sizeof ss;
        if (getsockname(fd, reinterpret_cast<struct sockaddr *>(&ss), &len) != 0) return -1;
        if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<struct sockaddr_in *>(&ss)->sin_port);
        if (ss.ss_family == AF_INET6) return ntohs(reinterpret_cast<struct sockaddr_in6 *>(&ss)->sin6_port);
        return -1;
    }

    // Local TCP ports of the sockets this process holds open.
    static std::set<int> own_local_ports() {
        std::set<std::string> inodes;
        if (DIR *dir = opendir("/proc/self/fd")) {
            while (struct dirent *e = readdir(dir)) {
                char target[128];
                std::string link = std::string("/proc/self/fd/") + e->d_name;
                ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
                if (n <= 0) continue;
                target[n] = '\0';
                std::string t(target);
                if (t.rfind("socket:[", 0) == 0) inodes.insert(t.substr(8, t.size() - 9));
            }
            closedir(dir);
        }
        std::set<int> ports;
        for (const char *table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
            std::ifstream in(table);
            std::string line;
            std::getline(in, line);  // header
            while (std::getline(in, line)) {
                std::istringstream fields(line);
                std::string slot, local, remote, state, queues, timer, retr, uid, timeout, inode;
                fields >> slot >> local >> remote >> state >> queues >> timer >> retr >> uid >> timeout >> inode;
                size_t colon = local.rfind(':');
                if (colon == std::string::npos || !inodes.count(inode)) continue;
                ports.insert(static_cast<int>(std::strtol(local.c_str() + colon + 1, nullptr, 16)));
            }
        }
        return ports;
    }
};

// An independent client's view: the result of a simple bind as dn with
// password on the server at uri (-1000 when no session could be made).
inline int simple_bind(const std::string &uri, const std::string &dn, const std::string &password) {
    LDAP *ld = nullptr;
    if (ldap_initialize(&ld, uri.c_str()) != LDAP_SUCCESS) return -1000;
    int v3 = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
    berval cred{password.size(), const_cast<char *>(password.data())};
    int rc = ldap_sasl_bind_s(ld, dn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
    ldap_unbind_ext(ld, nullptr, nullptr);
    return rc;
}

// Before main: libldap and Kerberos read these variables once.
inline const bool kClientEnvironmentLoaded = (TestDirectory::preload(), true);

}  // namespace qor_test

#define QOR_REQUIRE_FIXTURE_(var, loader, name)                                                  \
    std::string var##_why_;                                                                      \
    const qor_test::TestDirectory *var = qor_test::TestDirectory::loader(&var##_why_);           \
    if (var == nullptr) {                                                                        \
        if (var##_why_.empty()) GTEST_SKIP() << name " not set: run under CTest for the server"; \
        FAIL() << var##_why_;                                                                    \
    }

#define QOR_REQUIRE_SLAPD(var) QOR_REQUIRE_FIXTURE_(var, slapd, "QOR_SLAPD_ENV")
#define QOR_REQUIRE_KDC(var) QOR_REQUIRE_FIXTURE_(var, kdc, "QOR_KDC_ENV")
