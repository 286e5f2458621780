// Runs an outside tool that makes stored password values, so that the
// values checked are not made by the code under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

// The tool's standard output without its final line break; fails the
// calling test when the tool does not run or exits with an error.
inline std::string tool_output(const std::string &command) {
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run: " << command;
        return out;
    }
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed: " << command;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    EXPECT_FALSE(out.empty()) << "no output: " << command;
    return out;
}

// slappasswd of the slapd package, which tags its values itself.
inline std::string slappasswd(const std::string &scheme, const std::string &password,
                              const std::string &crypt_format = "") {
    std::string command = "/usr/sbin/slappasswd -n -h '" + scheme + "' -s '" + password + "'";
    if (!crypt_format.empty()) command += " -c '" + crypt_format + "'";
    return tool_output(command);
}

// openssl passwd -1, -5 or -6: a crypt(3) hash without a tag.
inline std::string openssl_passwd(const std::string &option, const std::string &password) {
    return tool_output("openssl passwd " + option + " '" + password + "'");
}

// A "{SHA256}"-style value from Python's hashlib: tag, then the Base64 of
// the digest, followed by salt_bytes random bytes when salt_bytes > 0.
inline std::string hashlib_value(const std::string &tag, const std::string &algorithm, const std::string &password,
                                 int salt_bytes) {
    return tool_output(
        "python3 -c 'import base64,hashlib,os,sys; s=os.urandom(int(sys.argv[3])); "
        "print(sys.argv[1]+base64.b64encode(hashlib.new(sys.argv[2],sys.argv[4].encode()+s)"
        ".digest()+s).decode())' '" +
        tag + "' " + algorithm + " " + std::to_string(salt_bytes) + " '" + password + "'");
}
