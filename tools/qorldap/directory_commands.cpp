// Commands that reach the directory: the configuration and schema checks,
// the password check and the password change.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "commands.h"
#include "reasons.h"
#include "secret_input.h"

namespace qorldap {
namespace {

using qor::Secret;

// Reads a password into s: one line of standard input without a prompt
// when from_stdin, whatever stdin is, else as read_secret does. False (with
// the exit status set) when it could not be read.
bool read_password(Context &ctx, const std::string &prompt, bool from_stdin, Secret &s) {
    std::optional<Secret> line = from_stdin ? read_line() : read_secret(prompt);
    if (!line) {
        ctx.exit_status = ctx.out().input_error("no password given");
        return false;
    }
    s = std::move(*line);
    return true;
}

void wipe_record(LDAP_Config &r) { qor::secure_clear(r.BindPwd, sizeof r.BindPwd); }

bool is_outage(int32_t reason) { return reason == LDC_REASON_SERVER_DOWN || reason == LDC_REASON_TIMEOUT; }

// The CA file LDAPTLS_CACERT names, when that file does not exist: the
// client then cannot set up TLS at all and says only "Local error".
std::optional<std::string> missing_ca_file() {
    const char *file = std::getenv("LDAPTLS_CACERT");
    struct stat st;
    if (file == nullptr || *file == '\0' || ::stat(file, &st) == 0) return std::nullopt;
    return std::string("the CA file ") + file + " (LDAPTLS_CACERT) does not exist";
}

// Reports a directory call's result code with the directory's reason for
// it; done says what a success means.
int report(Context &ctx, const std::string &what, int rc, const std::string &done, Fields f) {
    LastReason why = last_reason();
    for (auto &field : why.fields()) f.push_back(std::move(field));
    Output out = ctx.out();
    if (rc == 0) return out.success(what + ": " + done + (why.sentence.empty() ? "" : " — " + why.sentence), f);
    std::optional<std::string> ca = missing_ca_file();
    if (ca && LDC_lastStepEx() <= LDC_STEP_TLS) return out.refused(what, rc, f, *ca);
    // A change the directory may still apply is no refusal.
    if (LDC_lastReasonEx() == LDC_REASON_OUTCOME_UNKNOWN)
        return out.unreachable(what, rc, f, why.sentence + ": try the new password before changing it again");
    if (is_outage(LDC_lastReasonEx())) return out.unreachable(what, rc, f, "could not reach — " + why.sentence);
    if (why.sentence.empty()) return out.refused(what, rc, f);
    std::string because = why.new_password ? "the directory refused the new password: " : "refused — ";
    return out.refused(what, rc, f, because + why.sentence);
}

// Runs call on the profile. With -v, on one host of its list at a time,
// telling each host and how long it took, until one answers, as the
// library moves on from a host that does not.
int on_profile(Context &ctx, LDAP_Config &r, const std::function<int(LDAP_Config *)> &call) {
    std::vector<std::string> hosts = split_hosts(r.HostNames);
    if (!ctx.verbose || hosts.empty()) return call(&r);
    int rc = 0;
    for (const std::string &host : hosts) {
        LDAP_Config one = r;
        LDC_setHostNamesEx(&one, host.c_str());
        std::cerr << "qorldap: trying " << host << std::endl;
        auto start = std::chrono::steady_clock::now();
        rc = call(&one);
        wipe_record(one);
        std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
        const bool reached = rc == 0 || !is_outage(LDC_lastReasonEx());
        std::cerr << "qorldap: " << host << (reached ? ": answered" : ": could not reach") << " after " << std::fixed
                  << std::setprecision(1) << waited.count() << " s" << std::endl;
        if (reached) break;
    }
    return rc;
}

}  // namespace

void add_directory_commands(CLI::App &app, Context &ctx) {
    // Commands that load a profile and hand it to one check of the library.
    auto add_profile_check = [&app, &ctx](const char *name, const char *help, int (*check)(LDAP_Config *),
                                          const char *passed) {
        auto *cmd = app.add_subcommand(name, help);
        auto profile = std::make_shared<std::string>();
        cmd->add_option("NAME", *profile, "Profile name")->required();
        cmd->callback([&ctx, profile, check, passed] {
            LDAP_Config r;
            if (!load_profile(ctx, *profile, r)) return;
            int rc = on_profile(ctx, r, check);
            wipe_record(r);
            ctx.exit_status = report(ctx, "profile " + *profile, rc, passed, {{"name", *profile}});
        });
    };
    add_profile_check("verify", "Open and bind a session with a profile", ldap_verifyConfigEx, "the directory binds");
    add_profile_check("schema", "Check that the profile's base holds user entries", ldap_validateSchema,
                      "user entries found");

    auto *check = app.add_subcommand("check", "Check a user's password against the directory");
    static std::string check_name, check_user;
    static bool check_stdin = false;
    check->add_option("NAME", check_name, "Profile name")->required();
    check->add_option("USER", check_user, "User name or full DN (AD profiles: also user@domain or DOMAIN\\user)")
        ->required();
    check->add_flag("--password-stdin", check_stdin, "Read the password from standard input (also when a terminal)");
    check->footer(check->get_footer() + "\n\n" +
                  "Active Directory profiles with integrated bind (MBFlags 0x42) check the password by an NTLM logon\n"
                  "through the host's winbind. Only root and members of the group winbindd_priv may use winbind's\n"
                  "privileged pipe: for any other user every such check is refused (exit status 1, and one line\n"
                  "\"AcceptSecurityContext failed with 8009030C\" on standard error). An administrator grants it with\n"
                  "usermod -a -G winbindd_priv ACCOUNT.");
    check->callback([&ctx] {
        LDAP_Config r;
        if (!load_profile(ctx, check_name, r)) return;
        Secret pw;
        if (!read_password(ctx, "Password for " + check_user + ": ", check_stdin, pw)) return;
        int rc = on_profile(ctx, r,
                            [&pw](LDAP_Config *p) { return ldap_verifyPasswdEx(p, check_user.c_str(), pw.c_str()); });
        wipe_record(r);
        ctx.exit_status =
            report(ctx, "password of " + check_user, rc, "verified", {{"name", check_name}, {"user", check_user}});
    });

    auto *passwd = app.add_subcommand("passwd", "Change a user's password (old, then new password)");
    static std::string passwd_name, passwd_user;
    static bool passwd_stdin = false;
    passwd->add_option("NAME", passwd_name, "Profile name")->required();
    passwd->add_option("USER", passwd_user, "User name or full DN")->required();
    passwd->add_flag("--password-stdin", passwd_stdin, "Read the old and the new password, one a line, from stdin");
    passwd->callback([&ctx] {
        LDAP_Config r;
        if (!load_profile(ctx, passwd_name, r)) return;
        Secret old_pw, new_pw;
        if (!read_password(ctx, "Old password: ", passwd_stdin, old_pw)) return;
        if (!read_password(ctx, "New password: ", passwd_stdin, new_pw)) return;
        // Typed at a terminal, the new password is asked for twice.
        if (!passwd_stdin && stdin_is_terminal()) {
            Secret again;
            if (!read_password(ctx, "New password again: ", false, again)) return;
            if (again != new_pw) {
                ctx.exit_status = ctx.out().input_error("the new passwords differ");
                return;
            }
        }
        int rc = on_profile(ctx, r, [&old_pw, &new_pw](LDAP_Config *p) {
            return ldapPasswordEx(p, passwd_user.c_str(), old_pw.c_str(), new_pw.c_str());
        });
        wipe_record(r);
        ctx.exit_status =
            report(ctx, "password of " + passwd_user, rc, "changed", {{"name", passwd_name}, {"user", passwd_user}});
    });
}

}  // namespace qorldap
