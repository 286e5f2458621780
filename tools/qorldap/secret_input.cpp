#include "secret_input.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace qorldap {

bool stdin_is_terminal() { return isatty(STDIN_FILENO) == 1; }

std::optional<qor::Secret> read_line() {
    qor::Secret line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<qor::Secret> read_secret(const std::string &prompt) {
    if (!stdin_is_terminal()) return read_line();
    std::cerr << prompt << std::flush;
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::optional<qor::Secret> line = read_line();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
    return line;
}

}  // namespace qorldap
