// The KEY=VALUE lines a fixture of tests/fixtures publishes about the
// server it started, read the same way by the tests, the Windows tests and
// the benchmarks.
#pragma once

#include <fstream>
#include <map>
#include <string>

// Adds the values of the file at path to values: a line without "=" or
// with an empty key is passed over, a carriage return before the line end
// (a file read on Windows) dropped. False when the file cannot be read.
inline bool read_fixture_values(const std::string &path, std::map<std::string, std::string> &values) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (eq != std::string::npos && eq > 0) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return true;
}
