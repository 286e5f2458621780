// Servers as the command line gives them, checked and turned into the
// entries of HostNames.
#include "host_list.h"

#include "config/profile_fields.h"
#include "util/text.h"

namespace qorldap {
namespace {

constexpr int kLdapPort = 389;
constexpr int kLdapsPort = 636;
constexpr size_t kMaxNameLength = 253;  // a DNS name's limit
constexpr size_t kMaxLabelLength = 63;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_letter_or_digit(char c) { return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!is_digit(c)) return false;
    return true;
}

// Four numbers of 0 to 255 without leading zeros (which some readers
// take for octal).
bool is_ipv4(std::string_view s) {
    qor::Tokens parts(s, ".");
    std::string_view part;
    int count = 0;
    while (parts.next(part)) {
        if (!all_digits(part) || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
        if (std::stoi(std::string(part)) > 255) return false;
        ++count;
    }
    return count == 4 && s.find("..") == std::string_view::npos && s.front() != '.' && s.back() != '.';
}

// Groups of one to four hex digits separated by ':', one "::" standing
// for a run of zero groups, the last 32 bits perhaps as an IPv4 address.
bool is_ipv6(std::string_view s) {
    size_t gap = s.find("::");
    if (gap != std::string_view::npos && s.find("::", gap + 1) != std::string_view::npos) return false;
    auto count_groups = [](std::string_view part, bool ipv4_allowed, int &groups) {
        if (part.empty()) return true;
        size_t start = 0;
        for (;;) {
            size_t end = part.find(':', start);
            std::string_view group = part.substr(start, end == std::string_view::npos ? end : end - start);
            if (end == std::string_view::npos && ipv4_allowed && group.find('.') != std::string_view::npos) {
                if (!is_ipv4(group)) return false;
                groups += 2;
                return true;
            }
            if (group.empty() || group.size() > 4) return false;
            for (char c : group)
                if (!is_hex(c)) return false;
            ++groups;
            if (end == std::string_view::npos) return true;
            start = end + 1;
        }
    };
    int groups = 0;
    if (gap == std::string_view::npos) return count_groups(s, true, groups) && groups == 8;
    return count_groups(s.substr(0, gap), false, groups) && count_groups(s.substr(gap + 2), true, groups) &&
           groups <= 7;
}

// Dot-separated labels of letters, digits and '-' (not at either end); a
// name ending in a number is an IPv4 address or nothing.
std::string name_refusal(std::string_view name) {
    if (name.empty()) return "no host is given";
    if (name.size() > kMaxNameLength) return "a host name has at most 253 characters";
    size_t last_dot = name.rfind('.');
    if (all_digits(name.substr(last_dot == std::string_view::npos ? 0 : last_dot + 1)))
        return is_ipv4(name) ? "" : "not an IPv4 address (four numbers of 0 to 255)";
    size_t start = 0;
    for (;;) {
        size_t end = name.find('.', start);
        std::string_view label = name.substr(start, end == std::string_view::npos ? end : end - start);
        if (label.empty() || label.size() > kMaxLabelLength)
            return "each dot-separated part of a host name has 1 to 63 characters";
        for (char c : label)
            if (!is_letter_or_digit(c) && c != '-')
                return "a host name holds letters, digits, '-' and dots (an IPv6 address goes in brackets)";
        if (label.front() == '-' || label.back() == '-')
            return "a part of a host name neither begins nor ends with '-'";
        if (end == std::string_view::npos) return "";
        start = end + 1;
    }
}

bool is_port(std::string_view s) {
    if (!all_digits(s) || s.size() > 5) return false;
    int port = std::stoi(std::string(s));
    return port >= 1 && port <= 65535;
}

// HOST, HOST:PORT, [V6] or [V6]:PORT.
std::string host_port_refusal(std::string_view text, std::string &entry) {
    std::optional<std::string_view> port;
    if (!text.empty() && text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string_view::npos) return "an IPv6 address in brackets lacks its ']'";
        if (!is_ipv6(text.substr(1, close - 1))) return "not an IPv6 address";
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':') return "only ':PORT' may follow ']'";
        if (!rest.empty()) port = rest.substr(1);
    } else {
        std::string_view host = text;
        size_t colon = text.find(':');
        if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos)
            return "an IPv6 address goes in brackets, as in [::1]:389";
        if (colon != std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
        }
        std::string why = name_refusal(host);
        if (!why.empty()) return why;
    }
    if (port && !is_port(*port)) return "the port is a number of 1 to 65535";
    entry = std::string(text);
    return "";
}

}  // namespace

std::string parse_server(std::string_view text, Server &out) {
    out = Server{};
    std::string_view rest = text;
    if (qor::starts_with_ignore_case(text, "ldap://")) {
        out.scheme = Scheme::kLdap;
        rest = text.substr(7);
    } else if (qor::starts_with_ignore_case(text, "ldaps://")) {
        out.scheme = Scheme::kLdaps;
        rest = text.substr(8);
    } else if (text.find("://") != std::string_view::npos) {
        return "the URIs taken are ldap:// and ldaps://";
    }
    if (out.scheme != Scheme::kNone && !rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (out.scheme != Scheme::kNone && rest.find_first_of("/?") != std::string_view::npos)
        return "a URI names a server only: no DN or other parts after it";
    return host_port_refusal(rest, out.entry);
}

std::string apply_servers(LDAP_Config &r, const ServerOptions &o) {
    std::vector<std::string> entries;
    if (!o.list) {
        qor::Tokens kept(qor::field_view(r.HostNames), " ");
        std::string_view entry;
        while (kept.next(entry)) entries.emplace_back(entry);
    }
    std::vector<std::pair<std::string, std::string>> given;  // option, text
    if (o.list) {
        qor::Tokens listed(*o.list, " ,");
        std::string_view text;
        while (listed.next(text)) given.emplace_back("--hosts", std::string(text));
    }
    for (const std::string &text : o.added) given.emplace_back("--host", text);

    Scheme scheme = Scheme::kNone;
    for (const auto &[option, text] : given) {
        Server server;
        std::string why = parse_server(text, server);
        if (!why.empty()) return option + " " + text + ": " + why;
        if (server.scheme != Scheme::kNone) {
            if (scheme != Scheme::kNone && scheme != server.scheme)
                return option + " " + text + ": a profile's servers are all ldap:// or all ldaps://";
            scheme = server.scheme;
        }
        bool listed = false;
        for (const std::string &e : entries) listed = listed || e == server.entry;
        if (!listed) entries.push_back(server.entry);
    }
    std::string joined;
    for (const std::string &e : entries) joined += (joined.empty() ? "" : " ") + e;
    const qor::ProfileField &hosts = *qor::profile_field("HostNames");
    if (joined.size() >= hosts.size)
        return "--hosts/--host: the server list would take " + std::to_string(joined.size()) + " characters; at most " +
               std::to_string(hosts.size - 1) + " fit";
    if (scheme != Scheme::kNone) {
        int wanted = scheme == Scheme::kLdaps ? 1 : 0;
        if (o.ssl && *o.ssl != wanted)
            return std::string("--ssl ") + std::to_string(*o.ssl) + " disagrees with the " +
                   (wanted ? "ldaps://" : "ldap://") + " URIs (--ssl " + std::to_string(wanted) + ")";
        LDC_setSslEx(&r, wanted);
        if (!o.port_given) LDC_setPortEx(&r, wanted ? kLdapsPort : kLdapPort);
    }
    qor::copy_bounded(r.HostNames, joined.c_str());
    return "";
}

}  // namespace qorldap
