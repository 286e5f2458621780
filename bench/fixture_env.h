// What the benchmarks run against: the test directory's KEY=VALUE file
// (path in QOR_SLAPD_ENV), the soak's own directory (QOR_SLAPD_SOAK_ENV)
// and private folders for the registry and the NTLM user file. Loaded
// once, before any LDAP client call.
#pragma once

#include <string>

namespace qorbench {

struct Fixture {
    bool have_directory = false;
    std::string host;  // 127.0.0.1
    int ldap_port = 0;
    int ldaps_port = 0;
    std::string base;  // dc=example,dc=com
    std::string rootdn;
    std::string rootpw;
    std::string work_dir;  // private scratch folder, removed at exit
};

// The directory the soak restarts: slapd.sh's instance folder and the
// seconds after which it closes an idle connection.
struct SoakDirectory {
    bool present = false;
    int ldap_port = 0;
    std::string slapd_dir;
    int idle_timeout_s = 0;
};

// Reads the directory file, exports LDAPTLS_CACERT and makes work_dir.
// Returns an error text, empty on success.
std::string load_fixture();
const Fixture &fixture();
const SoakDirectory &soak_directory();
// Points the registry at a folder of its own below work_dir.
void use_registry(const std::string &name);
void remove_work_dir();

}  // namespace qorbench
