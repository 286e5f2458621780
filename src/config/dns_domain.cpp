// Derives a DNS domain name from a profile's base DN: o=example.com gives
// example.com, dc=example,dc=com gives example.com.
#include "qorldap9.h"
#include "util/text.h"

namespace {

// Collects the result in a fixed area; the result is never longer than the
// base DN, so the area never fills.
class Result {
  public:
    void assign(std::string_view s) {
        len_ = 0;
        append(s);
    }
    void append(std::string_view s) {
        size_t n = s.size() < sizeof buf_ - 1 - len_ ? s.size() : sizeof buf_ - 1 - len_;
        memcpy(buf_ + len_, s.data(), n);
        len_ += n;
    }
    size_t size() const { return len_; }
    const char *data() const { return buf_; }

  private:
    char buf_[LDC_BASEDN_SIZE];
    size_t len_ = 0;
};

}  // namespace

extern "C" int QORLDAP9_CALL LDC_formDnsDomainEx(const LDAP_Config *r, char *domain, int32_t size) {
    if (r == nullptr) return 0;
    std::string_view base = qor::field_view(r->BaseDN);
    if (base.empty()) return 0;

    qor::Tokens tokens(base, "=,");
    Result result;
    int counter = 0;
    std::string_view current;
    bool have = tokens.next(current);
    if (have && qor::equals_ignore_case(current, "o")) {
        have = tokens.next(current);
        if (have) {
            result.assign(current);
            counter = 1;
        }
    }
    if (have && qor::equals_ignore_case(current, "dc")) {
        std::string_view token;
        while (tokens.next(token)) {
            ++counter;
            if (qor::equals_ignore_case(token, "dc")) continue;
            if (counter == 1) {
                result.assign(token);
            } else {
                result.append(".");
                result.append(token);
            }
        }
    }
    if (size <= 0 || result.size() >= static_cast<size_t>(size)) return 0;
    memcpy(domain, result.data(), result.size());
    domain[result.size()] = '\0';
    return 1;
}
