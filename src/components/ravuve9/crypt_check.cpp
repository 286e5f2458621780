// "{crypt}" text: a hash in the system crypt(3) format, which carries its
// own algorithm and salt; hashing the candidate with it as the setting must
// give the same text back.
#include <crypt.h>

#include <cstdlib>
#include <cstring>

#include "checks.h"
#include "util/constant_time.h"
#include "util/secret.h"

namespace ravuve9 {

bool crypt_matches(const char *candidate, const char *text, size_t length) {
    // crypt_rn keeps all its state in the caller's buffer, so concurrent
    // checks do not meet. The buffer is large; keep it off the stack.
    auto *data = static_cast<crypt_data *>(calloc(1, sizeof(crypt_data)));
    if (data == nullptr) return false;
    bool match = false;
    // Null on an unknown or malformed setting; the failure tokens ("*0",
    // "*1") never equal a stored hash of ours either.
    const char *hashed = crypt_rn(candidate, text, data, static_cast<int>(sizeof(crypt_data)));
    if (hashed != nullptr && hashed[0] != '*') match = qor::equal_constant_time(hashed, strlen(hashed), text, length);
    // The buffer held the candidate and state derived from it.
    qor::secure_clear(data, sizeof(crypt_data));
    free(data);
    return match;
}

}  // namespace ravuve9
