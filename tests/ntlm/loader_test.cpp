// Loading the provider and the check's handling of what it answers,
// against test providers that miss entry points or fail on purpose.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fake_provider.h"
#include "ntlm/logon_check.h"
#include "ntlm/sspi_provider.h"
#include "qorldap9.h"
#include "platform/component_path.h"
#include "platform/heap.h"
#include "platform/version.h"
#include "seam_guard.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

std::string provider_file(const char *variant) {
    return std::string(FAKE_PROVIDERS_DIR) + "/" + variant + "/libqorsspi.so";
}

bool is_loaded(const std::string &file) {
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module != nullptr) dlclose(module);
    return module != nullptr;
}

bool all_null(const qor::SspiTable &table) {
    qor::SspiTable empty{};
    return std::memcmp(&table, &empty, sizeof table) == 0;
}

// Points the library at one test provider, held open here so that its
// settings and counters survive the check's own unload.
class FakeProvider : public testing::Test {
  protected:
    void use(const char *variant, FakeConfig config = base()) {
        if (held_ != nullptr) dlclose(held_);
        dir_ = std::string(FAKE_PROVIDERS_DIR) + "/" + variant;
        qor::platform::set_component_dir_for_testing(dir_.c_str());
        held_ = dlopen(provider_file(variant).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(held_, nullptr) << dlerror();
        auto configure = reinterpret_cast<FakeConfigureFn>(dlsym(held_, "fake_configure"));
        ASSERT_NE(configure, nullptr);
        configure(&config);
    }
    FakeStats stats() {
        FakeStats s{};
        reinterpret_cast<FakeStatsFn>(dlsym(held_, "fake_stats"))(&s);
        return s;
    }
    static FakeConfig base() { return {kFakeNone, 0, kFakeNone, SEC_E_OK, 0, 64, kFakeNone}; }
    static FakeConfig failing(int step, SECURITY_STATUS status) {
        FakeConfig c = base();
        c.fail_step = step;
        c.fail_status = status;
        return c;
    }
    static std::pair<int, std::string> check(const char *domain, const char *user, const char *password) {
        CaptureStderr();
        int verdict = qor::ntlm_logon_check(domain, user, password);
        return {verdict, GetCapturedStderr()};
    }
    void TearDown() override {
        if (held_ != nullptr) dlclose(held_);
    }

    SeamGuard seams_;
    std::string dir_;
    void *held_ = nullptr;
};

TEST(ProviderName, OnlyWindowsNt4UsesSecurityDll) {
    OSVERSIONINFOA v{};
    v.dwPlatformId = VER_PLATFORM_WIN32_NT;
    v.dwMajorVersion = 4;
    EXPECT_STREQ(qor::sspi_provider_name(v), "security.dll");
    v.dwMinorVersion = 10;
    EXPECT_STREQ(qor::sspi_provider_name(v), "secur32.dll");
    v.dwMajorVersion = 3, v.dwMinorVersion = 51;
    EXPECT_STREQ(qor::sspi_provider_name(v), "secur32.dll");
    v.dwMajorVersion = 5, v.dwMinorVersion = 0;
    EXPECT_STREQ(qor::sspi_provider_name(v), "secur32.dll");
    v.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS, v.dwMajorVersion = 4, v.dwMinorVersion = 0;  // Windows 95
    EXPECT_STREQ(qor::sspi_provider_name(v), "secur32.dll");
    v.dwPlatformId = qor::platform::kPlatformPosix;
    EXPECT_STREQ(qor::sspi_provider_name(v), "secur32.dll");
}

TEST_F(FakeProvider, ProviderWithoutCompleteAuthTokenLoads) {
    use("no_complete");
    qor::SspiTable table{};
    qor::platform::Module module = qor::sspi_load_provider(&table);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(table.CompleteAuthToken, nullptr);
    EXPECT_NE(table.QuerySecurityPackageInfoA, nullptr);
    qor::sspi_unload_provider(&table, module);
    EXPECT_TRUE(all_null(table));
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(1, std::string()));
}

