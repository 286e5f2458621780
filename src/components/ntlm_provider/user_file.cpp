#include "user_file.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <vector>

#include "util/text.h"
#include "winbind_domain.h"

namespace qorsspi {
namespace {

// The domains under which the file names user ("DOMAIN\user:..."), and
// whether it names the user without a domain.
std::vector<std::string> domains_naming(const std::string &file, const std::string &user) {
    std::vector<std::string> domains;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::string name = line.substr(0, line.find(':'));
        size_t backslash = name.find('\\');
        std::string domain = backslash == std::string::npos ? std::string() : name.substr(0, backslash);
        if (qor::equals_ignore_case(std::string_view(name).substr(backslash == std::string::npos ? 0 : backslash + 1),
                                    user))
            domains.push_back(domain);
    }
    return domains;
}

bool among(const std::vector<std::string> &domains, const std::string &domain) {
    for (const std::string &d : domains)
        if (qor::equals_ignore_case(d, domain)) return true;
    return false;
}

}  // namespace

std::string user_file_path() {
    // secure_getenv: a set-user-ID program must not be pointed at another file.
    const char *configured = secure_getenv("QORSSPI_USER_FILE");
    if (configured != nullptr && *configured != '\0') return configured;
    if (access(QORSSPI_DEFAULT_USER_FILE, F_OK) == 0) return QORSSPI_DEFAULT_USER_FILE;
    return "";
}

void user_file_logon(const std::string &file, std::string *user, std::string *domain) {
    std::vector<std::string> domains = domains_naming(file, *user);
    size_t at = user->rfind('@');
    if (domains.empty() && at != std::string::npos && at > 0 && at + 1 < user->size()) {
        *domain = user->substr(at + 1);
        user->erase(at);
        domains = domains_naming(file, *user);
    }
    if (domain->empty() || domains.empty() || among(domains, *domain)) return;
    const std::string label = domain->substr(0, domain->find('.'));
    const std::string netbios = winbind_domain(*domain);
    for (const std::string &other : {label, netbios}) {
        if (!other.empty() && among(domains, other)) {
            *domain = other;
            return;
        }
    }
}

}  // namespace qorsspi
