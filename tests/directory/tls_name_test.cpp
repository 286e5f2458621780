// Which names and purposes of a server certificate count: a subjectAltName
// that names other hosts is refused even when the CN names this one; a
// certificate with a CN only is taken on its CN; one whose extended key
// usage leaves out server authentication is refused.
#include <gtest/gtest.h>
#include <ldap.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "fake_directory.h"
#include "qorldap9.h"

namespace {

using qor_test::FakeDirectory;

// A throwaway CA and certificates it signed for 127.0.0.1, made by
// openssl; new sessions trust the CA while the suite runs.
class TlsNames : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/qorldap9-tls-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        dir_ = pattern;
        const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        const std::string sign = "openssl x509 -req -in " + dir_ + "/server.csr -CA " + dir_ + "/ca.crt -CAkey " +
                                 dir_ + "/ca.key -days 2 -set_serial 0x$(openssl rand -hex 8)";
        std::string script =
            "cd " + dir_ + " && openssl req -x509 -new " + key +
            " -keyout ca.key -out ca.crt -days 2 -subj '/CN=Name Test CA'"
            " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign && "
            "openssl req -new " +
            key +
            " -keyout server.key -out server.csr -subj /CN=127.0.0.1 && "
            "echo subjectAltName=DNS:other.example.test > san.ext && echo basicConstraints=CA:FALSE > cn.ext && "
            "echo extendedKeyUsage=clientAuth > client.ext && echo extendedKeyUsage=clientAuth,serverAuth > "
            "server.ext && " +
            sign + " -extfile san.ext -out other-san.crt && " + sign + " -extfile cn.ext -out cn-only.crt && " + sign +
            " -extfile client.ext -out client-only.crt && " + sign + " -extfile server.ext -out client-server.crt";
        if (std::system((script + " >/dev/null 2>&1").c_str()) != 0) return;
        char *current = nullptr;
        ldap_get_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, &current);
        saved_ca_ = current != nullptr ? current : "";
        ldap_memfree(current);
        ready_ = ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, (dir_ + "/ca.crt").c_str()) == LDAP_OPT_SUCCESS;
    }
    static void TearDownTestSuite() {
        ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, saved_ca_.empty() ? nullptr : saved_ca_.c_str());
        if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // A directory that shows the certificate made as name.
    static FakeDirectory behind(const std::string &name) {
        return FakeDirectory(qor_test::FakeAnswers(), dir_ + "/" + name, dir_ + "/server.key");
    }

    // 0 when a credential bind over SSL went through to server.
    static int bind_through(const FakeDirectory &server) {
        LDAP_Config r;
        LDAP_Config_initializeEx(&r);
        LDC_setHostNamesEx(&r, server.hosts().c_str());
        LDC_setSslEx(&r, 1);
        LDC_setmbFlags(&r, LDC_MB_SIMPLE | LDC_MB_POSIX);
        LDC_setBindDNEx(&r, "cn=reader,dc=example,dc=com");
        LDC_setBindPwdEx(&r, kBindPassword);
        return ldap_verifyConfigEx(&r);
    }

    static constexpr const char *kBindPassword = "Reader-Secret-3";
    static std::string dir_;
    static std::string saved_ca_;
    static bool ready_;
};

std::string TlsNames::dir_;
std::string TlsNames::saved_ca_;
bool TlsNames::ready_ = false;

}  // namespace

// Each row: a certificate and whether a credential bind goes through to
// the server showing it.
TEST_F(TlsNames, CertificateNamesAndPurposesDecideTheBind) {
    ASSERT_TRUE(ready_) << "openssl could not make the certificates";
    const struct {
        const char *certificate;
        bool taken;
    } rows[] = {
        {"other-san.crt", false}, {"cn-only.crt", true}, {"client-only.crt", false}, {"client-server.crt", true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.certificate);
        FakeDirectory server = behind(row.certificate);
        if (row.taken) {
            EXPECT_EQ(bind_through(server), 0);
            EXPECT_NE(server.received().find(kBindPassword), std::string::npos);
        } else {
            EXPECT_NE(bind_through(server), 0);
            EXPECT_EQ(LDC_lastReasonEx(), LDC_REASON_TLS_CERTIFICATE);
            EXPECT_EQ(server.received().find(kBindPassword), std::string::npos);
        }
    }
}
