// Feeds arbitrary text to the unsealing of stored bind passwords: it must
// stay within its areas, and whatever it accepts must seal back to a text
// that unseals to the same password.
#include <cstdint>
#include <cstring>
#include <string>

#include "store/seal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.c_str();  // stop at the first NUL, as stored strings do
    char password[qor::kSealMaxPassword + 1];
    if (qor::unseal_password(text.c_str(), password, sizeof password) != 0) {
        if (password[0] != '\0') __builtin_trap();
        return 0;
    }
    if (strnlen(password, sizeof password) >= sizeof password) __builtin_trap();
    char sealed[qor::kSealedTextSize];
    if (qor::seal_password(password, sealed, sizeof sealed) != 0) return 0;
    char again[qor::kSealMaxPassword + 1];
    if (qor::unseal_password(sealed, again, sizeof again) != 0 || strcmp(again, password) != 0) __builtin_trap();
    return 0;
}
