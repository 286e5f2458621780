#include "directory/unicode_pwd.h"

#include <cstring>

#include "util/utf8.h"

namespace qor {

Secret unicode_pwd_value(const char *password) {
    Secret quoted;
    quoted.reserve(strlen(password) + 2);
    quoted += '"';
    quoted += password;
    quoted += '"';
    // Two bytes for each byte of the text at most, so the value is never
    // moved while it grows.
    Secret out;
    out.reserve(quoted.size() * 2);
    if (utf8_to_utf16le(quoted.view(), out)) return out;
    out.clear();
    for (char c : quoted) append_utf16le_unit(out, static_cast<unsigned char>(c));
    return out;
}

}  // namespace qor
