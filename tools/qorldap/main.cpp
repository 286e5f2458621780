// qorldap: create, inspect and test LDAP connection profiles, and check
// and change passwords with them, through the qorldap9 library.
#include <CLI/CLI.hpp>

#include <cstring>

#include "commands.h"

namespace {

// The command line's first word that is no option nor an option's value:
// the subcommand; empty when there is none.
std::string first_word(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-l" || arg == "--location") {
            ++i;
        } else if (arg.empty() || arg[0] != '-') {
            return arg;
        }
    }
    return "";
}

bool wants_json(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], "--json") == 0) return true;
    return false;
}

bool is_subcommand(CLI::App &app, const std::string &word) {
    for (const CLI::App *sub : app.get_subcommands({}))
        if (sub->get_name() == word) return true;
    return false;
}

std::string subcommand_names(CLI::App &app) {
    std::string names;
    for (const CLI::App *sub : app.get_subcommands({})) names += (names.empty() ? "" : ", ") + sub->get_name();
    return names;
}

}  // namespace

int main(int argc, char **argv) {
    qorldap::Context ctx;
    CLI::App app{"Create, inspect and test LDAP connection profiles; check and change passwords.", "qorldap"};
    app.footer(
        "Exit status: 0 success; 1 the library refused (wrong password, profile not found, server error, ...);\n"
        "2 the command line was not understood; 3 a password or value could not be read;\n"
        "4 no server of the profile could be reached (down, unreachable or silent).\n"
        "Passwords are read from the terminal without echo, or one a line from standard input.");
    app.require_subcommand(1);
    app.fallthrough();  // global options may follow the subcommand
    app.set_version_flag("--version", qorldap::version_text(), "Print the tool's and the library's version");
    app.add_flag("--json", ctx.json, "Print one JSON object instead of text");
    app.add_flag("-v,--verbose", ctx.verbose, "Tell each server tried and how long it took");
    app.add_option("-l,--location", ctx.location,
                   "Where profiles live: 0 the user's own, 1 the machine's (see the manual page for 2 and 3)")
        ->check(CLI::Range(0, 3))
        ->capture_default_str();
    qorldap::add_profile_commands(app, ctx);
    qorldap::add_directory_commands(app, ctx);
    qorldap::add_hash_command(app, ctx);
    qorldap::Output out(wants_json(argc, argv));
    std::string word = first_word(argc, argv);
    if (!word.empty() && !is_subcommand(app, word))
        return out.usage_error("unknown subcommand '" + word + "' (one of " + subcommand_names(app) + ")");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        // Help and the version are answers, not errors.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        if (dynamic_cast<const CLI::RequiredError *>(&e) && word.empty())
            return out.usage_error("a subcommand is required (one of " + subcommand_names(app) + ")");
        return out.usage_error(std::string(e.what()) + " (see qorldap --help)");
    }
    return ctx.exit_status;
}
