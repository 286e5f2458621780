#include "fixture_env.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "fixture_values.h"

namespace qorbench {
namespace {

Fixture g_fixture;
SoakDirectory g_soak;

// The soak's directory is optional: without it the soak reports itself
// skipped.
std::string load_soak_directory() {
    const char *path = getenv("QOR_SLAPD_SOAK_ENV");
    if (path == nullptr || *path == '\0') return "";
    std::map<std::string, std::string> values;
    if (!read_fixture_values(path, values)) return std::string("cannot read ") + path;
    g_soak.ldap_port = atoi(values["LDAP_PORT"].c_str());
    g_soak.slapd_dir = values["SLAPD_DIR"];
    g_soak.idle_timeout_s = atoi(values["LDAP_IDLETIMEOUT"].c_str());
    if (g_soak.ldap_port == 0 || g_soak.slapd_dir.empty() || g_soak.idle_timeout_s <= 0)
        return std::string("incomplete soak directory file ") + path;
    g_soak.present = true;
    return "";
}

}  // namespace

const Fixture &fixture() { return g_fixture; }
const SoakDirectory &soak_directory() { return g_soak; }

std::string load_fixture() {
    char pattern[] = "/tmp/qor-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return "cannot make a scratch folder";
    g_fixture.work_dir = pattern;

    const char *path = getenv("QOR_SLAPD_ENV");
    if (path == nullptr || *path == '\0') return "";  // directory benchmarks report themselves skipped
    std::map<std::string, std::string> values;
    if (!read_fixture_values(path, values)) return std::string("cannot read ") + path;
    g_fixture.host = values["LDAP_HOST"];
    g_fixture.ldap_port = atoi(values["LDAP_PORT"].c_str());
    g_fixture.ldaps_port = atoi(values["LDAPS_PORT"].c_str());
    g_fixture.base = values["LDAP_BASE"];
    g_fixture.rootdn = values["LDAP_ROOTDN"];
    g_fixture.rootpw = values["LDAP_ROOTPW"];
    if (g_fixture.host.empty() || g_fixture.ldap_port == 0 || g_fixture.ldaps_port == 0 || g_fixture.base.empty())
        return std::string("incomplete directory file ") + path;
    // libldap reads its environment once, at its first use.
    if (!values["LDAPTLS_CACERT"].empty()) setenv("LDAPTLS_CACERT", values["LDAPTLS_CACERT"].c_str(), 1);
    g_fixture.have_directory = true;
    return load_soak_directory();
}

void use_registry(const std::string &name) {
    setenv("QORLDAP9_REGISTRY_DIR", (g_fixture.work_dir + "/" + name).c_str(), 1);
}

void remove_work_dir() {
    if (g_fixture.work_dir.empty()) return;
    std::string cmd = "rm -rf '" + g_fixture.work_dir + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", g_fixture.work_dir.c_str());
}

}  // namespace qorbench
