// The work a "{crypt}" setting asks for, read from the setting before any
// hashing. Whoever may write a stored value (a user changing their own
// password hash, for one) chooses its cost; without a cap a single value
// makes every program that checks it spend hours of CPU or gigabytes of
// memory on one password. The caps stay well above what the systems'
// own defaults write (bcrypt cost 10-12, 5,000 SHA-crypt rounds, 16 MiB
// for yescrypt and scrypt), so values made by ordinary tools still match.
#include <cstdint>
#include <cstring>

#include "checks.h"

namespace ravuve9 {
namespace {

// bcrypt doubles its work with each step; cost 15 takes about 1.5 s.
constexpr unsigned kMaxBcryptCost = 15;
// SHA-crypt, SHA1-crypt, SunMD5 and BSDi extended DES: about 1 s.
constexpr uint64_t kMaxRounds = 2000000;
// yescrypt and scrypt: memory (128 * r * N), times p for scrypt.
constexpr uint64_t kMaxMemoryBytes = uint64_t{256} << 20;

constexpr char kCryptAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int digit64(char c) {
    const char *at = c != '\0' ? strchr(kCryptAlphabet, c) : nullptr;
    return at != nullptr ? static_cast<int>(at - kCryptAlphabet) : -1;
}

// A decimal count of at most ten digits, ended by end_char.
bool decimal(const char *&p, char end_char, uint64_t &value) {
    value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > 10) return false;
        value = value * 10 + static_cast<uint64_t>(*p - '0');
    }
    return digits > 0 && *p == end_char;
}

// count characters of the crypt alphabet, least significant first.
bool little_endian64(const char *p, int count, uint64_t &value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        int d = digit64(p[i]);
        if (d < 0) return false;
        value |= static_cast<uint64_t>(d) << (6 * i);
    }
    return true;
}

// yescrypt's variable-length numbers: the first character says how many
// more follow.
bool yescrypt_number(const char *&p, uint64_t minimum, uint64_t &value) {
    int c = digit64(*p++);
    if (c < 0) return false;
    uint64_t start = 0, end = 47, bits = 0;
    int more = 0;
    value = minimum;
    while (static_cast<uint64_t>(c) > end) {
        value += (end + 1 - start) << bits;
        start = end + 1;
        end = start + (62 - end) / 2;
        ++more;
        bits += 6;
    }
    value += (static_cast<uint64_t>(c) - start) << bits;
    for (; more > 0; --more, bits += 6) {
        c = digit64(*p++);
        if (c < 0) return false;
        value += static_cast<uint64_t>(c) << bits;
    }
    return true;
}

bool memory_within(uint64_t n_log2, uint64_t r, uint64_t p) {
    if (n_log2 > 40 || r == 0 || p == 0 || r > kMaxMemoryBytes || p > kMaxMemoryBytes) return false;
    return 128 * r * p <= (kMaxMemoryBytes >> n_log2);
}

// "$2b$NN$": two decimal digits.
bool bcrypt_within(const char *rest) {
    if (rest[0] < '0' || rest[0] > '9' || rest[1] < '0' || rest[1] > '9' || rest[2] != '$') return false;
    return static_cast<unsigned>((rest[0] - '0') * 10 + (rest[1] - '0')) <= kMaxBcryptCost;
}

// "$5$" and "$6$": "rounds=N$" is optional (5,000 without it).
bool sha_crypt_within(const char *rest) {
    if (strncmp(rest, "rounds=", 7) != 0) return true;
    const char *p = rest + 7;
    uint64_t rounds;
    return decimal(p, '$', rounds) && rounds <= kMaxRounds;
}

// "$sha1$N$": the rounds come first.
bool sha1_crypt_within(const char *rest) {
    uint64_t rounds;
    return decimal(rest, '$', rounds) && rounds <= kMaxRounds;
}

// "$md5$" (no extra rounds) or "$md5,rounds=N$".
bool sun_md5_within(const char *rest) {
    if (rest[0] == '$') return true;
    if (strncmp(rest, ",rounds=", 8) != 0) return false;
    const char *p = rest + 8;
    uint64_t rounds;
    return decimal(p, '$', rounds) && rounds <= kMaxRounds;
}

// "_" and four characters of iteration count.
bool bsdi_within(const char *rest) {
    uint64_t count;
    return little_endian64(rest, 4, count) && count <= kMaxRounds;
}

// "$y$" and "$gy$": flavor, log2 N, r, then "$". Values with further
// parameters (parallelism, time, ROM) are refused: each multiplies the
// work, and the systems' own tools never write them.
bool yescrypt_within(const char *rest) {
    uint64_t flavor, n_log2, r;
    if (!yescrypt_number(rest, 0, flavor) || !yescrypt_number(rest, 1, n_log2) || !yescrypt_number(rest, 1, r))
        return false;
    return *rest == '$' && memory_within(n_log2, r, 1);
}

// "$7$": log2 N in one character, r and p in five each.
bool scrypt_within(const char *rest) {
    int n_log2 = digit64(rest[0]);
    uint64_t r, p;
    return n_log2 >= 0 && little_endian64(rest + 1, 5, r) && little_endian64(rest + 6, 5, p) &&
           memory_within(static_cast<uint64_t>(n_log2), r, p);
}

struct CostRule {
    const char *prefix;
    bool (*within)(const char *rest);
};

constexpr CostRule kRules[] = {
    {"$2a$", bcrypt_within},   {"$2b$", bcrypt_within},   {"$2x$", bcrypt_within},       {"$2y$", bcrypt_within},
    {"$5$", sha_crypt_within}, {"$6$", sha_crypt_within}, {"$sha1$", sha1_crypt_within}, {"$md5", sun_md5_within},
    {"_", bsdi_within},        {"$y$", yescrypt_within},  {"$gy$", yescrypt_within},     {"$7$", scrypt_within},
};

}  // namespace

bool crypt_cost_within_caps(const char *setting) {
    for (const CostRule &rule : kRules) {
        size_t n = strlen(rule.prefix);
        if (strncmp(setting, rule.prefix, n) == 0) return rule.within(setting + n);
    }
    // The remaining formats (traditional DES, MD5-crypt, NT) have a fixed
    // cost.
    return true;
}

}  // namespace ravuve9