TEST_F(FakeProvider, MissingRequiredEntryPointReleasesTheLibrary) {
    for (const char *variant : {"no_accept", "no_query"}) {
        SCOPED_TRACE(variant);
        qor::platform::set_component_dir_for_testing((std::string(FAKE_PROVIDERS_DIR) + "/" + variant).c_str());
        qor::SspiTable table{};
        EXPECT_EQ(qor::sspi_load_provider(&table), nullptr);
        EXPECT_TRUE(all_null(table));
        EXPECT_FALSE(is_loaded(provider_file(variant)));
        EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(0, std::string()));
        EXPECT_FALSE(is_loaded(provider_file(variant)));
    }
}

TEST_F(FakeProvider, MissingProviderIsZeroAndSilent) {
    qor::platform::set_component_dir_for_testing("/nonexistent");
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(0, std::string()));
}

TEST_F(FakeProvider, VerdictAndCleanupOnSuccess) {
    use("full");
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(1, std::string()));
    FakeStats s = stats();
    EXPECT_EQ(s.outbound_acquires, 1);
    EXPECT_EQ(s.inbound_acquires, 1);
    EXPECT_EQ(s.live_credentials, 0);
    EXPECT_EQ(s.live_contexts, 0);
    EXPECT_EQ(s.package_infos_live, 0);
    EXPECT_EQ(s.last_identity_flags, static_cast<SEC_ULONG>(SEC_WINNT_AUTH_IDENTITY_ANSI));
    EXPECT_EQ(s.last_user_length, 5u);
    EXPECT_EQ(s.last_password_length, sizeof FAKE_RIGHT_PASSWORD - 1);
    EXPECT_EQ(s.last_domain_length, 4u);
}

// The profile's whole DNS domain goes to the provider, which alone knows
// which domain it names; a first label (ad) could name another domain.
TEST_F(FakeProvider, ProfileDomainGoesWhole) {
    use("full");
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, "127.0.0.1:1");
    LDC_setBaseDNEx(&r, "dc=ad,dc=partner,dc=com");
    LDC_setmbFlags(&r, LDC_MB_AD | LDC_MB_INTEGRATED);
    CaptureStderr();
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "alice", FAKE_RIGHT_PASSWORD), 0);
    EXPECT_EQ(stats().last_domain_length, sizeof "ad.partner.com" - 1);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, "PARTNER\\alice", FAKE_RIGHT_PASSWORD), 0);
    EXPECT_EQ(stats().last_domain_length, sizeof "PARTNER" - 1);
    GetCapturedStderr();
}

TEST_F(FakeProvider, NullAndEmptyDomainHaveLengthZero) {
    use("full");
    EXPECT_EQ(check(nullptr, "alice", FAKE_RIGHT_PASSWORD).first, 1);
    EXPECT_EQ(stats().last_domain_length, 0u);
    EXPECT_EQ(stats().last_domain_null, 1);
    EXPECT_EQ(check("", "alice", FAKE_RIGHT_PASSWORD).first, 1);
    EXPECT_EQ(stats().last_domain_length, 0u);
    EXPECT_EQ(stats().last_domain_null, 0);
}

TEST_F(FakeProvider, EachFailingStepWritesItsLineAndReleasesEverything) {
    struct Case {
        int step;
        SECURITY_STATUS status;
        const char *line;
        int inbound_acquires;
    } cases[] = {
        {kFakeClientAcquire, SEC_E_NO_CREDENTIALS, "AcquireCredentialsHandle failed with 8009030E\n", 0},
        {kFakeServerAcquire, SEC_E_SECPKG_NOT_FOUND, "AcquireCredentialsHandle failed with 80090305\n", 0},
        {kFakeClientFirst, SEC_E_INTERNAL_ERROR, "InitializeSecurityContext failed with 80090304\n", 0},
        {kFakeServerFirst, SEC_E_INVALID_TOKEN, "AcceptSecurityContext failed with 80090308\n", 1},
        {kFakeClientSecond, SEC_E_INVALID_TOKEN, "InitializeSecurityContext failed with 80090308\n", 1},
        {kFakeServerSecond, SEC_E_LOGON_DENIED, "AcceptSecurityContext failed with 8009030C\n", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        use("full", failing(c.step, c.status));
        EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(0, std::string(c.line)));
        FakeStats s = stats();
        EXPECT_EQ(s.live_credentials, 0);
        EXPECT_EQ(s.live_contexts, 0);
        EXPECT_EQ(s.package_infos_live, 0);
        // A check that fails at its first client step never reaches the server side.
        EXPECT_EQ(s.inbound_acquires, c.inbound_acquires);
    }
}

