#include "stored_value/kdf_scheme_match.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kdf.h"
#include "util/base64.h"
#include "util/constant_time.h"

namespace qor {
namespace {

// Whoever may write a stored value chooses its cost; these caps bound what
// one check may spend (about a second of CPU, 256 MiB of memory), far
// above what the modules write by default (10,000 iterations; 4 MiB and 3
// passes).
constexpr unsigned long kMaxPbkdf2Iterations = 2000000;
constexpr unsigned long kMaxArgon2Kib = 256 * 1024;
constexpr unsigned long kMaxArgon2Passes = 16;
constexpr unsigned long kMaxArgon2Lanes = 16;

// A decimal number of at most nine digits at the start of text.
bool leading_number(std::string_view &text, unsigned long &value) {
    size_t digits = 0;
    value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        if (digits == 9) return false;
        value = value * 10 + static_cast<unsigned long>(text[digits++] - '0');
    }
    text.remove_prefix(digits);
    return digits > 0;
}

// The modules' Base64: "." stands for "+", and the padding is left off.
bool decode_adapted(std::string_view text, std::vector<unsigned char> &out) {
    if (text.size() % 4 == 1) return false;
    std::string padded(text);
    for (char &c : padded)
        if (c == '.')
            c = '+';
        else if (c == '+' || c == '=')
            return false;
    padded.append((4 - padded.size() % 4) % 4, '=');
    out.resize(padded.size() / 4 * 3 + 1);
    long n = base64_decode(padded.data(), padded.size(), out.data(), out.size());
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return true;
}

// The value of "name=" among the comma-separated parameters.
bool parameter(std::string_view parameters, std::string_view name, unsigned long &value) {
    for (size_t at = 0; at < parameters.size();) {
        size_t end = parameters.find(',', at);
        if (end == std::string_view::npos) end = parameters.size();
        std::string_view item = parameters.substr(at, end - at);
        if (item.size() > name.size() && item.substr(0, name.size()) == name && item[name.size()] == '=') {
            item.remove_prefix(name.size() + 1);
            return leading_number(item, value) && item.empty();
        }
        at = end + 1;
    }
    return false;
}

}  // namespace

bool pbkdf2_scheme_matches(const SchemeInfo &info, const char *candidate, const char *text) {
    std::string_view rest(text);
    unsigned long iterations;
    if (!leading_number(rest, iterations) || iterations == 0 || iterations > kMaxPbkdf2Iterations) return false;
    if (rest.empty() || rest[0] != '$') return false;
    rest.remove_prefix(1);
    size_t dollar = rest.find('$');
    if (dollar == std::string_view::npos) return false;
    std::vector<unsigned char> salt, stored;
    if (!decode_adapted(rest.substr(0, dollar), salt) || !decode_adapted(rest.substr(dollar + 1), stored) ||
        stored.size() != info.digest_length)
        return false;
    std::vector<unsigned char> derived(stored.size());
    if (!platform::pbkdf2_hmac(info.algorithm, candidate, strlen(candidate), salt.data(), salt.size(),
                               static_cast<uint32_t>(iterations), derived.data(), derived.size()))
        return false;
    return equal_constant_time(derived.data(), derived.size(), stored.data(), stored.size());
}

bool argon2_scheme_matches(const SchemeInfo &, const char *candidate, const char *text) {
    // "$argon2id$", an optional "v=19$", then the cost parameters.
    std::string_view rest(text);
    size_t at = rest.find('$', 1);
    if (rest.empty() || rest[0] != '$' || at == std::string_view::npos) return false;
    rest.remove_prefix(at + 1);
    if (rest.substr(0, 2) == "v=") {
        at = rest.find('$');
        if (at == std::string_view::npos) return false;
        rest.remove_prefix(at + 1);
    }
    std::string_view parameters = rest.substr(0, rest.find('$'));
    unsigned long kib, passes, lanes;
    if (!parameter(parameters, "m", kib) || !parameter(parameters, "t", passes) || !parameter(parameters, "p", lanes) ||
        kib > kMaxArgon2Kib || passes > kMaxArgon2Passes || lanes > kMaxArgon2Lanes)
        return false;
    return platform::argon2_matches(text, candidate, strlen(candidate));
}

}  // namespace qor
