// Profiles pointing at the test directory, and a port nobody answers on.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "net_faults.h"
#include "qorldap9.h"
#include "test_directory.h"

namespace qor_test {

inline LDAP_Config profile_for(const TestDirectory &dir, int flags, const std::string &base = "") {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    std::string hosts = dir.host();
    LDC_setHostNamesEx(&r, hosts.c_str());
    LDC_setPortEx(&r, dir.ldap_port());
    std::string b = base.empty() ? dir.base() : base;
    LDC_setBaseDNEx(&r, b.c_str());
    LDC_setmbFlags(&r, flags);
    return r;
}

inline void set_credentials(LDAP_Config &r, const char *user, const char *password) {
    LDC_setBindDNEx(&r, user);
    LDC_setBindPwdEx(&r, password);
}

// A loopback port that refuses connections for as long as this object
// lives: bound, never listening, so no other program can take it.
class ClosedPort {
  public:
    ClosedPort() : fd_(bound_loopback_socket(port_)) {}
    ~ClosedPort() {
        if (fd_ >= 0) close(fd_);
    }
    ClosedPort(const ClosedPort &) = delete;
    ClosedPort &operator=(const ClosedPort &) = delete;
    int port() const { return port_; }

  private:
    int port_ = 0;
    int fd_ = -1;
};

// A session handle the test owns; it starts as a value that is not null,
// so that a test sees whether ldapInitEx wrote the variable.
struct Session {
    static LDAP *unwritten() { return reinterpret_cast<LDAP *>(0x1); }
    LDAP *ld = unwritten();
    Session() = default;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    ~Session() {
        if (ld != nullptr && ld != unwritten()) ldap_unbind_ext(ld, nullptr, nullptr);
    }
};

// Who the session is bound as: "" for anonymous, "dn:..." otherwise.
inline std::string who_am_i(LDAP *ld) {
    struct berval *authzid = nullptr;
    if (ldap_whoami_s(ld, &authzid, nullptr, nullptr) != LDAP_SUCCESS) return "<whoami failed>";
    std::string who = authzid != nullptr && authzid->bv_val != nullptr ? std::string(authzid->bv_val, authzid->bv_len)
                                                                       : std::string();
    ber_bvfree(authzid);
    return who;
}

}  // namespace qor_test
