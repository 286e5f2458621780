#include "text.h"

#include <wctype.h>

#include "utf8_locale.h"
#include "util/utf8.h"

namespace qorsspi {
namespace {

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

}  // namespace

bool is_ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string utf8_upper(std::string_view text) {
    std::string out;
    locale_t utf8 = utf8_locale();
    char32_t cp;
    for (size_t pos = 0; pos < text.size() && qor::next_code_point(text, &pos, &cp);) {
        if (cp < 0x80)
            cp = (cp >= 'a' && cp <= 'z') ? cp - 'a' + 'A' : cp;
        else if (utf8 != nullptr)
            cp = static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), utf8));
        append_utf8(&out, cp);
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
