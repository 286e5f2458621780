// The machine store as other local users and set-user-ID programs meet it.
// Each case runs a script as root in a private mount namespace whose
// /var/lib is an empty tmpfs, so the machine store it creates and reads
// is the test's own; setpriv runs the probe program as nobody.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fake_directory.h"

namespace {

class PrivilegedStore : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root: other users, set-user-ID programs, mount namespaces";
        if (std::system("unshare --mount --propagation private true 2>/dev/null") != 0)
            GTEST_SKIP() << "no mount namespaces on this machine";
        char pattern[] = "/tmp/qorldap9-privileged-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    }
    // True when nobody can run the probe where the build put it: a
    // checkout in a folder closed to other users (a private home) is not.
    static bool nobody_runs_the_probe() {
        return std::system("setpriv --reuid=nobody --regid=nogroup --clear-groups env -i '" QOR_STORE_PROBE
                           "' >/dev/null 2>&1; test $? -eq 64") == 0;
    }

    // Set-user-ID and set-group-ID bits have no effect where the test's
    // folder is mounted nosuid.
    bool set_id_bits_ignored() const {
        std::string options;
        FILE *p = popen(("findmnt -no OPTIONS -T '" + dir_ + "'").c_str(), "r");
        char buffer[256] = {0};
        if (p != nullptr) {
            options.assign(buffer, fread(buffer, 1, sizeof buffer - 1, p));
            pclose(p);
        }
        return options.find("nosuid") != std::string::npos;
    }
    void TearDown() override {
        if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    // The exit status of script, with what it printed in out. $P is the
    // probe, $D the test's folder, $NOBODY and $MEMBER run a command as
    // nobody, without and with the qorldap9 group, in an empty environment.
    int in_namespace(const std::string &script, std::string *out = nullptr) {
        const std::string file = dir_ + "/script.sh";
        std::ofstream(file) << "P='" QOR_STORE_PROBE "'\nD='" << dir_
                            << "'\n"
                               "NOBODY='setpriv --reuid=nobody --regid=nogroup --clear-groups env -i'\n"
                               "MEMBER='setpriv --reuid=nobody --regid=nogroup --groups=qorldap9 env -i'\n"
                               "mount -t tmpfs -o mode=755 tmpfs /var/lib || exit 90\n"
                               // A machine without the group gets one in this namespace only.
                               "getent group qorldap9 >/dev/null || { cp /etc/group \"$D/group\" &&"
                               " echo 'qorldap9:x:64999:' >>\"$D/group\" && mount --bind \"$D/group\" /etc/group; }"
                               " || exit 91\n"
                            << script << "\n";
        FILE *p = popen(
            ("unshare --mount --propagation private env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin sh '" + file + "' 2>&1")
                .c_str(),
            "r");
        if (p == nullptr) return -1;
        std::string text;
        char buffer[256];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
        int status = pclose(p);
        if (out != nullptr) *out = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string dir_;
};

}  // namespace

TEST_F(PrivilegedStore, MachineStoreIsForRootAndTheGroupOnly) {
    if (!nobody_runs_the_probe())
        GTEST_SKIP() << "user nobody cannot run " QOR_STORE_PROBE
                        " (the build tree lies in a folder closed to other users)";
    std::string out;
    int status = in_namespace(
        "env -i $P save 1 corp 127.0.0.1 Machine-Secret-4 || exit 10\n"
        "stat -c '%a %U %G' /var/lib/qorldap9 /var/lib/qorldap9/local_machine.db\n"
        "$NOBODY cat /var/lib/qorldap9/local_machine.db >/dev/null 2>&1 && exit 11\n"
        "$NOBODY $P load 1 corp && exit 12\n"
        "$MEMBER $P load 1 corp || exit 13\n"
        "exit 0",
        &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "750 root qorldap9\n640 root qorldap9\n");
}

TEST_F(PrivilegedStore, StoreOthersMayWriteIsRefused) {
    std::string out;
    int status = in_namespace(
        "mkdir /var/lib/qorldap9 && chmod 0777 /var/lib/qorldap9 || exit 90\n"
        "env -i $P save 1 corp 127.0.0.1 pw && exit 20\n"
        "chmod 0750 /var/lib/qorldap9 && env -i $P save 1 corp 127.0.0.1 pw || exit 21\n"
        "chmod 0666 /var/lib/qorldap9/local_machine.db && env -i $P load 1 corp && exit 22\n"
        "exit 0",
        &out);
    EXPECT_EQ(status, 0) << out;
}

// Root's bind password must never go into, nor come from, a store another
// user could read or change: a location from the environment (sudo -E)
// that another user owns, a file of theirs in root's own folder, a shared
// root's folder or file that its group may write.
TEST_F(PrivilegedStore, RootRefusesAStoreAnotherUserOwnsOrItsGroupMayWrite) {
    std::string out;
    int status = in_namespace(
        "mkdir -p \"$D/alice/.config/qorldap9\" \"$D/other\" \"$D/mine\" && chown -R nobody \"$D/alice\" "
        "\"$D/other\" || exit 90\n"
        "touch \"$D/mine/current_user.db\" && chown nobody \"$D/mine/current_user.db\" || exit 90\n"
        "for place in QORLDAP9_REGISTRY_DIR=$D/other HOME=$D/alice XDG_CONFIG_HOME=$D/alice/.config "
        "QORLDAP9_REGISTRY_DIR=$D/mine; do\n"
        "  env -i $place $P save 0 corp 127.0.0.1 Root-Secret-7 && { echo \"saved with $place\"; exit 40; }\n"
        "done\n"
        "[ -z \"$(find \"$D/alice\" \"$D/other\" -type f)\" ] || exit 41\n"
        "mkdir /var/lib/qorldap9 && chgrp qorldap9 /var/lib/qorldap9 && chmod 0770 /var/lib/qorldap9 || exit 90\n"
        "env -i $P save 1 corp 127.0.0.1 pw && exit 42\n"
        "chmod 0750 /var/lib/qorldap9 && env -i $P save 1 corp 127.0.0.1 pw || exit 43\n"
        "chmod 0660 /var/lib/qorldap9/local_machine.db && env -i $P load 1 corp && exit 44\n"
        "exit 0",
        &out);
    EXPECT_EQ(status, 0) << out;
}

// The package's configuration gives stores written before the group
// existed to the group, and never through a link planted in the folder.
TEST_F(PrivilegedStore, PackageConfigurationFollowsNoLink) {
    std::string out;
    int status = in_namespace(
        "mkdir /var/lib/qorldap9 && touch /var/lib/qorldap9/users.db /var/lib/victim || exit 90\n"
        "chown nobody /var/lib/victim && chmod 0600 /var/lib/victim || exit 90\n"
        "ln -s /var/lib/victim /var/lib/qorldap9/local_machine.db || exit 90\n"
        "sh '" QOR_POSTINST
        "' configure || exit 50\n"
        "stat -c '%U:%G %a' /var/lib/victim /var/lib/qorldap9/users.db /var/lib/qorldap9",
        &out);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "nobody:root 600\nroot:qorldap9 640\nroot:qorldap9 750\n");
}

