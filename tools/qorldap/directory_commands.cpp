// Commands that reach the directory: the configuration and schema checks,
// the password check and the password change.
#include <cstring>
#include <memory>
#include <optional>

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

// Reports a check's or a change's result code with the directory's reason
// for it; done says what a success means.
int report(Context &ctx, const std::string &what, int rc, const std::string &done, Fields f) {
    LastReason why = last_reason();
    for (auto &field : why.fields()) f.push_back(std::move(field));
    if (rc == 0) return ctx.out().success(what + ": " + done + (why.sentence.empty() ? "" : " — " + why.sentence), f);
    if (why.sentence.empty()) return ctx.out().refused(what, rc, f);
    std::string because = why.new_password ? "the directory refused the new password: " : "refused — ";
    return ctx.out().refused(what, rc, f, because + why.sentence);
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
            int rc = check(&r);
            wipe_record(r);
            Fields f{{"name", *profile}};
            ctx.exit_status = rc == 0 ? ctx.out().success("profile " + *profile + ": " + passed, f)
                                      : ctx.out().refused("profile " + *profile, rc, f);
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
        int rc = ldap_verifyPasswdEx(&r, check_user.c_str(), pw.c_str());
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
        int rc = ldapPasswordEx(&r, passwd_user.c_str(), old_pw.c_str(), new_pw.c_str());
        wipe_record(r);
        ctx.exit_status =
            report(ctx, "password of " + passwd_user, rc, "changed", {{"name", passwd_name}, {"user", passwd_user}});
    });
}

}  // namespace qorldap
