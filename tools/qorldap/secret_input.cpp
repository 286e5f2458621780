#include "secret_input.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace qorldap {

bool stdin_is_terminal() { return isatty(STDIN_FILENO) == 1; }

std::optional<std::string> read_line() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> read_secret(const std::string &prompt) {
    if (!stdin_is_terminal()) return read_line();
    std::cerr << prompt << std::flush;
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::optional<std::string> line = read_line();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
    return line;
}

void wipe(std::string &s) {
    volatile char *p = s.data();
    for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
    s.clear();
}

}  // namespace qorldap
