#include "directory/logon_names.h"

#include <string_view>

namespace qor {

std::string logon_domain(const char *dns_domain) {
    std::string_view s(dns_domain);
    size_t start = s.find_first_not_of('.');
    if (start == std::string_view::npos) return {};
    s.remove_prefix(start);
    return std::string(s);
}

bool logon_user(const char *user, std::string &name) {
    std::string_view s(user);
    size_t eq = s.find('=');
    if (eq == std::string_view::npos) {
        name.assign(s);
        return true;
    }
    s.remove_prefix(eq + 1);
    size_t start = s.find_first_not_of(',');
    if (start == std::string_view::npos) return false;
    s.remove_prefix(start);
    name.assign(s.substr(0, s.find(',')));
    return true;
}

void split_down_level(std::string &name, std::string &domain) {
    size_t backslash = name.find('\\');
    if (backslash == std::string::npos) return;
    domain = name.substr(0, backslash);
    name.erase(0, backslash + 1);
}

}  // namespace qor
