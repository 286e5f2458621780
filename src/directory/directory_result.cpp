#include "directory/directory_result.h"

#include <string>

#include "directory/outcome_reason.h"

namespace qor {

DirectoryResult step_result(int32_t step, int code, LDAP *ld, const platform::PasswordPolicy *policy) {
    DirectoryResult result;
    result.code = code;
    std::string text = platform::diagnostic(ld);
    DecodedReason d = decode_reason(step, code, text, policy != nullptr ? *policy : platform::PasswordPolicy{},
                                    platform::uses_tls(ld));
    result.step = d.step;
    result.reason = d.reason;
    result.value = d.value;
    result.text.assign(text.data(), text.size());
    secure_clear(text);  // it may quote a password
    return result;
}

DirectoryResult text_result(int32_t step, int code, std::string_view text) {
    DecodedReason d = decode_reason(step, code, text, platform::PasswordPolicy{}, false);
    DirectoryResult result = known_result(d.step, code, d.reason, d.value);
    result.text.assign(text.data(), text.size());
    return result;
}

DirectoryResult known_result(int32_t step, int code, int32_t reason, int32_t value) {
    DirectoryResult result;
    result.step = step;
    result.code = code;
    result.reason = reason;
    result.value = value;
    return result;
}

bool unanswered(int code) {
    return code == platform::kServerDown || code == platform::kTimeout || code == platform::kConnectError;
}

bool unanswered(const DirectoryResult &result) { return !result.from_server && unanswered(result.code); }

}  // namespace qor
