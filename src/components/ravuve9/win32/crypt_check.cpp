// "{crypt}" text on Windows, which has no crypt(3): the MD5-based "$1$"
// and the SHA-2-based "$5$" and "$6$" formats, computed here over the
// system's CryptoAPI digests. Any other format (traditional DES, "$2b$",
// "$y$") matches nothing.
#include <cstdlib>
#include <cstring>
#include <string>

#include "../checks.h"
#include "digest.h"
#include "util/constant_time.h"
#include "util/secret.h"

namespace ravuve9 {
namespace {

constexpr char kCryptAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

unsigned char byte_at(const std::string &bytes, size_t i) { return static_cast<unsigned char>(bytes[i]); }

// Appends count characters for three bytes, low six bits first.
void encode_group(std::string &out, unsigned b2, unsigned b1, unsigned b0, int count) {
    unsigned long w = (static_cast<unsigned long>(b2) << 16) | (b1 << 8) | b0;
    while (count-- > 0) {
        out += kCryptAlphabet[w & 0x3f];
        w >>= 6;
    }
}

// A byte string repeated and cut to length bytes.
std::string repeat_to(const std::string &unit, size_t length) {
    std::string out;
    while (out.size() < length) out += unit.substr(0, length - out.size());
    return out;
}

// "$1$salt$hash": salt of at most 8 characters, 1000 rounds.
std::string md5_crypt(const DigestProvider &provider, const std::string &key, const char *setting, bool &ok) {
    const std::string magic = "$1$";
    const char *salt_start = setting + magic.size();
    size_t salt_length = std::strcspn(salt_start, "$");
    if (salt_length > 8) salt_length = 8;
    const std::string salt(salt_start, salt_length);

    Digest alternate(provider, CALG_MD5);
    alternate.add(key);
    alternate.add(salt);
    alternate.add(key);
    std::string alt = alternate.finish();

    Digest first(provider, CALG_MD5);
    first.add(key);
    first.add(magic);
    first.add(salt);
    for (size_t left = key.size(); left > 0; left -= left > 16 ? 16 : left)
        first.add(alt.data(), left > 16 ? 16 : left);
    const char zero = 0;
    for (size_t bits = key.size(); bits != 0; bits >>= 1) {
        if (bits & 1)
            first.add(&zero, 1);
        else
            first.add(key.data(), key.empty() ? 0 : 1);
    }
    std::string value = first.finish();
    ok = alternate.ok() && first.ok() && value.size() == 16;
    qor::secure_clear(alt);

    for (int round = 0; ok && round < 1000; ++round) {
        Digest step(provider, CALG_MD5);
        if (round & 1)
            step.add(key);
        else
            step.add(value);
        if (round % 3) step.add(salt);
        if (round % 7) step.add(key);
        if (round & 1)
            step.add(value);
        else
            step.add(key);
        std::string next = step.finish();
        ok = step.ok() && next.size() == 16;
        qor::secure_clear(value);
        value = next;
        qor::secure_clear(next);
    }
    if (!ok) return std::string();

    std::string out = magic + salt + "$";
    const std::string &f = value;
    encode_group(out, byte_at(f, 0), byte_at(f, 6), byte_at(f, 12), 4);
    encode_group(out, byte_at(f, 1), byte_at(f, 7), byte_at(f, 13), 4);
    encode_group(out, byte_at(f, 2), byte_at(f, 8), byte_at(f, 14), 4);
    encode_group(out, byte_at(f, 3), byte_at(f, 9), byte_at(f, 15), 4);
    encode_group(out, byte_at(f, 4), byte_at(f, 10), byte_at(f, 5), 4);
    encode_group(out, 0, 0, byte_at(f, 11), 2);
    qor::secure_clear(value);
    return out;
}

// The byte triples of the SHA-2 formats' final encoding, as the format
// lays them out; a last partial group follows.
constexpr unsigned char kSha256Order[10][3] = {{0, 10, 20}, {21, 1, 11}, {12, 22, 2}, {3, 13, 23}, {24, 4, 14},
                                               {15, 25, 5}, {6, 16, 26}, {27, 7, 17}, {18, 28, 8}, {9, 19, 29}};
constexpr unsigned char kSha512Order[21][3] = {
    {0, 21, 42},  {22, 43, 1},  {44, 2, 23},  {3, 24, 45},  {25, 46, 4},  {47, 5, 26},  {6, 27, 48},
    {28, 49, 7},  {50, 8, 29},  {9, 30, 51},  {31, 52, 10}, {53, 11, 32}, {12, 33, 54}, {34, 55, 13},
    {56, 14, 35}, {15, 36, 57}, {37, 58, 16}, {59, 17, 38}, {18, 39, 60}, {40, 61, 19}, {62, 20, 41}};

// "$5$[rounds=N$]salt$hash" and "$6$...": salt of at most 16 characters,
// 5000 rounds unless given, clamped to 1000..999999999.
std::string sha_crypt(const DigestProvider &provider, const std::string &key, const char *setting, bool wide,
                      bool &ok) {
    const ALG_ID algorithm = wide ? CALG_SHA_512 : CALG_SHA_256;
    const size_t length = wide ? 64 : 32;
    const char *rest = setting + 3;
    unsigned long rounds = 5000;
    bool custom_rounds = false;
    constexpr char kRoundsPrefix[] = "rounds=";
    if (std::strncmp(rest, kRoundsPrefix, sizeof kRoundsPrefix - 1) == 0) {
        const char *number = rest + sizeof kRoundsPrefix - 1;
        char *end = nullptr;
        unsigned long wanted = std::strtoul(number, &end, 10);
        if (end == number || *end != '$') {
            ok = false;
            return std::string();
        }
        rounds = wanted < 1000 ? 1000 : wanted > 999999999UL ? 999999999UL : wanted;
        custom_rounds = true;
        rest = end + 1;
    }
    size_t salt_length = std::strcspn(rest, "$");
    if (salt_length > 16) salt_length = 16;
    const std::string salt(rest, salt_length);

    Digest second(provider, algorithm);
    second.add(key);
    second.add(salt);
    second.add(key);
    std::string b = second.finish();

    Digest first(provider, algorithm);
    first.add(key);
    first.add(salt);
    size_t left = key.size();
    for (; left > length; left -= length) first.add(b);
    first.add(b.data(), left);
    for (size_t bits = key.size(); bits > 0; bits >>= 1) {
        if (bits & 1)
            first.add(b);
        else
            first.add(key);
    }
    std::string a = first.finish();

    Digest key_digest(provider, algorithm);
    for (size_t i = 0; i < key.size(); ++i) key_digest.add(key);
    std::string dp = key_digest.finish();
    std::string p = repeat_to(dp, key.size());

    Digest salt_digest(provider, algorithm);
    for (unsigned i = 0; !a.empty() && i < 16u + byte_at(a, 0); ++i) salt_digest.add(salt);
    std::string ds = salt_digest.finish();
    std::string s = repeat_to(ds, salt.size());

    ok = second.ok() && first.ok() && key_digest.ok() && salt_digest.ok() && a.size() == length &&
         dp.size() == length && ds.size() == length;
    qor::secure_clear(b);
    qor::secure_clear(dp);
    qor::secure_clear(ds);

    for (unsigned long round = 0; ok && round < rounds; ++round) {
        Digest step(provider, algorithm);
        if (round & 1)
            step.add(p);
        else
            step.add(a);
        if (round % 3) step.add(s);
        if (round % 7) step.add(p);
        if (round & 1)
            step.add(a);
        else
            step.add(p);
        std::string next = step.finish();
        ok = step.ok() && next.size() == length;
        qor::secure_clear(a);
        a = next;
        qor::secure_clear(next);
    }
    qor::secure_clear(p);
    qor::secure_clear(s);
    if (!ok) return std::string();

    std::string out = wide ? "$6$" : "$5$";
    if (custom_rounds) out += "rounds=" + std::to_string(rounds) + "$";
    out += salt + "$";
    if (wide) {
        for (const auto &t : kSha512Order) encode_group(out, byte_at(a, t[0]), byte_at(a, t[1]), byte_at(a, t[2]), 4);
        encode_group(out, 0, 0, byte_at(a, 63), 2);
    } else {
        for (const auto &t : kSha256Order) encode_group(out, byte_at(a, t[0]), byte_at(a, t[1]), byte_at(a, t[2]), 4);
        encode_group(out, 0, byte_at(a, 31), byte_at(a, 30), 3);
    }
    qor::secure_clear(a);
    return out;
}

}  // namespace

bool crypt_matches(const char *candidate, const char *text, size_t length) {
    DigestProvider provider;
    if (!provider.ok()) return false;
    std::string key(candidate);
    std::string hashed;
    bool ok = false;
    if (std::strncmp(text, "$1$", 3) == 0)
        hashed = md5_crypt(provider, key, text, ok);
    else if (std::strncmp(text, "$5$", 3) == 0)
        hashed = sha_crypt(provider, key, text, false, ok);
    else if (std::strncmp(text, "$6$", 3) == 0)
        hashed = sha_crypt(provider, key, text, true, ok);
    qor::secure_clear(key);
    bool match = ok && qor::equal_constant_time(hashed.data(), hashed.size(), text, length);
    qor::secure_clear(hashed);
    return match;
}

}  // namespace ravuve9
