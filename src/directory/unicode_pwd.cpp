#include "directory/unicode_pwd.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace qor {
namespace {

// Decodes strict UTF-8 (no overlong forms, no surrogates, at most
// U+10FFFF). Returns false on the first malformed sequence.
bool decode_utf8(std::string_view s, std::vector<uint32_t> &out) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        size_t extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            cp = c & 0x1F;
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (extra > 0 && i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        bool overlong_or_surrogate = extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF));
        bool out_of_range = extra == 3 && (cp < 0x10000 || cp > 0x10FFFF);
        if (overlong_or_surrogate || out_of_range) return false;
        out.push_back(cp);
        i += extra + 1;
    }
    return true;
}

void put_unit(std::string &out, uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

}  // namespace

bool is_valid_utf8(const char *text) {
    std::vector<uint32_t> points;
    return decode_utf8(text, points);
}

std::string unicode_pwd_value(const char *password) {
    std::string quoted = std::string("\"") + password + "\"";
    std::string out;
    std::vector<uint32_t> points;
    if (decode_utf8(quoted, points)) {
        out.reserve(points.size() * 2);
        for (uint32_t cp : points) {
            if (cp >= 0x10000) {
                cp -= 0x10000;
                put_unit(out, 0xD800 | (cp >> 10));
                put_unit(out, 0xDC00 | (cp & 0x3FF));
            } else {
                put_unit(out, cp);
            }
        }
    } else {
        out.reserve(quoted.size() * 2);
        for (char c : quoted) put_unit(out, static_cast<unsigned char>(c));
    }
    return out;
}

}  // namespace qor
