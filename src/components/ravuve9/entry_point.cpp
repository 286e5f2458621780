// The one export, as on every platform: the stored text decides the check.
#include <cstring>

#include "checks.h"
#include "ravuve9.h"

extern "C" RAVUVE9_API int RAVUVE9_CALL passwd_verify(const char *candidate, const char *stored_text) {
    if (candidate == nullptr || stored_text == nullptr) return 0;
    size_t length = strlen(stored_text);
    if (length == 0) return 0;
    if (ravuve9::looks_like_md5_text(stored_text, length))
        return ravuve9::md5_matches(candidate, stored_text, length) ? 1 : 0;
    if (!ravuve9::crypt_cost_within_caps(stored_text)) return 0;
    return ravuve9::crypt_matches(candidate, stored_text, length) ? 1 : 0;
}