// A set-user-ID program checking passwords through a machine profile, run
// by a user who points the registry at a folder of their own whose
// profile names a directory that accepts any password.
TEST_F(PrivilegedStore, SetUserIdProgramTakesNoLocationFromItsCaller) {
    if (!nobody_runs_the_probe())
        GTEST_SKIP() << "user nobody cannot run " QOR_STORE_PROBE
                        " (the build tree lies in a folder closed to other users)";
    if (set_id_bits_ignored()) GTEST_SKIP() << dir_ << " is mounted nosuid";
    qor_test::FakeDirectory accepting;
    ASSERT_TRUE(accepting.ready());
    std::string out;
    int status = in_namespace(
        "cp $P \"$D/probe\" && chmod 4755 \"$D/probe\" || exit 90\n"
        "mkdir \"$D/own\" && chown nobody \"$D/own\" || exit 90\n"
        "$NOBODY QORLDAP9_REGISTRY_DIR=\"$D/own\" $P save 1 corp " +
            accepting.hosts() +
            " pw || exit 30\n"
            "$NOBODY QORLDAP9_REGISTRY_DIR=\"$D/own\" XDG_CONFIG_HOME=\"$D/own\" "
            "HOME=\"$D/own\" \"$D/probe\" check 1 corp jdoe Wrong-Password-5",
        &out);
    EXPECT_EQ(status, 2) << out;  // no machine profile: the caller's folder was not taken
    EXPECT_EQ(accepting.connections(), 0);
}

// A set-group-ID program (of group qorldap9, as one reading machine
// profiles) checking a password over SSL, run by a user who names a CA of
// their own in LDAPTLS_CACERT or ~/.ldaprc; the server shows a certificate
// of that CA and grants any bind. Only the system configuration
// (/etc/ldap/ldap.conf, replaced in the namespace) may choose the CA.
TEST_F(PrivilegedStore, SetGroupIdProgramTakesNoTlsSettingFromItsCaller) {
    if (!nobody_runs_the_probe())
        GTEST_SKIP() << "user nobody cannot run " QOR_STORE_PROBE
                        " (the build tree lies in a folder closed to other users)";
    if (set_id_bits_ignored()) GTEST_SKIP() << dir_ << " is mounted nosuid";
    const std::string cert = dir_ + "/server.crt", key = dir_ + "/server.key";
    ASSERT_EQ(std::system(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
                           "-subj /CN=127.0.0.1 -keyout '" +
                           key + "' -out '" + cert + "' >/dev/null 2>&1 && chmod 644 '" + cert + "'")
                              .c_str()),
              0);
    qor_test::FakeDirectory granting(qor_test::FakeAnswers(), cert, key);
    ASSERT_TRUE(granting.ready());
    std::string out;
    in_namespace(
        "cp $P \"$D/probe\" && chgrp qorldap9 \"$D/probe\" && chmod 2755 \"$D/probe\" || exit 90\n"
        "env -i $P save 1 corp " +
            granting.hosts() +
            " pw ssl || exit 40\n"
            "mkdir \"$D/own\" && echo \"TLS_CACERT $D/server.crt\" >\"$D/own/.ldaprc\" || exit 90\n"
            ": >\"$D/ldap.conf\" && mount --bind \"$D/ldap.conf\" /etc/ldap/ldap.conf || exit 90\n"
            "$NOBODY LDAPTLS_CACERT=\"$D/server.crt\" \"$D/probe\" check 1 corp jdoe Wrong-5; echo variable $?\n"
            "$NOBODY HOME=\"$D/own\" \"$D/probe\" check 1 corp jdoe Wrong-5; echo ldaprc $?\n"
            "echo \"TLS_CACERT $D/server.crt\" >\"$D/ldap.conf\"\n"
            "$NOBODY \"$D/probe\" check 1 corp jdoe Wrong-5; echo system $?",
        &out);
    EXPECT_EQ(out, "variable 1\nldaprc 1\nsystem 0\n");
}
