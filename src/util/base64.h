// Base64 text of the standard alphabet with "=" padding and no line breaks.
#pragma once

#include <cstddef>

namespace qor {

namespace base64_detail {

inline constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

inline int value_of(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace base64_detail

// Writes the text of length source bytes and a terminator into dst of
// dst_size bytes. Returns the number of characters written without the
// terminator, or -1 when dst is too small; after -1, dst may hold a
// partial, unterminated text.
inline int base64_encode(const unsigned char *src, size_t length, char *dst, size_t dst_size) {
    using base64_detail::kAlphabet;
    size_t at = 0;
    size_t i = 0;
    // Every group, the last partial one too, needs room for all four
    // characters before any of them is written.
    for (; i < length; i += 3) {
        if (at + 4 > dst_size) return -1;
        size_t left = length - i;
        unsigned b0 = src[i];
        unsigned b1 = left > 1 ? src[i + 1] : 0;
        unsigned b2 = left > 2 ? src[i + 2] : 0;
        dst[at++] = kAlphabet[b0 >> 2];
        dst[at++] = kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        dst[at++] = left > 1 ? kAlphabet[((b1 & 0x0f) << 2) | (b2 >> 6)] : '=';
        dst[at++] = left > 2 ? kAlphabet[b2 & 0x3f] : '=';
    }
    if (at >= dst_size) return -1;  // the terminator needs a place of its own
    dst[at] = '\0';
    return static_cast<int>(at);
}

// Decodes length characters of text into dst. Only padded text of whole
// four-character groups is taken. Returns the number of bytes written, or
// -1 when the text is not such Base64 or dst is too small.
inline long base64_decode(const char *text, size_t length, unsigned char *dst, size_t dst_size) {
    if (length % 4 != 0) return -1;
    size_t out = 0;
    for (size_t i = 0; i < length; i += 4) {
        bool last = i + 4 == length;
        int v[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                ++padding;
                v[k] = 0;
                continue;
            }
            // "=" anywhere but at the very end, or a character after it
            if (padding > 0) return -1;
            v[k] = base64_detail::value_of(c);
            if (v[k] < 0) return -1;
        }
        size_t bytes = 3 - static_cast<size_t>(padding);
        if (out + bytes > dst_size) return -1;
        unsigned group = (unsigned(v[0]) << 18) | (unsigned(v[1]) << 12) | (unsigned(v[2]) << 6) | unsigned(v[3]);
        dst[out++] = static_cast<unsigned char>(group >> 16);
        if (bytes > 1) dst[out++] = static_cast<unsigned char>(group >> 8);
        if (bytes > 2) dst[out++] = static_cast<unsigned char>(group);
    }
    return static_cast<long>(out);
}

}  // namespace qor