TEST_F(FakeProvider, WrongPasswordIsZeroWithOneLine) {
    use("full");
    EXPECT_EQ(check("CORP", "alice", "wrong"),
              std::make_pair(0, std::string("AcceptSecurityContext failed with 8009030C\n")));
}

TEST_F(FakeProvider, CompletionRequests) {
    FakeConfig asks = base();
    asks.complete_step = kFakeClientSecond;
    use("full", asks);
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(1, std::string()));
    EXPECT_EQ(stats().completions, 1);

    asks.complete_status = SEC_E_INVALID_TOKEN;
    use("full", asks);
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD),
              std::make_pair(0, std::string("CompleteAuthToken failed with 80090308\n")));
    EXPECT_EQ(stats().live_contexts, 0);

    asks.complete_step = kFakeServerFirst;
    use("no_complete", asks);
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD),
              std::make_pair(0, std::string("CompleteAuthToken not supported.\n")));
    EXPECT_EQ(stats().live_contexts, 0);
    EXPECT_EQ(stats().live_credentials, 0);
}

TEST_F(FakeProvider, FailedPackageQueryIsZero) {
    FakeConfig c = base();
    c.query_fails = 1;
    use("full", c);
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(0, std::string()));
    EXPECT_EQ(stats().outbound_acquires, 0);
    EXPECT_EQ(stats().package_infos_live, 0);
}

TEST_F(FakeProvider, FailedBlockAllocationIsZeroAfterCleanup) {
    use("full");
    for (long successes : {0L, 1L}) {
        SCOPED_TRACE(successes);
        qor::platform::set_heap_alloc_limit_for_testing(successes);
        EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(0, std::string()));
        qor::platform::set_heap_alloc_limit_for_testing(-1);
        FakeStats s = stats();
        EXPECT_EQ(s.outbound_acquires, 0);
        EXPECT_EQ(s.package_infos_live, 0);
    }
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD).first, 1);
}

TEST_F(FakeProvider, TokensLargerThanTheBlockEndTheCheck) {
    FakeConfig tiny = base();
    tiny.max_token = 4;  // smaller than the fake's tokens
    use("full", tiny);
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD),
              std::make_pair(0, std::string("InitializeSecurityContext failed with 80090321\n")));

    // A provider that claims more than the block holds is not believed:
    // the other side would read past the block's end.
    FakeConfig overstating = base();
    overstating.overstate_step = kFakeServerFirst;
    use("full", overstating);
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD),
              std::make_pair(0, std::string("AcceptSecurityContext failed with 80090321\n")));
    EXPECT_EQ(stats().live_contexts, 0);
}

TEST_F(FakeProvider, FailedVersionQueryLoadsNothing) {
    use("full");
    qor::platform::set_version_query_for_testing([](OSVERSIONINFOA *) { return false; });
    EXPECT_EQ(check("CORP", "alice", FAKE_RIGHT_PASSWORD), std::make_pair(0, std::string()));
    EXPECT_EQ(stats().outbound_acquires, 0);
}

// Each check keeps its own entry points: one check's end never clears
// what another is still calling.
TEST_F(FakeProvider, OverlappingChecks) {
    use("full");
    std::atomic<int> wrong{0};
    CaptureStderr();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                bool right = (i + t) % 3 != 0;
                int verdict = qor::ntlm_logon_check("CORP", "alice", right ? FAKE_RIGHT_PASSWORD : "no");
                if (verdict != (right ? 1 : 0)) ++wrong;
            }
        });
    for (auto &thread : threads) thread.join();
    GetCapturedStderr();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(stats().live_contexts, 0);
    EXPECT_EQ(stats().live_credentials, 0);
}

}  // namespace
