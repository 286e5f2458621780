#include "directory/logon_entry.h"

#include <string_view>

#include "util/text.h"

namespace qor {
namespace {

// An assertion value as filter text: the bytes a filter gives meaning to
// (and NUL) as \XX.
std::string filter_value(std::string_view value) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (char ch : value) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
            out.push_back('\\');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

std::string find_user(LDAP *ld, const std::string &base, const char *attribute, std::string_view value) {
    std::string filter = std::string("(&(objectClass=user)(") + attribute + "=" + filter_value(value) + "))";
    char no_attribute[] = "1.1";
    char *attributes[] = {no_attribute, nullptr};
    LDAPMessage *result = nullptr;
    platform::search_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE, filter.c_str(), attributes, 0, &result);
    // An entry that came back is the answer, whatever a chase of the
    // continuation references at the domain root gave afterwards.
    std::string dn = platform::first_entry_dn(ld, result);
    platform::msgfree(result);
    return dn;
}

}  // namespace

std::string logon_entry_dn(LDAP *ld, const LDAP_Config *r, const char *logon_name) {
    std::string base = field_text(r->BaseDN);
    std::string_view name(logon_name);
    size_t backslash = name.find('\\');
    if (backslash != std::string_view::npos) return find_user(ld, base, "sAMAccountName", name.substr(backslash + 1));
    std::string dn = find_user(ld, base, "userPrincipalName", name);
    // The implicit form, user@ the domain's DNS name, holds when the entry
    // has another principal name or none.
    if (dn.empty()) dn = find_user(ld, base, "sAMAccountName", name.substr(0, name.rfind('@')));
    return dn;
}

}  // namespace qor
