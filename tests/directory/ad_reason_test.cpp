// Why checks and changes fail against the real domain controller: the
// export's code stays what it was, the record tells the account's state.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "qorldap9.h"
#include "samba_ad.h"
#include "temp_registry.h"

namespace {

struct State {
    const char *role;
    int32_t reason;
    const char *data;  // the DC's sub-code in its diagnostic text
};

const State kStates[] = {
    {"DISABLED", LDC_REASON_ACCOUNT_DISABLED, "data 533"},  {"MUSTCHANGE", LDC_REASON_MUST_CHANGE, "data 773"},
    {"PWEXPIRED", LDC_REASON_PASSWORD_EXPIRED, "data 532"}, {"ACCTEXPIRED", LDC_REASON_ACCOUNT_EXPIRED, "data 701"},
    {"LOCKED", LDC_REASON_LOCKED_OUT, "data 775"},
};

// What the qorldap tool tells a person about each state.
const std::pair<const char *, const char *> kSentences[] = {
    {"DISABLED", "refused — the account is disabled (AD 533)"},
    {"MUSTCHANGE", "refused — the password must be changed at the next logon (AD 773)"},
    {"PWEXPIRED", "refused — the password has expired (AD 532)"},
    {"ACCTEXPIRED", "refused — the account has expired (AD 701)"},
    {"LOCKED", "refused — the account is locked after too many failed logons (AD 775)"},
};

std::string last_diagnostic() {
    char text[1024];
    return LDC_lastDiagnosticEx(text, sizeof text) ? text : "<cut>";
}

TEST(AdReason, EachAccountStateIsToldWithTheSameCode) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(LDC_MB_AD | LDC_MB_SIMPLE, true);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, ad->user("PLAIN").c_str(), "Alice-Wrong1"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_INVALID_CREDENTIALS);
    EXPECT_NE(last_diagnostic().find("data 52e"), std::string::npos) << last_diagnostic();
    for (const State &s : kStates) {
        EXPECT_EQ(ldap_verifyPasswdEx(&r, ad->user(s.role).c_str(), ad->password(s.role).c_str()),
                  LDC_E_PASSWORD_REFUSED)
            << s.role;
        EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_BIND) << s.role;
        EXPECT_EQ(LDC_lastResultEx(), LDAP_INVALID_CREDENTIALS) << s.role;
        EXPECT_EQ(LDC_lastReasonEx(), s.reason) << s.role;
        EXPECT_NE(last_diagnostic().find(s.data), std::string::npos) << last_diagnostic();
    }
}

// The change goes by Kerberos (no bind user); the DC's refusal of the new
// password is told with its reason, and the user stays as it was.
TEST(AdReason, MustChangeUserTryingAChangeIsToldWhy) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(LDC_MB_AD | LDC_MB_SIMPLE, true);
    EXPECT_EQ(ldapPasswordEx(&r, ad->user("MUSTCHANGE").c_str(), ad->password("MUSTCHANGE").c_str(), "Ab1"),
              LDC_E_CHANGE_FAILED);
    EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_KPASSWD);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_TOO_SHORT) << last_diagnostic();
    EXPECT_EQ(ldap_verifyPasswdEx(&r, ad->user("MUSTCHANGE").c_str(), ad->password("MUSTCHANGE").c_str()),
              LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_MUST_CHANGE);
}

TEST(AdReason, PolicyRefusalOfTheNewPasswordIsTold) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(LDC_MB_AD | LDC_MB_SIMPLE, true);
    // Refused, so the user keeps the password other tests rely on.
    EXPECT_EQ(ldapPasswordEx(&r, ad->user("PLAIN").c_str(), ad->password("PLAIN").c_str(), "Ab1"), LDC_E_CHANGE_FAILED);
    EXPECT_EQ(LDC_lastStepEx(), LDC_STEP_MODIFY);
    EXPECT_EQ(LDC_lastResultEx(), LDAP_CONSTRAINT_VIOLATION);
    EXPECT_EQ(last_diagnostic().rfind("0000052D", 0), 0u) << last_diagnostic();
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_TOO_SHORT) << last_diagnostic();
    EXPECT_EQ(LDC_lastReasonValueEx(), 7) << last_diagnostic();  // the domain's default minimum
    EXPECT_EQ(last_diagnostic().find(ad->password("PLAIN")), std::string::npos);
    // The current password again: Samba's "already used (previous password)".
    EXPECT_EQ(
        ldapPasswordEx(&r, ad->user("PLAIN").c_str(), ad->password("PLAIN").c_str(), ad->password("PLAIN").c_str()),
        LDC_E_CHANGE_FAILED);
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_IN_HISTORY) << last_diagnostic();
}

TEST(AdReason, SimpleBindWithoutTlsIsToldToUseTls) {
    QOR_REQUIRE_SAMBA_AD(ad);
    LDAP_Config r = ad->profile(LDC_MB_AD | LDC_MB_SIMPLE, false);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, ad->user("PLAIN").c_str(), ad->password("PLAIN").c_str()),
              LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(LDC_lastResultEx(), 8);  // strongerAuthRequired
    EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_TLS_REQUIRED) << last_diagnostic();
}

// The qorldap tool, run in this program's namespaces with the
// test's own registry; the passwords go through a file on its stdin.
class AdTool : public TempRegistry {
  protected:
    std::string run(const std::string &args, const std::string &input, int *status) {
        std::string in = registry_dir() + "/stdin";
        std::ofstream(in) << input;
        std::string out;
        FILE *pipe = popen(("'" + std::string(tool_) + "' " + args + " < '" + in + "' 2>&1").c_str(), "r");
        if (pipe == nullptr) return "<cannot run the tool>";
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        int raw = pclose(pipe);
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return out;
    }
#ifdef QOR_TOOL_PATH
    const char *tool_ = QOR_TOOL_PATH;
#else
    const char *tool_ = nullptr;
#endif
};

TEST_F(AdTool, TellsEachStateAndThePolicyRefusal) {
    QOR_REQUIRE_SAMBA_AD(ad);
    if (tool_ == nullptr) GTEST_SKIP() << "the qorldap tool is not built (QORLDAP9_TOOLS=OFF)";
    int status = -1;
    run("set ad --ad --simple --ssl 1 --hosts '" + ad->host() + ":636' --base '" + ad->base() + "'", "", &status);
    ASSERT_EQ(status, 0);
    for (const auto &[role, sentence] : kSentences) {
        std::string out = run("check ad '" + ad->user(role) + "' --password-stdin", ad->password(role) + "\n", &status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find(sentence), std::string::npos) << out;
    }
    std::string out =
        run("passwd ad '" + ad->user("PLAIN") + "' --password-stdin", ad->password("PLAIN") + "\nAb1\n", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("the directory refused the new password: the password is too short (7 characters at least)"),
              std::string::npos)
        << out;
    run("set ad --ssl 0 --hosts '" + ad->host() + ":389'", "", &status);
    out = run("check ad '" + ad->user("PLAIN") + "' --password-stdin", ad->password("PLAIN") + "\n", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("the server requires TLS for simple binds (use --ssl 1)"), std::string::npos) << out;
}

}  // namespace
