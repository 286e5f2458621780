// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF)
// and its UTF-16LE form, the one the NT hash and Active Directory's
// "unicodePwd" take.
#pragma once

#include <cstddef>
#include <string_view>

namespace qor {

// Decodes the code point at text[*pos] into *out and moves *pos past it;
// false, *pos unchanged, on a malformed or cut-short sequence.
inline bool next_code_point(std::string_view text, size_t *pos, char32_t *out) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(*pos);
    size_t extra;
    char32_t cp, min;
    if (lead < 0x80) {
        *out = lead;
        ++*pos;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (*pos + extra >= text.size()) return false;
    for (size_t i = 1; i <= extra; ++i) {
        unsigned char b = byte(*pos + i);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    *pos += extra + 1;
    *out = cp;
    return true;
}

inline bool is_utf8(std::string_view text) {
    char32_t cp;
    for (size_t pos = 0; pos < text.size();)
        if (!next_code_point(text, &pos, &cp)) return false;
    return true;
}

template <class String>
void append_utf16le_unit(String &out, unsigned unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

// Appends the UTF-16LE bytes of text to out. Stops at the first malformed
// sequence and answers false; out then holds the form of what came before.
template <class String>
bool utf8_to_utf16le(std::string_view text, String &out) {
    char32_t cp;
    for (size_t pos = 0; pos < text.size();) {
        if (!next_code_point(text, &pos, &cp)) return false;
        if (cp < 0x10000) {
            append_utf16le_unit(out, cp);
        } else {
            cp -= 0x10000;
            append_utf16le_unit(out, 0xD800 | (cp >> 10));
            append_utf16le_unit(out, 0xDC00 | (cp & 0x3FF));
        }
    }
    return true;
}

}  // namespace qor
