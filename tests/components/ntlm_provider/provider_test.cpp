// The security provider on its own, through its eight entry points.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "domain_match.h"
#include "ntlm_user_file.h"
#include "platform/sspi.h"

namespace {

class Provider : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        file_ = new NtlmUserFile;
        file_->add("CORP\\alice", "pw");
        file_->add(std::string(256, 'D') + "\\" + std::string(256, 'u'), "long");
        use_ntlm_user_file(file_->path());
        module_ = dlopen(QORSSPI_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
    }
    static void TearDownTestSuite() {
        dlclose(module_);
        delete file_;
    }
    template <class Fn>
    static Fn entry(const char *name) {
        return reinterpret_cast<Fn>(dlsym(module_, name));
    }
    void SetUp() override {
        acquire = entry<ACQUIRE_CREDENTIALS_HANDLE_FN_A>("AcquireCredentialsHandleA");
        initialize = entry<INITIALIZE_SECURITY_CONTEXT_FN_A>("InitializeSecurityContextA");
        accept = entry<ACCEPT_SECURITY_CONTEXT_FN>("AcceptSecurityContext");
        free_credentials = entry<FREE_CREDENTIALS_HANDLE_FN>("FreeCredentialsHandle");
        delete_context = entry<DELETE_SECURITY_CONTEXT_FN>("DeleteSecurityContext");
        query = entry<QUERY_SECURITY_PACKAGE_INFO_FN_A>("QuerySecurityPackageInfoA");
        free_buffer = entry<FREE_CONTEXT_BUFFER_FN>("FreeContextBuffer");
        ASSERT_TRUE(acquire && initialize && accept && free_credentials && delete_context && query && free_buffer);
    }

    SECURITY_STATUS acquire_client(const std::string &domain, const std::string &user, const std::string &password,
                                   CredHandle *cred) {
        SEC_WINNT_AUTH_IDENTITY_A id = {(unsigned char *)user.data(),     (SEC_ULONG)user.size(),
                                        (unsigned char *)domain.data(),   (SEC_ULONG)domain.size(),
                                        (unsigned char *)password.data(), (SEC_ULONG)password.size(),
                                        SEC_WINNT_AUTH_IDENTITY_ANSI};
        return acquire(nullptr, package_, SECPKG_CRED_OUTBOUND, nullptr, &id, nullptr, nullptr, cred, nullptr);
    }

    // The four steps; the last status, or the first failing one.
    SECURITY_STATUS exchange(const std::string &domain, const std::string &user, const std::string &password,
                             SEC_ULONG client_capacity = 2888) {
        CredHandle client{}, server{};
        SECURITY_STATUS status = acquire_client(domain, user, password, &client);
        if (status < 0) return status;
        status = acquire(nullptr, package_, SECPKG_CRED_INBOUND, nullptr, nullptr, nullptr, nullptr, &server, nullptr);
        EXPECT_EQ(status, SEC_E_OK);
        std::string ctoken(2888, '\0'), stoken(2888, '\0');
        SecBuffer cbuf = {client_capacity, SECBUFFER_TOKEN, ctoken.data()};
        SecBuffer sbuf = {2888, SECBUFFER_TOKEN, stoken.data()};
        SecBufferDesc cdesc = {SECBUFFER_VERSION, 1, &cbuf}, sdesc = {SECBUFFER_VERSION, 1, &sbuf};
        CtxtHandle cctx{}, sctx{};
        bool have_cctx = false, have_sctx = false;
        SEC_ULONG attrs = 0;
        status = initialize(&client, nullptr, nullptr, 0, 0, SECURITY_NATIVE_DREP, nullptr, 0, &cctx, &cdesc, &attrs,
                            nullptr);
        if (status >= 0) {
            have_cctx = true;
            EXPECT_EQ(status, SEC_I_CONTINUE_NEEDED);
            status = accept(&server, nullptr, &cdesc, 0, SECURITY_NATIVE_DREP, &sctx, &sdesc, &attrs, nullptr);
        }
        if (status >= 0) {
            have_sctx = true;
            EXPECT_EQ(status, SEC_I_CONTINUE_NEEDED);
            cbuf.cbBuffer = client_capacity;
            status = initialize(&client, &cctx, nullptr, 0, 0, SECURITY_NATIVE_DREP, &sdesc, 0, &cctx, &cdesc, &attrs,
                                nullptr);
        }
        if (status >= 0) {
            EXPECT_EQ(status, SEC_E_OK);
            EXPECT_LE(cbuf.cbBuffer, 2888u);
            sbuf.cbBuffer = 2888;
            status = accept(&server, &sctx, &cdesc, 0, SECURITY_NATIVE_DREP, &sctx, &sdesc, &attrs, nullptr);
        }
        if (have_cctx) {
            EXPECT_EQ(delete_context(&cctx), SEC_E_OK);
        }
        if (have_sctx) {
            EXPECT_EQ(delete_context(&sctx), SEC_E_OK);
        }
        EXPECT_EQ(free_credentials(&client), SEC_E_OK);
        EXPECT_EQ(free_credentials(&server), SEC_E_OK);
        return status;
    }

