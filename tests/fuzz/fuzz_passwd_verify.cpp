// Feeds arbitrary stored values and candidates to the password checks:
// the stored value is the text before the first NUL, the candidate what
// follows it.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qorldap9.h"
#include "ravuve9.h"

namespace {

bool starts_with(const std::string &text, const char *prefix) { return text.compare(0, strlen(prefix), prefix) == 0; }

// crypt(3) settings may ask for up to a second or so of work within the
// library's caps (bcrypt's cost, SHA-crypt's "rounds=", yescrypt's
// parameters, BSDi DES counts); keep the fuzzer on cheap settings.
bool cheap_crypt_setting(const std::string &setting) {
    if (setting.find("rounds=") != std::string::npos) return false;
    if (starts_with(setting, "$1$") || starts_with(setting, "$5$") || starts_with(setting, "$6$")) return true;
    if (starts_with(setting, "$2b$04$") || starts_with(setting, "$2a$04$") || starts_with(setting, "$2y$04$"))
        return true;
    if (starts_with(setting, "$y$j9T$")) return true;
    return setting.empty() || (setting[0] != '$' && setting[0] != '_');
}

bool has_tag(const std::string &stored, const char *tag) {
    size_t n = strlen(tag);
    if (stored.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower(static_cast<unsigned char>(stored[i])) != tag[i]) return false;
    return true;
}

// The same for the key-derivation forms: PBKDF2 iterations and Argon2's
// memory and passes.
bool cheap_kdf_value(const std::string &stored) {
    // The largest number that follows key anywhere in the value.
    auto number_after = [&stored](const std::string &key) {
        unsigned long largest = 0;
        for (size_t at = stored.find(key); at != std::string::npos; at = stored.find(key, at + 1))
            largest = std::max(largest, std::strtoul(stored.c_str() + at + key.size(), nullptr, 10));
        return largest;
    };
    if (has_tag(stored, "{pbkdf2")) return number_after("}") <= 20000;
    if (has_tag(stored, "{argon2}")) return number_after("m=") <= 65536 && number_after("t=") <= 4;
    return true;
}

// What the cipher library gets to see of a stored value.
std::string cipher_text(const std::string &stored) {
    if (has_tag(stored, "{crypt}")) return stored.substr(7);
    if (has_tag(stored, "{md5}")) return stored.substr(5);
    return stored;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t split = input.find('\0');
    std::string stored = input.substr(0, split);
    std::string candidate = split == std::string::npos ? std::string() : input.substr(split + 1);
    candidate = candidate.c_str();  // callers' strings end at their first NUL

    std::string crypt_text = cipher_text(stored);
    if (!cheap_crypt_setting(crypt_text) || !cheap_kdf_value(stored)) return 0;

    int result = ldap_passwd_verify(stored.c_str(), candidate.c_str());
    if (result != 0 && result != 1) __builtin_trap();
    // The clear-text comparison must be exact.
    if (stored.empty() || stored[0] != '{') {
        if (result != (stored == candidate ? 1 : 0)) __builtin_trap();
    }
    int direct = passwd_verify(candidate.c_str(), crypt_text.c_str());
    if (direct != 0 && direct != 1) __builtin_trap();
    int source = ldapPasswdSource(stored.c_str());
    if (source != (!stored.empty() && stored[0] == '{' ? 0 : 1)) __builtin_trap();
    return 0;
}
