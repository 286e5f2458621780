// Feeds arbitrary text to the unsealing of stored bind passwords: it must
// stay within its areas, and whatever it accepts must seal back to a text
// that unseals to the same password. Inputs starting with '!' are taken
// as a password instead, which must seal and come back unchanged.
#include <cstdint>
#include <cstring>
#include <string>

#include "store/seal.h"

namespace {

void round_trip(const char *password) {
    char sealed[qor::kSealedTextSize];
    if (!qor::seal_password(password, sealed, sizeof sealed)) __builtin_trap();
    char back[qor::kSealMaxPassword + 1];
    if (!qor::unseal_password(sealed, back, sizeof back) || strcmp(back, password) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.c_str();  // stop at the first NUL, as stored strings do
    if (!text.empty() && text[0] == '!') {
        round_trip(text.substr(1, qor::kSealMaxPassword).c_str());
        return 0;
    }
    char password[qor::kSealMaxPassword + 1];
    if (!qor::unseal_password(text.c_str(), password, sizeof password)) {
        if (password[0] != '\0') __builtin_trap();
        return 0;
    }
    if (strnlen(password, sizeof password) >= sizeof password) __builtin_trap();
    round_trip(password);
    return 0;
}
