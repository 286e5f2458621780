// The logon check end to end: the library loads the real provider, which
// runs gss-ntlmssp against a user file written here.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ntlm/logon_check.h"
#include "ntlm_user_file.h"
#include "platform/version.h"
#include "seam_guard.h"

using qor::ntlm_logon_check;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

const std::string kDenied = "AcceptSecurityContext failed with 8009030C\n";
const std::string kRefused = "AcquireCredentialsHandle failed with 8009035D\n";

class LogonCheck : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        file_ = new NtlmUserFile;
        file_->add("CORP\\alice", "Wonder land1");
        file_->add("CORP\\bob", "");
        file_->add("OTHER\\alice", "other-pass");
        file_->add("CORP\\j\xC3\xBCrgen", "p\xC3\xA4ss");
        file_->add("carol@corp.example", "upn-pass");
        // The NT hash of "Secret1!", computed elsewhere.
        file_->add_line(
            "CORP\\dave:0:XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX:2B0FD3FACA9A8ACD5FDFFF6ECAE2C207:[U          "
            "]:LCT-00000000:");
        use_ntlm_user_file(file_->path());
    }
    static void TearDownTestSuite() {
        delete file_;
        file_ = nullptr;
    }
    SeamGuard seams_;

    // The verdict (1 logged on, 0 not) with what the check wrote to
    // standard error.
    static std::pair<int, std::string> check(const char *domain, const char *user, const char *password) {
        CaptureStderr();
        int verdict = ntlm_logon_check(domain, user, password) ? 1 : 0;
        return {verdict, GetCapturedStderr()};
    }

    static NtlmUserFile *file_;
};
NtlmUserFile *LogonCheck::file_ = nullptr;

TEST_F(LogonCheck, RightPasswordIsExactlyOneAndSilent) {
    EXPECT_EQ(check("CORP", "alice", "Wonder land1"), std::make_pair(1, std::string()));
    EXPECT_EQ(check("CORP", "dave", "Secret1!"), std::make_pair(1, std::string()));
    EXPECT_EQ(check("OTHER", "alice", "other-pass"), std::make_pair(1, std::string()));
    EXPECT_EQ(check("CORP", "bob", ""), std::make_pair(1, std::string()));
}

TEST_F(LogonCheck, WrongPasswordIsZeroWithOneLine) {
    EXPECT_EQ(check("CORP", "alice", "Wonder land2"), std::make_pair(0, kDenied));
    EXPECT_EQ(check("CORP", "alice", "wonder land1"), std::make_pair(0, kDenied));
    EXPECT_EQ(check("CORP", "alice", ""), std::make_pair(0, kDenied));
    EXPECT_EQ(check("CORP", "dave", "Secret1"), std::make_pair(0, kDenied));
    EXPECT_EQ(check("OTHER", "alice", "Wonder land1"), std::make_pair(0, kDenied));
}

TEST_F(LogonCheck, UnknownUsersAndDomainsLookLikeWrongPasswords) {
    EXPECT_EQ(check("CORP", "nobody", "Wonder land1"), std::make_pair(0, kDenied));
    EXPECT_EQ(check("NOPE", "alice", "Wonder land1"), std::make_pair(0, kDenied));
}

TEST_F(LogonCheck, DomainSpellingAndForms) {
    EXPECT_EQ(check("corp", "alice", "Wonder land1").first, 1);  // domains compare upper-cased
    EXPECT_EQ(check("CORP", "ALICE", "Wonder land1").first, 1);  // user names without case
    EXPECT_EQ(check(nullptr, "CORP\\alice", "Wonder land1").first, 1);
    EXPECT_EQ(check("CORP", "CORP\\alice", "Wonder land1"), std::make_pair(0, kRefused));
}

TEST_F(LogonCheck, NullAndEmptyDomainMatchTheFirstLineOfTheUser) {
    EXPECT_EQ(check(nullptr, "alice", "Wonder land1").first, 1);
    EXPECT_EQ(check("", "alice", "Wonder land1").first, 1);
    // The first line for alice is CORP's: OTHER's password does not count.
    EXPECT_EQ(check(nullptr, "alice", "other-pass").first, 0);
    EXPECT_EQ(check("", "alice", "other-pass").first, 0);
}

TEST_F(LogonCheck, NonAsciiUserAndPassword) {
    EXPECT_EQ(check("CORP", "j\xC3\xBCrgen", "p\xC3\xA4ss").first, 1);
    EXPECT_EQ(check("CORP", "J\xC3\x9CRGEN", "p\xC3\xA4ss").first, 1);
    EXPECT_EQ(check("CORP", "j\xC3\xBCrgen", "pass").first, 0);
}

