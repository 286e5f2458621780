// The NTLM logon check through Wine's own SSPI (secur32.dll, which runs
// ntlm_auth), with the test winbindd checking the answers server-side.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "ntlm/logon_check.h"
#include "ntlm/sspi_provider.h"
#include "platform/version.h"
#include "qorldap9.h"

namespace {

// The winbindd.sh lines, from the Unix path in QOR_NTLM_ENV (set by
// with_winbind.sh only when the daemon is reachable).
std::map<std::string, std::string> ntlm_env() {
    std::map<std::string, std::string> values;
    const char *path = std::getenv("QOR_NTLM_ENV");
    if (path == nullptr) return values;
    std::string p = path;
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    std::ifstream in(p);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

#define QOR_REQUIRE_WINBIND(env) \
    auto env = ntlm_env();       \
    if (env["NTLM_PASSWORD"].empty()) GTEST_SKIP() << "no test winbindd (needs root and winbind)";

TEST(Win32Ntlm, RightPasswordIsValid) {
    QOR_REQUIRE_WINBIND(env);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(
        qor::ntlm_logon_check(env["NTLM_DOMAIN"].c_str(), env["NTLM_USER"].c_str(), env["NTLM_PASSWORD"].c_str()));
    // the server's own name may be left out
    EXPECT_TRUE(qor::ntlm_logon_check(nullptr, env["NTLM_USER"].c_str(), env["NTLM_PASSWORD"].c_str()));
    EXPECT_TRUE(qor::ntlm_logon_check("", env["NTLM_USER"].c_str(), env["NTLM_PASSWORD"].c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Win32Ntlm, WrongPasswordIsDeniedWithOneLine) {
    QOR_REQUIRE_WINBIND(env);
    testing::internal::CaptureStderr();
    std::string wrong = env["NTLM_PASSWORD"] + "x";
    EXPECT_FALSE(qor::ntlm_logon_check(env["NTLM_DOMAIN"].c_str(), env["NTLM_USER"].c_str(), wrong.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "AcceptSecurityContext failed with 8009030C\n");
}

TEST(Win32Ntlm, UnknownUserIsDenied) {
    QOR_REQUIRE_WINBIND(env);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(qor::ntlm_logon_check(env["NTLM_DOMAIN"].c_str(), "nosuchuser", env["NTLM_PASSWORD"].c_str()));
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
}

TEST(Win32Ntlm, IntegratedActiveDirectoryPasswordCheck) {
    QOR_REQUIRE_WINBIND(env);
    // The logon domain is the base's whole DNS domain: the test server, a
    // standalone winbind, knows its own domain by one name only, so the
    // base names just that.
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setHostNamesEx(&r, "127.0.0.1");
    LDC_setBaseDNEx(&r, "dc=testsrv");
    LDC_setmbFlags(&r, LDC_MB_AD | LDC_MB_INTEGRATED);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ldap_verifyPasswdEx(&r, env["NTLM_USER"].c_str(), env["NTLM_PASSWORD"].c_str()), 0);
    std::string dn = "cn=" + env["NTLM_USER"] + ",cn=users,dc=testsrv";
    EXPECT_EQ(ldap_verifyPasswdEx(&r, dn.c_str(), env["NTLM_PASSWORD"].c_str()), 0);
    EXPECT_EQ(ldap_verifyPasswdEx(&r, env["NTLM_USER"].c_str(), "wrong"), LDC_E_PASSWORD_REFUSED);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "AcceptSecurityContext failed with 8009030C\n");
    // another domain is refused by the server
    LDC_setBaseDNEx(&r, "dc=otherdomain,dc=com");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ldap_verifyPasswdEx(&r, env["NTLM_USER"].c_str(), env["NTLM_PASSWORD"].c_str()), LDC_E_PASSWORD_REFUSED);
    testing::internal::GetCapturedStderr();
}

bool pretend_nt4(OSVERSIONINFOA *info) {
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = 4;
    info->dwMinorVersion = 0;
    return true;
}

TEST(Win32Ntlm, BothProviderLibrariesResolveEveryEntryPoint) {
    // Windows NT 4.0 has the provider in security.dll; Wine has both.
    for (bool nt4 : {false, true}) {
        qor::platform::set_version_query_for_testing(nt4 ? pretend_nt4 : nullptr);
        qor::SspiTable table;
        qor::platform::Module module = qor::sspi_load_provider(&table);
        EXPECT_NE(module, nullptr) << (nt4 ? "security.dll" : "secur32.dll");
        EXPECT_NE(table.AcceptSecurityContext, nullptr);
        EXPECT_NE(table.AcquireCredentialsHandleA, nullptr);
        EXPECT_NE(table.InitializeSecurityContextA, nullptr);
        EXPECT_NE(table.QuerySecurityPackageInfoA, nullptr);
        qor::sspi_unload_provider(&table, module);
        EXPECT_EQ(table.AcceptSecurityContext, nullptr);
    }
    qor::platform::set_version_query_for_testing(nullptr);
}

TEST(Win32Ntlm, PlatformVersionIsWindows) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(qor::platform::get_version_ex(&version));
    EXPECT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_GE(version.dwMajorVersion, 5u);
    EXPECT_STREQ(qor::sspi_provider_name(version), "secur32.dll");
    version.dwOSVersionInfoSize = 20;
    EXPECT_FALSE(qor::platform::get_version_ex(&version));
}

}  // namespace
