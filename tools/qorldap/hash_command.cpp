// hash-check: a candidate password against a stored password value.
#include <optional>

#include "commands.h"
#include "secret_input.h"

namespace qorldap {

void add_hash_command(CLI::App &app, Context &ctx) {
    auto *cmd = app.add_subcommand(
        "hash-check", "Check a password against a stored value ({SSHA}, {SHA}, {MD5}, {CRYPT}, ... or clear)");
    static std::string stored_arg;
    cmd->add_option("STORED", stored_arg, "The stored value; read as the first line of stdin when left out");
    cmd->callback([&ctx] {
        Output out = ctx.out();
        std::string stored = stored_arg;
        if (stored.empty()) {
            std::optional<qor::Secret> line = read_line();
            if (!line) {
                ctx.exit_status = out.input_error("no stored value given");
                return;
            }
            stored = std::string(line->view());
        }
        std::optional<qor::Secret> candidate = read_secret("Password: ");
        if (!candidate) {
            ctx.exit_status = out.input_error("no password given");
            return;
        }
        bool match = ldap_passwd_verify(stored.c_str(), candidate->c_str()) == 1;
        bool tagged = ldapPasswdSource(stored.c_str()) == 0;
        Fields f{{"match", match}, {"tagged", tagged}};
        if (match) {
            ctx.exit_status = out.success("the password matches the stored value", f);
        } else {
            ctx.exit_status = out.failed("the password does not match the stored value", f);
        }
    });
}

}  // namespace qorldap
