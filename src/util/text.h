// Bounded text helpers: fields of fixed size read only within the field,
// tokens, comparison without regard to letter case.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace qor {

// Copies src into dst of cap bytes, cutting it to cap - 1 characters, and
// terminates it. Returns true when nothing was cut.
inline bool copy_bounded(char *dst, size_t cap, const char *src) {
    if (cap == 0) return false;
    size_t n = strnlen(src, cap);
    bool whole = n < cap;
    if (!whole) n = cap - 1;
    memcpy(dst, src, n);
    dst[n] = '\0';
    return whole;
}

template <size_t N>
inline bool copy_bounded(char (&dst)[N], const char *src) {
    return copy_bounded(dst, N, src);
}

// Copies src whole, with its terminator, into dst of size bytes. Returns
// true when it fits; otherwise leaves dst empty (when size > 0).
inline bool copy_whole(char *dst, long size, std::string_view src) {
    if (dst == nullptr || size <= 0) return false;
    if (src.size() >= static_cast<size_t>(size)) {
        dst[0] = '\0';
        return false;
    }
    memcpy(dst, src.data(), src.size());
    dst[src.size()] = '\0';
    return true;
}

// Length of a string held in a fixed field, never reading past the field.
template <size_t N>
inline size_t field_length(const char (&field)[N]) {
    return strnlen(field, N);
}

template <size_t N>
inline std::string_view field_view(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// The same, copied: text that ends inside the field whatever it holds.
template <size_t N>
inline std::string field_text(const char (&field)[N]) {
    return std::string(field_view(field));
}

// Walks the tokens of text separated by runs of any of the separator
// characters; empty tokens are never produced.
class Tokens {
  public:
    Tokens(std::string_view text, std::string_view separators) : rest_(text), seps_(separators) {}

    bool next(std::string_view &token) {
        size_t start = rest_.find_first_not_of(seps_);
        if (start == std::string_view::npos) {
            rest_ = {};
            return false;
        }
        rest_.remove_prefix(start);
        size_t end = rest_.find_first_of(seps_);
        if (end == std::string_view::npos) end = rest_.size();
        token = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return true;
    }

  private:
    std::string_view rest_;
    std::string_view seps_;
};

// Letter case is folded for the ASCII letters alone, whatever the locale:
// tags, attribute names, scheme and domain names are ASCII, and a byte of
// UTF-8 text must never compare equal to another.

// Returns c with an ASCII capital made small; any other byte as it is.
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Returns text with its ASCII capitals made small.
inline std::string ascii_lowercase(std::string_view text) {
    std::string out(text);
    for (char &c : out) c = ascii_lower(c);
    return out;
}

// Returns true when a and b differ at most in the case of ASCII letters.
inline bool equals_ignore_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

// Returns true when text begins with prefix, letter case aside.
inline bool starts_with_ignore_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equals_ignore_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace qor
