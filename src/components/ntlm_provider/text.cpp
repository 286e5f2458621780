#include "text.h"

#include <wctype.h>

#include "utf8_locale.h"

namespace qorsspi {
namespace {

// Decodes one code point at text[*pos]; false on any malformed sequence.
bool next_code_point(std::string_view text, size_t *pos, char32_t *out) {
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

void append_utf8(std::string *out, char32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void append_utf16le_unit(std::string *out, unsigned unit) {
    out->push_back(static_cast<char>(unit & 0xFF));
    out->push_back(static_cast<char>(unit >> 8));
}

}  // namespace

bool is_utf8(std::string_view text) {
    char32_t cp;
    for (size_t pos = 0; pos < text.size();)
        if (!next_code_point(text, &pos, &cp)) return false;
    return true;
}

bool is_ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string utf8_upper(std::string_view text) {
    std::string out;
    locale_t utf8 = utf8_locale();
    char32_t cp;
    for (size_t pos = 0; pos < text.size() && next_code_point(text, &pos, &cp);) {
        if (cp < 0x80)
            cp = (cp >= 'a' && cp <= 'z') ? cp - 'a' + 'A' : cp;
        else if (utf8 != nullptr)
            cp = static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), utf8));
        append_utf8(&out, cp);
    }
    return out;
}

std::string utf8_to_utf16le(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    char32_t cp;
    for (size_t pos = 0; pos < text.size() && next_code_point(text, &pos, &cp);) {
        if (cp < 0x10000) {
            append_utf16le_unit(&out, cp);
        } else {
            cp -= 0x10000;
            append_utf16le_unit(&out, 0xD800 | (cp >> 10));
            append_utf16le_unit(&out, 0xDC00 | (cp & 0x3FF));
        }
    }
    return out;
}

}  // namespace qorsspi

namespace qorsspi {

locale_t utf8_locale() {
    static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return utf8;
}

}  // namespace qorsspi
