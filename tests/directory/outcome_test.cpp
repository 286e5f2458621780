// Reasons decoded from Active Directory's diagnostic texts (as a Samba
// AD DC words them), and passwords kept out of recorded texts.
#include <gtest/gtest.h>

#include <string>

#include "directory/last_outcome.h"
#include "directory/outcome_reason.h"

namespace {

struct AdText {
    int code;
    const char *text;
    int32_t reason;
    int32_t value;
};

const AdText kAdTexts[] = {
    {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 52e, v1db1",
     LDC_REASON_INVALID_CREDENTIALS, 0},
    {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 533, v1db1",
     LDC_REASON_ACCOUNT_DISABLED, 0},
    {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 773, v1db1",
     LDC_REASON_MUST_CHANGE, 0},
    {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 532, v1db1",
     LDC_REASON_PASSWORD_EXPIRED, 0},
    {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 701, v1db1",
     LDC_REASON_ACCOUNT_EXPIRED, 0},
    {49, "80090308: LdapErr: DSID-0C0903A9, comment: AcceptSecurityContext error, data 775, v1db1",
     LDC_REASON_LOCKED_OUT, 0},
    {19,
     "0000052D: Constraint violation - check_password_restrictions: the password is too short. It should be equal "
     "or longer than 7 characters!",
     LDC_REASON_TOO_SHORT, 7},
    {19, "0000052D: Constraint violation - check_password_restrictions: the password was already used (in history)!",
     LDC_REASON_IN_HISTORY, 0},
    {19,
     "0000052D: Constraint violation - check_password_restrictions: the password was already used (previous "
     "password)!",
     LDC_REASON_IN_HISTORY, 0},
    {19, "0000052D: SvcErr: DSID-031A12D2, problem 5003 (WILL_NOT_PERFORM), data 0", LDC_REASON_POLICY_REFUSED, 0},
    {8, "BindSimple: Transport encryption required.", LDC_REASON_TLS_REQUIRED, 0},
};

TEST(OutcomeReason, ActiveDirectoryTextsAreDecoded) {
    for (const AdText &t : kAdTexts) {
        qor::DecodedReason d = qor::decode_reason(LDC_STEP_BIND, t.code, t.text, {}, true);
        EXPECT_EQ(d.reason, t.reason) << t.text;
        EXPECT_EQ(d.value, t.value) << t.text;
    }
}

// Over TLS GnuTLS's transport errors mean the server is not there; its
// other texts, a refused certificate.
TEST(OutcomeReason, TlsTransportErrorIsAServerDown) {
    const std::pair<const char *, int32_t> texts[] = {
        {"", LDC_REASON_SERVER_DOWN},
        {"Error in the push function.", LDC_REASON_SERVER_DOWN},
        {"Error in the pull function.", LDC_REASON_SERVER_DOWN},
        {"TLS: hostname does not match CN in peer certificate", LDC_REASON_TLS_CERTIFICATE},
        {"The TLS connection was non-properly terminated.", LDC_REASON_SERVER_DOWN},
        {"(unknown error code)", LDC_REASON_TLS_CERTIFICATE},  // an untrusted CA, as measured
    };
    for (const auto &[text, reason] : texts)
        EXPECT_EQ(qor::decode_reason(LDC_STEP_BIND, 81, text, {}, true).reason, reason) << text;
}

TEST(OutcomeReason, PasswordsOfTheRunningCallAreMasked) {
    struct Case {
        const char *first, *second, *text, *masked;
    } cases[] = {
        {"Inner-Pass-2", nullptr, "user Outer-Pass-1 said Inner-Pass-2 twice: Inner-Pass-2",
         "user *** said *** twice: ***"},
        // A new password that holds the old one is masked whole, whichever
        // of the two is named first.
        {"Old-1", "Old-1!New", "new value Old-1!New", "new value ***"},
        {"x", "Old-1", "Old-1", "***"},
    };
    qor::OutcomeSecrets outer("Outer-Pass-1");
    for (const Case &c : cases) {
        qor::OutcomeSecrets inner(c.first, c.second);
        EXPECT_EQ(inner.masked(c.text).view(), c.masked) << c.text;
    }
}

}  // namespace
