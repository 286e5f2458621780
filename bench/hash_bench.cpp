// Stored-value checks beside OpenSSL digest + Base64 + compare, and the
// sealing of a stored bind password.
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstring>
#include <string>

#include "bench_common.h"
#include "qorldap9.h"
#include "store/seal.h"

namespace {

constexpr const char *kCandidate = "Secret123";
const unsigned char kSalt[8] = {0x5a, 0x11, 0x7e, 0x03, 0xc4, 0x98, 0x21, 0xf0};

std::string base64(const unsigned char *data, size_t length) {
    std::string out(4 * ((length + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char *>(out.data()), data, static_cast<int>(length));
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string stored_sha() {
    unsigned char digest[20];
    EVP_Digest(kCandidate, std::strlen(kCandidate), digest, nullptr, EVP_sha1(), nullptr);
    return "{SHA}" + base64(digest, sizeof digest);
}

std::string stored_ssha() {
    unsigned char both[28];
    std::string salted = std::string(kCandidate) + std::string(reinterpret_cast<const char *>(kSalt), sizeof kSalt);
    EVP_Digest(salted.data(), salted.size(), both, nullptr, EVP_sha1(), nullptr);
    std::memcpy(both + 20, kSalt, sizeof kSalt);
    return "{SSHA}" + base64(both, sizeof both);
}

void verify_ours(benchmark::State &state, const std::string &stored) {
    for (auto _ : state) {
        if (ldap_passwd_verify(stored.c_str(), kCandidate) != 1) {
            state.SkipWithError("right password refused");
            break;
        }
    }
}

// The digest the floors use: EVP_sha1() as most code writes it (OpenSSL
// then looks it up at every use), or fetched once beforehand.
const EVP_MD *floor_sha1(bool fetched_once) {
    static EVP_MD *fetched = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return fetched_once && fetched != nullptr ? fetched : EVP_sha1();
}

// The floor: digest, Base64, compare in constant time.
void sha_floor(benchmark::State &state, bool fetched_once) {
    const EVP_MD *md = floor_sha1(fetched_once);
    const std::string stored = stored_sha();
    const char *text = stored.c_str() + 5;
    size_t text_length = std::strlen(text);
    for (auto _ : state) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_Digest(kCandidate, std::strlen(kCandidate), digest, &length, md, nullptr);
        unsigned char encoded[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
        int n = EVP_EncodeBlock(encoded, digest, static_cast<int>(length));
        bool match = static_cast<size_t>(n) == text_length && CRYPTO_memcmp(encoded, text, text_length) == 0;
        if (!match) {
            state.SkipWithError("floor mismatch");
            break;
        }
    }
}

// The floor: Base64-decode, digest of password and salt, compare.
void ssha_floor(benchmark::State &state, bool fetched_once) {
    const EVP_MD *md = floor_sha1(fetched_once);
    const std::string stored = stored_ssha();
    const char *text = stored.c_str() + 6;
    int text_length = static_cast<int>(std::strlen(text));
    for (auto _ : state) {
        unsigned char decoded[64];
        int n = EVP_DecodeBlock(decoded, reinterpret_cast<const unsigned char *>(text), text_length);
        int padding =
            (text_length > 0 && text[text_length - 1] == '=') + (text_length > 1 && text[text_length - 2] == '=');
        n -= padding;
        size_t candidate_length = std::strlen(kCandidate);
        unsigned char input[128];
        std::memcpy(input, kCandidate, candidate_length);
        std::memcpy(input + candidate_length, decoded + 20, static_cast<size_t>(n - 20));
        unsigned char digest[EVP_MAX_MD_SIZE];
        EVP_Digest(input, candidate_length + static_cast<size_t>(n - 20), digest, nullptr, md, nullptr);
        if (n <= 20 || CRYPTO_memcmp(digest, decoded, 20) != 0) {
            state.SkipWithError("floor mismatch");
            break;
        }
    }
}

const char kPassword48[] = "Tr0ub4dor&3-correct-horse-battery-staple-48chars";
static_assert(sizeof kPassword48 == 49, "48 characters");

void seal(benchmark::State &state) {
    char sealed[qor::kSealedTextSize];
    for (auto _ : state) {
        if (!qor::seal_password(kPassword48, sealed, sizeof sealed)) {
            state.SkipWithError("seal failed");
            break;
        }
        benchmark::DoNotOptimize(sealed);
    }
}

void unseal(benchmark::State &state) {
    char sealed[qor::kSealedTextSize];
    char plain[qor::kSealMaxPassword + 1];
    if (!qor::seal_password(kPassword48, sealed, sizeof sealed)) {
        state.SkipWithError("seal failed");
        return;
    }
    for (auto _ : state) {
        if (!qor::unseal_password(sealed, plain, sizeof plain) || std::strcmp(plain, kPassword48) != 0) {
            state.SkipWithError("unseal failed");
            break;
        }
    }
}

QORBENCH_REGISTER(sha_ours, "sha/ours", [](benchmark::State &s) { verify_ours(s, stored_sha()); });
QORBENCH_REGISTER(sha_floor, "sha/floor", [](benchmark::State &s) { sha_floor(s, false); });
QORBENCH_REGISTER(sha_floor_fetched, "sha/floor_fetched", [](benchmark::State &s) { sha_floor(s, true); });
QORBENCH_REGISTER(ssha_ours, "ssha/ours", [](benchmark::State &s) { verify_ours(s, stored_ssha()); });
QORBENCH_REGISTER(ssha_floor, "ssha/floor", [](benchmark::State &s) { ssha_floor(s, false); });
QORBENCH_REGISTER(ssha_floor_fetched, "ssha/floor_fetched", [](benchmark::State &s) { ssha_floor(s, true); });
QORBENCH_REGISTER(seal, "seal", seal);
QORBENCH_REGISTER(unseal, "unseal", unseal);

QORBENCH_TARGET(sha, qorbench::Section::kRatios, s.pair("{SHA} verification", "sha", 1.2);
                s.info("  floor, digest fetched once", "sha/floor_fetched", "sha/ours"));
QORBENCH_TARGET(ssha, qorbench::Section::kRatios, s.pair("{SSHA} verification", "ssha", 1.2);
                s.info("  floor, digest fetched once", "ssha/floor_fetched", "ssha/ours"));
QORBENCH_TARGET(seal, qorbench::Section::kSingles, s.single("seal a 48-character password", "seal", 10);
                s.single("unseal a 48-character password", "unseal", 10));

}  // namespace