    static NtlmUserFile *file_;
    static void *module_;
    char package_[5] = "NTLM";
    ACQUIRE_CREDENTIALS_HANDLE_FN_A acquire;
    INITIALIZE_SECURITY_CONTEXT_FN_A initialize;
    ACCEPT_SECURITY_CONTEXT_FN accept;
    FREE_CREDENTIALS_HANDLE_FN free_credentials;
    DELETE_SECURITY_CONTEXT_FN delete_context;
    QUERY_SECURITY_PACKAGE_INFO_FN_A query;
    FREE_CONTEXT_BUFFER_FN free_buffer;
};
NtlmUserFile *Provider::file_ = nullptr;
void *Provider::module_ = nullptr;

TEST_F(Provider, PackageInformation) {
    PSecPkgInfoA info = nullptr;
    ASSERT_EQ(query(package_, &info), SEC_E_OK);
    EXPECT_EQ(info->cbMaxToken, 2888u);
    EXPECT_STREQ(info->Name, "NTLM");
    EXPECT_EQ(info->wRPCID, RPC_C_AUTHN_WINNT);
    EXPECT_EQ(free_buffer(info), SEC_E_OK);

    char kerberos[] = "Kerberos";
    EXPECT_EQ(query(kerberos, &info), SEC_E_SECPKG_NOT_FOUND);
    EXPECT_EQ(info, nullptr);
}

TEST_F(Provider, VerdictIsTheSecondAccept) {
    EXPECT_EQ(exchange("CORP", "alice", "pw"), SEC_E_OK);
    EXPECT_EQ(exchange("CORP", "alice", "wrong"), SEC_E_LOGON_DENIED);
    EXPECT_EQ(exchange("CORP", "mallory", "pw"), SEC_E_LOGON_DENIED);
}

TEST_F(Provider, LongestNamesFitTheMaximumToken) {
    EXPECT_EQ(exchange(std::string(256, 'D'), std::string(256, 'u'), "long"), SEC_E_OK);
}

// U+0390 takes two bytes and six once upper-cased: the worst growth there
// is. At the limit the mechanism still hashes the name without harm.
TEST_F(Provider, WorstCaseUpperCasingAtTheLimitIsSafe) {
    std::string growing;
    for (int i = 0; i < 85; ++i) growing += "\xCE\x90";
    EXPECT_EQ(exchange("DO", growing, "x"), SEC_E_LOGON_DENIED);
}

TEST_F(Provider, LengthLimitOnUserAndDomain) {
    CredHandle cred{};
    ASSERT_EQ(acquire_client(std::string(256, 'D'), std::string(256, 'u'), "x", &cred), SEC_E_OK);
    free_credentials(&cred);
    EXPECT_EQ(acquire_client(std::string(256, 'D'), std::string(257, 'u'), "x", &cred), SEC_E_INVALID_PARAMETER);
    std::string two_byte;  // 170 bytes; three times that is within the limit
    for (int i = 0; i < 85; ++i) two_byte += "\xC3\xA9";
    ASSERT_EQ(acquire_client("", two_byte, "x", &cred), SEC_E_OK);
    free_credentials(&cred);
    EXPECT_EQ(acquire_client("", two_byte + "\xC3\xA9", "x", &cred), SEC_E_INVALID_PARAMETER);
}

TEST_F(Provider, MalformedIdentitiesAreRefused) {
    CredHandle cred{};
    EXPECT_EQ(acquire_client("CORP", "", "x", &cred), SEC_E_NO_CREDENTIALS);
    EXPECT_EQ(acquire_client("CORP", std::string("al\0ce", 5), "x", &cred), SEC_E_INVALID_PARAMETER);
    EXPECT_EQ(acquire_client("CO\xFFRP", "alice", "x", &cred), SEC_E_INVALID_PARAMETER);
    EXPECT_EQ(acquire(nullptr, package_, SECPKG_CRED_OUTBOUND, nullptr, nullptr, nullptr, nullptr, &cred, nullptr),
              SEC_E_NO_CREDENTIALS);
    char negotiate[] = "Negotiate";
    EXPECT_EQ(acquire(nullptr, negotiate, SECPKG_CRED_INBOUND, nullptr, nullptr, nullptr, nullptr, &cred, nullptr),
              SEC_E_SECPKG_NOT_FOUND);
    EXPECT_EQ(acquire(nullptr, package_, SECPKG_CRED_BOTH, nullptr, nullptr, nullptr, nullptr, &cred, nullptr),
              SEC_E_UNSUPPORTED_FUNCTION);
}

