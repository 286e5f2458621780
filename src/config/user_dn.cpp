#include "config/user_dn.h"

#include <cstring>
#include <string_view>

#include "util/text.h"

namespace qor {
namespace {

struct Pattern {
    std::string_view before;  // ahead of the name
    std::string_view after;   // between the name and BaseDN
};

constexpr Pattern kPosix{"uid=", ",ou=people,"};
constexpr Pattern kActiveDirectory{"cn=", ",cn=users,"};
static_assert(kPosix.before.size() + kPosix.after.size() <= kPatternRoom, "the DN buffer holds every pattern");
static_assert(kActiveDirectory.before.size() + kActiveDirectory.after.size() <= kPatternRoom,
              "the DN buffer holds every pattern");

const Pattern *pattern_for(const LDAP_Config *r) {
    // Both bits set: the POSIX form wins.
    if (r->MBFlags & LDC_MB_POSIX) return &kPosix;
    if (r->MBFlags & LDC_MB_AD) return &kActiveDirectory;
    return nullptr;
}

bool needs_escape(std::string_view name, size_t i) {
    char c = name[i];
    switch (c) {
        case '"':
        case '+':
        case ',':
        case ';':
        case '<':
        case '>':
        case '\\':
            return true;
        case '#':
            return i == 0;
        case ' ':
            return i == 0 || i + 1 == name.size();
        default:
            return false;
    }
}

class Writer {
  public:
    Writer(char *out, size_t size) : out_(out), size_(size) {}
    void put(char c) {
        if (pos_ + 1 < size_) out_[pos_] = c;
        ++pos_;
    }
    void put(std::string_view s) {
        for (char c : s) put(c);
    }
    bool finish() {
        if (pos_ + 1 > size_) {
            if (size_ > 0) out_[0] = '\0';
            return false;
        }
        out_[pos_] = '\0';
        return true;
    }

  private:
    char *out_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace

bool form_user_dn(const LDAP_Config *r, const char *user, char *dn, size_t size) {
    Writer w(dn, size);
    if (user == nullptr) return w.finish();
    std::string_view name(user);
    if (name.find(',') != std::string_view::npos) {
        w.put(name);
        return w.finish();
    }
    const Pattern *p = pattern_for(r);
    if (p == nullptr) return true;
    w.put(p->before);
    for (size_t i = 0; i < name.size(); ++i) {
        if (needs_escape(name, i)) w.put('\\');
        w.put(name[i]);
    }
    w.put(p->after);
    w.put(field_view(r->BaseDN));
    return w.finish();
}

bool is_logon_name(const LDAP_Config *r, const char *user) {
    if (user == nullptr || !(r->MBFlags & LDC_MB_AD)) return false;
    std::string_view name(user);
    return name.find(',') == std::string_view::npos &&
           (name.find('@') != std::string_view::npos || name.find('\\') != std::string_view::npos);
}

bool form_bind_name(const LDAP_Config *r, const char *user, char *dn, size_t size) {
    if (!is_logon_name(r, user)) return form_user_dn(r, user, dn, size);
    Writer w(dn, size);
    w.put(std::string_view(user));
    return w.finish();
}

size_t user_dn_room(const LDAP_Config *r, const char *user) {
    if (user == nullptr) return 1;
    size_t len = strlen(user);
    if (strchr(user, ',') != nullptr) return len + 1;
    if (pattern_for(r) == nullptr) return 0;
    // The same room for every pattern: a shorter pattern leaves its
    // spare characters to escapes.
    return kPatternRoom + len + field_length(r->BaseDN) + 1;
}

}  // namespace qor

extern "C" void QORLDAP9_CALL LDC_formUserDNEx(const LDAP_Config *record, const char *user, char *dn) {
    size_t room = qor::user_dn_room(record, user);
    if (room == 0) return;  // no pattern bit: dn keeps what the caller left
    qor::form_user_dn(record, user, dn, room);
}
