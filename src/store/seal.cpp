#include "store/seal.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "store/rc5.h"
#include "util/secret.h"

namespace qor {
namespace {

// Every text and word list below holds the password, its padded form or
// its cipher words: all of them are wiped when they go.
using Words = std::vector<uint32_t, WipingAllocator<uint32_t>>;

// The built-in key: fifteen letters and their terminator. Expanded once,
// then only read, so that threads sealing at once never disturb each other.
const Rc5 &cipher() {
    static const uint8_t key[Rc5::kKeyBytes] = {'k', 'e', 'l', 'p', 'y', 'a', 'r', 'd',
                                                'm', 'i', 'n', 't', 'v', 'o', 'w', 0};
    static const Rc5 expanded(key);
    return expanded;
}

uint32_t plain_word(char c) { return uint32_t(int32_t(static_cast<signed char>(c))); }

// A word that a character of a padded text becomes: a sign-extended,
// nonzero byte.
bool is_plain_character(uint32_t w) { return (w >= 1 && w <= 0x7F) || w >= 0xFFFFFF80u; }

// Odd lengths get the count prefix and a blank. Even lengths stay as they
// are, unless the password holds a comma: unsealing would take the part
// before it for a count, so such a password gets the prefix as well (and
// a blank when the prefix makes the length odd).
Secret pad(const char *plain, size_t length) {
    std::string_view text(plain, length);
    bool comma = text.find(',') != std::string_view::npos;
    if (length % 2 == 0 && !comma) return Secret(text);
    Secret padded;
    padded.reserve(length + 6);
    padded += std::to_string(length);
    padded += ',';
    padded += text;
    if (length % 2 == 1 || padded.size() % 2 == 1) padded += ' ';
    return padded;
}

// The count before the comma: leading white space, an optional sign and
// the leading digits; no digits give 0. Saturates far beyond any length.
long long leading_count(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (value < 1000000000) value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

Secret strip_prefix(std::string_view text) {
    size_t comma = text.find(',');
    if (comma == std::string_view::npos) return Secret(text);
    long long count = leading_count(text.substr(0, comma));
    std::string_view rest = text.substr(comma + 1);
    if (count >= 0 && size_t(count) <= rest.size()) rest = rest.substr(0, size_t(count));
    return Secret(rest);
}

// Reads the decimal words of a sealed text; false when there are more
// than sealing ever writes.
bool read_words(const char *sealed, Words &words) {
    const char *p = sealed;
    while (true) {
        while (*p == ' ') ++p;
        if (!*p) return true;
        const char *end = strchr(p, ' ');
        Secret token = end ? Secret(std::string_view(p, size_t(end - p))) : Secret(std::string_view(p));
        if (words.size() == kSealMaxWords) return false;
        words.push_back(uint32_t(uint64_t(strtoll(token.c_str(), nullptr, 10))));
        if (!end) return true;
        p = end;
    }
}

// Recovers the plain text of the words. Every full block must decipher to
// two characters. With an odd count, the last block lacks its second
// word: either sealing stopped before a cipher word 0 (the block then
// deciphers with 0), or the padded text had an odd length and the block
// was a character and the filling 0; the character is found by trying
// each one, so the check holds for the last word as well.
bool decipher(const Words &words, Secret &text) {
    const Rc5 &rc5 = cipher();
    for (size_t k = 0; k < words.size(); k += 2) {
        uint32_t a = words[k];
        if (k + 1 < words.size()) {
            uint32_t b = words[k + 1];
            rc5.decrypt(a, b);
            if (!is_plain_character(a) || !is_plain_character(b)) return false;
            text += char(a & 0xFF);
            text += char(b & 0xFF);
            continue;
        }
        uint32_t x = a, y = 0;
        rc5.decrypt(x, y);
        if (is_plain_character(x) && (y == 0 || is_plain_character(y))) {
            text += char(x & 0xFF);
            if (y) text += char(y & 0xFF);
            return true;
        }
        for (int c = -128; c <= 127; ++c) {
            uint32_t p = uint32_t(int32_t(c)), q = 0;
            if (!is_plain_character(p)) continue;
            rc5.encrypt(p, q);
            if (p == a) {
                text += char(c);
                return true;
            }
        }
        return false;
    }
    return true;
}

bool unseal_text(const char *sealed, Secret &password) {
    Words words;
    if (!read_words(sealed, words)) return false;
    Secret text;
    text.reserve(words.size() + 1);
    if (!decipher(words, text)) return false;
    password = strip_prefix(text.view());
    return true;
}

}  // namespace

bool seal_password(const char *plain, char *out, size_t limit) {
    if (!out || limit == 0) return false;
    out[0] = '\0';
    if (!plain) return false;
    size_t length = strnlen(plain, kSealMaxPassword + 1);
    if (length > kSealMaxPassword) return false;
    Secret padded = pad(plain, length);
    size_t n = padded.size();

    Words words(n + 2, 0);
    for (size_t i = 0; i < n; ++i) words[i] = plain_word(padded[i]);
    const Rc5 &rc5 = cipher();
    for (size_t k = 0; k < n; k += 2) rc5.encrypt(words[k], words[k + 1]);

    // At most n words; the one that pairs with the filling 0 of an odd
    // length is left out, and writing stops before a cipher word 0.
    Secret text;
    if (n > 0 && words[0] != 0) {
        for (size_t i = 0; i < n; ++i) {
            text += std::to_string(words[i]);
            text += ' ';
            if (words[i + 1] == 0) break;
        }
    }
    // The stored form drops words; refuse anything that would not come back.
    Secret back;
    if (!unseal_text(text.c_str(), back) || back != std::string_view(plain, length)) return false;
    if (text.size() + 1 > limit) return false;
    memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

bool unseal_password(const char *sealed, char *out, size_t out_size) {
    if (!out || out_size == 0) return false;
    out[0] = '\0';
    Secret password;
    if (!sealed || !unseal_text(sealed, password) || password.size() + 1 > out_size) return false;
    memcpy(out, password.c_str(), password.size() + 1);
    return true;
}

}  // namespace qor
