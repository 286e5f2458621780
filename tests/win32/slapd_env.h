// The throwaway slapd's KEY=VALUE file (tests/fixtures), read by a Windows
// test program: the path comes from QOR_SLAPD_ENV as a Unix path, which
// Wine reaches through its Z: drive.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "fixture_values.h"

class SlapdEnv {
  public:
    // Null when the variable is unset (the program was run by hand); a set
    // variable whose file cannot be read fails the calling test.
    static const SlapdEnv *load() {
        const char *path = std::getenv("QOR_SLAPD_ENV");
        if (path == nullptr || *path == '\0') return nullptr;
        static SlapdEnv env;
        static bool loaded = env.read(windows_path(path));
        if (!loaded) ADD_FAILURE() << "cannot read the slapd environment file " << path;
        return loaded ? &env : nullptr;
    }
    std::string get(const std::string &key) const {
        auto it = values_.find(key);
        return it == values_.end() ? std::string() : it->second;
    }
    int port() const { return std::atoi(get("LDAP_PORT").c_str()); }
    std::string base() const { return get("LDAP_BASE"); }
    std::string rootdn() const { return get("LDAP_ROOTDN"); }
    std::string rootpw() const { return get("LDAP_ROOTPW"); }

  private:
    static std::string windows_path(std::string path) {
        if (!path.empty() && path[0] == '/') path = "Z:" + path;
        for (char &c : path)
            if (c == '/') c = '\\';
        return path;
    }
    bool read(const std::string &path) { return read_fixture_values(path, values_) && !values_.empty() && port() > 0; }
    std::map<std::string, std::string> values_;
};

#define QOR_REQUIRE_SLAPD(env)              \
    const SlapdEnv *env = SlapdEnv::load(); \
    if (env == nullptr) GTEST_SKIP() << "QOR_SLAPD_ENV is not set";
