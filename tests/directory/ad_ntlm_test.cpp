// The NTLM logon check (Active Directory profiles with integrated bind)
// through the domain controller's own winbind. The DC's NetBIOS domain
// (CORP) is not the first label of its DNS name (ad.example.test).
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ntlm_user_file.h"
#include "platform/component_path.h"
#include "qorldap9.h"
#include "samba_ad.h"

namespace {

int logon_check(const qor_test::SambaAd &ad, const std::string &user, const std::string &password) {
    LDAP_Config r = ad.profile(0x42, false);
    return ldap_verifyPasswdEx(&r, user.c_str(), password.c_str());
}

std::string file_text(const std::string &path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(AdNtlm, DomainOfTheBaseIsResolvedToWhatWinbindKnows) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(logon_check(*ad, ad->user("PLAIN"), ad->password("PLAIN")), 0);
    EXPECT_EQ(logon_check(*ad, ad->dn("PLAIN"), ad->password("PLAIN")), 0);
    EXPECT_EQ(logon_check(*ad, ad->user("NONASCII"), ad->password("NONASCII")), 0);
    EXPECT_EQ(logon_check(*ad, ad->user("PLAIN"), ad->password("PLAIN") + "x"), 7020);
}

TEST(AdNtlm, LogonNameForms) {
    QOR_REQUIRE_SAMBA_AD(ad);
    EXPECT_EQ(logon_check(*ad, ad->down_level("PLAIN"), ad->password("PLAIN")), 0);
    EXPECT_EQ(logon_check(*ad, ad->upn("PLAIN"), ad->password("PLAIN")), 0);
    EXPECT_EQ(logon_check(*ad, ad->down_level("PLAIN"), ad->password("PLAIN") + "x"), 7020);
}

// A user file in winbind's place: its line CORP\\alice serves every form
// of the name, as winbind would (the file's password, not the DC's).
TEST(AdNtlm, UserFileLineServesEveryNameForm) {
    QOR_REQUIRE_SAMBA_AD(ad);
    NtlmUserFile users;
    users.add(ad->down_level("PLAIN"), "File-Pass-1");
    use_ntlm_user_file(users.path());
    for (const std::string &user : {ad->user("PLAIN"), ad->upn("PLAIN"), ad->dn("PLAIN"), ad->down_level("PLAIN")}) {
        EXPECT_EQ(logon_check(*ad, user, "File-Pass-1"), 0) << user;
        EXPECT_EQ(logon_check(*ad, user, ad->password("PLAIN")), 7020) << user;
    }
    unsetenv("QORSSPI_USER_FILE");
}

// The DC logs every logon winbind judges: none for a user nobody asked
// about, such as a throwaway logon before the first real one.
TEST(AdNtlm, NoLogonBeyondTheOnesAskedFor) {
    QOR_REQUIRE_SAMBA_AD(ad);
    ASSERT_EQ(logon_check(*ad, ad->down_level("PLAIN"), ad->password("PLAIN")), 0);
    std::string log = file_text(ad->get("SAMBA_AD_AUTH_LOG"));
    ASSERT_NE(log.find("[" + ad->user("PLAIN") + "]"), std::string::npos) << "no logon in the DC's log";
    EXPECT_EQ(log.find("qorsspi-warm-up"), std::string::npos);
}

// Winbind's privileged pipe is root's (and group winbindd_priv's): any
// other caller gets 7020 and one line on standard error, nothing else.
TEST(AdNtlm, CallerWithoutWinbindRightsIsRefusedWithOneLine) {
    QOR_REQUIRE_SAMBA_AD(ad);
    if (getuid() != 0) GTEST_SKIP() << "needs root to run a check as another user";
    // The provider goes into a folder of its own that nobody may enter:
    // the build tree may lie in one closed to other users.
    char folder[] = "/tmp/qorldap9-provider-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string copy = std::string(folder) + "/libqorsspi.so";
    ASSERT_EQ(std::system(("chmod 755 " + std::string(folder) + " && cp '" QORSSPI_PATH "' " + copy).c_str()), 0);
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(err[0]);
        dup2(err[1], STDERR_FILENO);
        qor::platform::set_component_dir_for_testing(folder);
        const uid_t nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(2);
        _exit(logon_check(*ad, ad->user("PLAIN"), ad->password("PLAIN")) == 7020 ? 0 : 1);
    }
    close(err[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(err[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    close(err[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::system(("rm -rf " + std::string(folder)).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the check did not answer 7020";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_EQ(text.find(ad->password("PLAIN")), std::string::npos);
}
