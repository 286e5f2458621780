// "{MD5}" text: the Base64 encoding of the 16-byte MD5 digest of the
// password, nothing else (no salt).
#include <cstring>

#include "../checks.h"
#include "digest.h"

namespace ravuve9 {
namespace {

constexpr size_t kDigestBytes = 16;
constexpr size_t kTextLength = 24;  // 16 bytes: five full groups and "=="
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::string &bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned long group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += kAlphabet[(group >> 18) & 63];
        text += kAlphabet[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
    }
    return text;
}

}  // namespace

int md5_matches(const char *candidate, const char *text, size_t length) {
    DigestProvider provider;
    Digest md5(provider, CALG_MD5);
    md5.add(candidate, std::strlen(candidate));
    std::string digest = md5.finish();
    if (!md5.ok() || digest.size() != kDigestBytes) return 0;
    std::string encoded = base64(digest);
    int match = same_bytes(encoded.data(), encoded.size(), text, length) ? 1 : 0;
    wipe(digest);
    return match;
}

}  // namespace ravuve9
