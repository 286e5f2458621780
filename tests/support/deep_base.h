// Users the tests create in the test directory as its administrator:
// below a BaseDN of 300 characters (a chain of organizational units, as
// deep trees have), or below the suffix itself.
#pragma once

#include <string>

#include "test_directory.h"

namespace qor_test {

constexpr size_t kDeepBaseLength = 300;

// The chain ou=level-N-xxx...,...,<suffix>, exactly kDeepBaseLength
// characters long.
inline std::string deep_base(const TestDirectory &dir) {
    std::string base = dir.base();
    for (int level = 1; base.size() < kDeepBaseLength; ++level) {
        std::string rdn = "ou=level-" + std::to_string(level) + "-";
        size_t room = kDeepBaseLength - base.size() - 1;  // one for the comma
        size_t pad = room < rdn.size() + 60 ? room - rdn.size() : 60;
        base = rdn + std::string(pad, 'x') + "," + base;
    }
    return base;
}

// Creates the organizational units of base below the directory's suffix,
// ou=people below base and uid=<uid> there (what exists already is
// kept), and sets the user's password. Returns false when the directory
// refused.
inline bool directory_user(const TestDirectory &dir, const std::string &base, const std::string &uid,
                           const std::string &password) {
    std::string ldif;
    std::string suffix = dir.base();
    std::vector<std::string> units;
    for (std::string rest = base; rest != suffix; rest = rest.substr(rest.find(',') + 1)) units.push_back(rest);
    for (auto it = units.rbegin(); it != units.rend(); ++it) {
        std::string ou = it->substr(3, it->find(',') - 3);
        ldif += "dn: " + *it + "\nobjectClass: organizationalUnit\nou: " + ou + "\n\n";
    }
    ldif += "dn: ou=people," + base + "\nobjectClass: organizationalUnit\nou: people\n\n";
    ldif += "dn: uid=" + uid + ",ou=people," + base +
            "\nobjectClass: inetOrgPerson\nobjectClass: posixAccount\nuid: " + uid + "\ncn: " + uid + "\nsn: " + uid +
            "\nuidNumber: 10900\ngidNumber: 10000\nhomeDirectory: /home/" + uid + "\n\n";
    dir.admin_tool("ldapadd", "-c", ldif);  // 68 (already exists) on a second run
    std::string reset = "dn: uid=" + uid + ",ou=people," + base + "\nchangetype: modify\nreplace: userPassword\n" +
                        "userPassword: " + password + "\n";
    return dir.admin_tool("ldapmodify", "", reset) == 0;
}

// The deep base with uid=<uid> below it, or "" when the directory refused.
inline std::string deep_base_with_user(const TestDirectory &dir, const std::string &uid, const std::string &password) {
    std::string base = deep_base(dir);
    return directory_user(dir, base, uid, password) ? base : "";
}

}  // namespace qor_test
