// qorldap: create, inspect and test LDAP connection profiles, and check
// and change passwords with them, through the qorldap9 library.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char **argv) {
    qorldap::Context ctx;
    CLI::App app{"Create, inspect and test LDAP connection profiles; check and change passwords.", "qorldap"};
    app.footer(
        "Exit status: 0 success; 1 the library refused (wrong password, profile not found, server error, ...);\n"
        "2 the command line was not understood; 3 a password or value could not be read.\n"
        "Passwords are read from the terminal without echo, or one a line from standard input.");
    app.require_subcommand(1);
    app.fallthrough();  // global options may follow the subcommand
    app.add_flag("--json", ctx.json, "Print one JSON object instead of text");
    app.add_option("-l,--location", ctx.location,
                   "Where profiles live: 0 user, 1 machine, 2 user (Quillpane), 3 named user")
        ->check(CLI::Range(0, 3))
        ->capture_default_str();
    qorldap::add_profile_commands(app, ctx);
    qorldap::add_directory_commands(app, ctx);
    qorldap::add_hash_command(app, ctx);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp &e) {
        return app.exit(e);
    } catch (const CLI::ParseError &e) {
        app.exit(e);
        return qorldap::kExitUsage;
    }
    return ctx.exit_status;
}
