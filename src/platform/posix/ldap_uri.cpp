#include "platform/posix/ldap_uri.h"

#include <ldap.h>

#include <string_view>

namespace qor::platform {
namespace {

bool parse_port(std::string_view text, long &port) {
    if (text.empty() || text.size() > 5) return false;
    port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535;
}

bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

bool is_v6_char(char c) {
    return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' || c == '.';
}

template <typename Pred>
bool all_of(std::string_view s, Pred pred) {
    if (s.empty()) return false;
    for (char c : s)
        if (!pred(c)) return false;
    return true;
}

// One entry as "host-in-URI" and its port (0: none given).
bool parse_entry(std::string_view entry, std::string &host, long &port) {
    port = 0;
    std::string_view name;
    bool v6 = false;
    if (entry.front() == '[') {
        size_t close = entry.find(']');
        if (close == std::string_view::npos) return false;
        name = entry.substr(1, close - 1);
        std::string_view rest = entry.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !parse_port(rest.substr(1), port))) return false;
        v6 = true;
    } else {
        size_t first = entry.find(':');
        if (first != std::string_view::npos && entry.find(':', first + 1) != std::string_view::npos) {
            name = entry;  // a bare IPv6 address, which cannot carry a port
            v6 = true;
        } else if (first != std::string_view::npos) {
            name = entry.substr(0, first);
            if (!parse_port(entry.substr(first + 1), port)) return false;
        } else {
            name = entry;
        }
    }
    if (v6) {
        if (!all_of(name, is_v6_char)) return false;
        host = "[" + std::string(name) + "]";
    } else {
        if (!all_of(name, is_name_char)) return false;
        host = std::string(name);
    }
    return true;
}

}  // namespace

int build_uri_list(const char *hosts, int port, bool ssl, std::string &uris) {
    uris.clear();
    if (hosts == nullptr || port < 0 || port > 65535) return LDAP_PARAM_ERROR;
    std::string_view list(hosts);
    size_t pos = 0;
    while (pos < list.size()) {
        if (list[pos] == ' ') {
            ++pos;
            continue;
        }
        size_t end = list.find(' ', pos);
        if (end == std::string_view::npos) end = list.size();
        std::string host;
        long entry_port;
        // One entry that cannot be a URI (an empty host added to the
        // list, say) must not take the good hosts down with it.
        if (!parse_entry(list.substr(pos, end - pos), host, entry_port)) {
            pos = end;
            continue;
        }
        if (entry_port == 0) entry_port = port;
        if (!uris.empty()) uris += ' ';
        uris += ssl ? "ldaps://" : "ldap://";
        uris += host;
        if (entry_port != 0) uris += ":" + std::to_string(entry_port);
        pos = end;
    }
    return uris.empty() ? LDAP_PARAM_ERROR : LDAP_SUCCESS;
}

}  // namespace qor::platform