TEST_F(Provider, TokenLargerThanTheBufferFailsCleanly) {
    EXPECT_EQ(exchange("CORP", "alice", "pw", 16), SEC_E_BUFFER_TOO_SMALL);
}

TEST_F(Provider, ForeignHandlesAreRefused) {
    CredHandle bogus = {12345, 678};
    EXPECT_EQ(free_credentials(&bogus), SEC_E_INVALID_HANDLE);
    EXPECT_EQ(delete_context(&bogus), SEC_E_INVALID_HANDLE);
    EXPECT_EQ(free_credentials(nullptr), SEC_E_INVALID_HANDLE);

    CredHandle server{};
    ASSERT_EQ(acquire(nullptr, package_, SECPKG_CRED_INBOUND, nullptr, nullptr, nullptr, nullptr, &server, nullptr),
              SEC_E_OK);
    char token[64];
    SecBuffer buf = {sizeof token, SECBUFFER_TOKEN, token};
    SecBufferDesc desc = {SECBUFFER_VERSION, 1, &buf};
    CtxtHandle ctx{};
    // A server credential cannot start a client context.
    EXPECT_EQ(
        initialize(&server, nullptr, nullptr, 0, 0, SECURITY_NATIVE_DREP, nullptr, 0, &ctx, &desc, nullptr, nullptr),
        SEC_E_INVALID_HANDLE);
    EXPECT_EQ(free_credentials(&server), SEC_E_OK);
}

TEST_F(Provider, WithoutUserFileTheServerSideAsksWinbind) {
    if (access(QORSSPI_DEFAULT_USER_FILE, F_OK) == 0) GTEST_SKIP() << "this host has a user file";
    unsetenv("QORSSPI_USER_FILE");
    // No winbind answers here: the user file's users are unknown, and a
    // domain that names none of winbind's gets no logon at all.
    SECURITY_STATUS status = exchange("", "alice", "pw");
    SECURITY_STATUS named = exchange("CORP", "alice", "pw");
    use_ntlm_user_file(file_->path());
    EXPECT_EQ(status, SEC_E_LOGON_DENIED);
    EXPECT_EQ(named, SEC_E_NO_CREDENTIALS);
}

TEST_F(Provider, WeakProtocolLevelsAreRefused) {
    setenv("LM_COMPAT_LEVEL", "2", 1);
    CredHandle cred{};
    SECURITY_STATUS status = acquire_client("CORP", "alice", "pw", &cred);
    unsetenv("LM_COMPAT_LEVEL");
    EXPECT_EQ(status, SEC_E_UNSUPPORTED_FUNCTION);
}

}  // namespace

// The domains winbind lists, in its order: a logon goes to the one domain
// whose NetBIOS name or whole DNS name it names, never to another that
// merely shares the first DNS label, and nowhere when that is not one.
TEST(DomainMatch, OnlyTheDomainNamedExactly) {
    const std::vector<qorsspi::KnownDomain> trusts = {{"EVIL", "ad.evil.org"}, {"PARTNER", "ad.partner.com"}};
    const struct {
        const char *domain, *netbios;
    } rows[] = {{"ad.partner.com", "PARTNER"},
                {"AD.Partner.COM", "PARTNER"},
                {"partner", "PARTNER"},
                {"ad.evil.org", "EVIL"},
                {"ad", ""},
                {"partner.com", ""},
                {"ad.partner", ""},
                {"", ""}};
    for (const auto &row : rows) EXPECT_EQ(qorsspi::match_domain(row.domain, trusts), row.netbios) << row.domain;
    std::vector<qorsspi::KnownDomain> twice = trusts;
    twice.push_back({"PARTNER", "ad.partner.com"});  // winbind's own domain is listed among the trusts too
    EXPECT_EQ(qorsspi::match_domain("ad.partner.com", twice), "PARTNER");
    twice.push_back({"SHADOW", "ad.partner.com"});
    EXPECT_EQ(qorsspi::match_domain("ad.partner.com", twice), "");
}
