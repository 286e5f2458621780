// Sealing of stored bind passwords: the password, padded to an even
// length, enciphered with RC5 under the built-in key and written as
// decimal cipher words, each followed by a blank.
#pragma once

#include <cstddef>

#include "qorldap9.h"

namespace qor {

// Longest password sealing takes: what BindPwd holds.
constexpr size_t kSealMaxPassword = LDC_BINDPWD_SIZE - 1;
// Longest padded text: a three-digit count, a comma, the password, a blank.
constexpr size_t kSealMaxWords = 3 + 1 + kSealMaxPassword + 1;
// Room for the longest sealed text: ten digits and a blank per word, and
// the terminator.
constexpr size_t kSealedTextSize = kSealMaxWords * 11 + 1;

// Seals plain into out (limit bytes). Returns true when out holds the
// sealed text (empty for the empty password), false with out empty when
// the password cannot be sealed so that it comes back unchanged or the
// text does not fit.
bool seal_password(const char *plain, char *out, size_t limit);

// Unseals sealed into out (out_size bytes). Returns true when out holds
// the password, false with out empty when the text is not one that
// sealing makes (tampered, corrupted, too many words) or the password does
// not fit.
bool unseal_password(const char *sealed, char *out, size_t out_size);

}  // namespace qor
