// The shape of "{MD5}" text, the same on every platform: the Base64 of a
// 16-byte digest, 22 alphabet characters and "==".
#include "checks.h"

namespace ravuve9 {
namespace {

constexpr size_t kTextLength = 24;

bool is_alphabet(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

}  // namespace

bool looks_like_md5_text(const char *text, size_t length) {
    if (length != kTextLength || text[22] != '=' || text[23] != '=') return false;
    for (size_t i = 0; i < 22; ++i)
        if (!is_alphabet(text[i])) return false;
    return true;
}

}  // namespace ravuve9
