// Reading passwords: from the terminal without echo, or one line from
// standard input for scripts.
#pragma once

#include <optional>
#include <string>

namespace qorldap {

// Prompts on the terminal (echo off) when stdin is one; otherwise reads
// one line from stdin. Nothing when the input ended.
std::optional<std::string> read_secret(const std::string &prompt);

// One line from stdin, without its line end.
std::optional<std::string> read_line();

bool stdin_is_terminal();

// Overwrites a string that held a secret.
void wipe(std::string &s);

}  // namespace qorldap