TEST_F(LogonCheck, AtSignStaysPartOfTheUserName) {
    EXPECT_EQ(check(nullptr, "carol@corp.example", "upn-pass").first, 1);
    EXPECT_EQ(check(nullptr, "carol@corp.example", "upn-pas").first, 0);
}

TEST_F(LogonCheck, NamesTheMechanismCannotHashSafelyAreRefused) {
    std::string user(300, 'u'), domain(300, 'D');
    EXPECT_EQ(check(domain.c_str(), user.c_str(), "x"), std::make_pair(0, kRefused));
    std::string wide;  // 200 bytes of two-byte characters: up to 600 once upper-cased
    for (int i = 0; i < 100; ++i) wide += "\xCE\x90";
    EXPECT_EQ(check(nullptr, wide.c_str(), "x"), std::make_pair(0, kRefused));
}

TEST_F(LogonCheck, MalformedUtf8PasswordIsRefused) {
    EXPECT_EQ(check("CORP", "alice", "\xC0\xAF"), std::make_pair(0, kRefused));          // overlong
    EXPECT_EQ(check("CORP", "alice", "\xED\xA0\x80"), std::make_pair(0, kRefused));      // surrogate
    EXPECT_EQ(check("CORP", "alice", "\xF4\x90\x80\x80"), std::make_pair(0, kRefused));  // > U+10FFFF
}

bool nt4(OSVERSIONINFOA *info) {
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 0;
    return true;
}
bool no_version(OSVERSIONINFOA *) { return false; }

TEST_F(LogonCheck, WindowsNt4LoadsTheProviderUnderItsOtherName) {
    qor::platform::set_version_query_for_testing(nt4);
    EXPECT_EQ(check("CORP", "alice", "Wonder land1"), std::make_pair(1, std::string()));
    EXPECT_EQ(check("CORP", "alice", "wrong"), std::make_pair(0, kDenied));
}

TEST_F(LogonCheck, FailedVersionQueryIsZeroAndSilent) {
    qor::platform::set_version_query_for_testing(no_version);
    EXPECT_EQ(check("CORP", "alice", "Wonder land1"), std::make_pair(0, std::string()));
}

TEST_F(LogonCheck, MissingUserFileDeniesEveryone) {
    setenv("QORSSPI_USER_FILE", (file_->path() + ".missing").c_str(), 1);
    auto result = check("CORP", "alice", "Wonder land1");
    use_ntlm_user_file(file_->path());
    EXPECT_EQ(result.first, 0);
}

TEST_F(LogonCheck, ConcurrentChecksGiveEveryVerdictRight) {
    constexpr int kThreads = 6, kChecks = 60;
    std::atomic<int> wrong_verdicts{0}, failures{0};
    CaptureStderr();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kChecks; ++i) {
                int kind = (t + i) % 4;
                int verdict = kind == 0   ? ntlm_logon_check("CORP", "alice", "Wonder land1")
                              : kind == 1 ? ntlm_logon_check("CORP", "alice", "Wonder land9")
                              : kind == 2 ? ntlm_logon_check("CORP", "j\xC3\xBCrgen", "p\xC3\xA4ss")
                                          : ntlm_logon_check("CORP", "nobody", "x");
                int expected = (kind == 0 || kind == 2) ? 1 : 0;
                if (verdict != expected) ++wrong_verdicts;
                if (expected == 0) ++failures;
            }
        });
    }
    for (auto &thread : threads) thread.join();
    std::string err = GetCapturedStderr();
    EXPECT_EQ(wrong_verdicts.load(), 0);
    size_t lines = 0;
    for (size_t at = err.find(kDenied); at != std::string::npos; at = err.find(kDenied, at + 1)) ++lines;
    EXPECT_EQ(lines, static_cast<size_t>(failures.load()));
    EXPECT_EQ(err.size(), lines * kDenied.size());
}

// Run under the leak checker: every check releases what it obtained.
TEST_F(LogonCheck, RepeatedChecksHoldNothing) {
    CaptureStderr();
    int ones = 0;
    for (int i = 0; i < 150; ++i) {
        ones += ntlm_logon_check("CORP", "alice", i % 2 ? "Wonder land1" : "nope");
        ones += ntlm_logon_check(nullptr, std::string(300, 'x').c_str(), "x");
    }
    GetCapturedStderr();
    EXPECT_EQ(ones, 75);
}

}  // namespace
