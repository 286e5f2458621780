// Reading passwords: from the terminal without echo, or one line from
// standard input for scripts.
#pragma once

#include <optional>
#include <string>

#include "util/secret.h"

namespace qorldap {

// Prompts on the terminal (echo off) when stdin is one; otherwise reads
// one line from stdin. Nothing when the input ended.
std::optional<qor::Secret> read_secret(const std::string &prompt);

// One line from stdin, without its line end; it may be a password.
std::optional<qor::Secret> read_line();

bool stdin_is_terminal();

}  // namespace qorldap
