// The subcommands of qorldap, each registered on the application by the
// file that implements it.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "output.h"
#include "qorldap9.h"

namespace qorldap {

struct Context {
    bool json = false;
    bool verbose = false;
    int location = 0;
    int exit_status = kExitOk;
    Output out() const { return Output(json); }
};

void add_profile_commands(CLI::App &app, Context &ctx);
void add_directory_commands(CLI::App &app, Context &ctx);
void add_hash_command(CLI::App &app, Context &ctx);

// Returns the entries of a blank-separated server list.
std::vector<std::string> split_hosts(std::string_view hosts);

// Loads the named profile from the context's location; prints why not.
bool load_profile(Context &ctx, const std::string &name, LDAP_Config &record);

// Prints that a call on the location's store failed, with the store's
// problem when one is found. Returns the exit status.
int store_failure(Context &ctx, const std::string &what, bool writing);

}  // namespace qorldap
