// A throwaway user file for the security provider's server side, in a
// temporary folder, with NT-hash lines as the provider documents them, and
// the environment that points the provider at it. With it, a test of any
// area gets true from qor::ntlm_logon_check for a right password:
//   NtlmUserFile users;                  // link OpenSSL::Crypto (MD4)
//   users.add("CORP\\alice", "secret");   // domains in upper case
//   use_ntlm_user_file(users.path());    // before any thread starts
// and add_dependencies(<test> qorsspi), so the provider is built beside.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

// Points the provider at path and removes the variables that would change
// the protocol (LM_COMPAT_LEVEL below 3 is refused) or the names it uses.
inline void use_ntlm_user_file(const std::string &path) {
    for (const char *name : {"LM_COMPAT_LEVEL", "NETBIOS_COMPUTER_NAME", "NETBIOS_DOMAIN_NAME", "NTLM_USER_FILE"})
        unsetenv(name);
    setenv("QORSSPI_USER_FILE", path.c_str(), 1);
}

// MD4 of the password's UTF-16LE form, as 32 upper-case hex digits.
inline std::string test_nt_hash(const std::string &password) {
    std::string utf16(password.size() * 4 + 4, '\0');
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    char *in = const_cast<char *>(password.data());
    char *out = utf16.data();
    size_t in_left = password.size(), out_left = utf16.size();
    bool converted = cd != (iconv_t)-1 && iconv(cd, &in, &in_left, &out, &out_left) != (size_t)-1;
    if (cd != (iconv_t)-1) iconv_close(cd);
    if (!converted) return "";
    utf16.resize(utf16.size() - out_left);
    static OSSL_LIB_CTX *context = OSSL_LIB_CTX_new();
    static OSSL_PROVIDER *legacy = OSSL_PROVIDER_load(context, "legacy");
    static EVP_MD *md4 = legacy ? EVP_MD_fetch(context, "MD4", nullptr) : nullptr;
    unsigned char digest[16];
    unsigned int length = 0;
    if (md4 == nullptr || !EVP_Digest(utf16.data(), utf16.size(), digest, &length, md4, nullptr)) return "";
    std::string hex;
    char two[3];
    for (unsigned i = 0; i < length; ++i) {
        std::snprintf(two, sizeof two, "%02X", digest[i]);
        hex += two;
    }
    return hex;
}

class NtlmUserFile {
  public:
    NtlmUserFile() {
        char pattern[] = "/tmp/qor-ntlm-XXXXXX";
        char *dir = mkdtemp(pattern);
        if (dir != nullptr) dir_ = dir;
        path_ = dir_ + "/ntlm-users";
    }
    ~NtlmUserFile() {
        unlink(path_.c_str());
        rmdir(dir_.c_str());
    }
    NtlmUserFile(const NtlmUserFile &) = delete;
    NtlmUserFile &operator=(const NtlmUserFile &) = delete;

    // name is "DOMAIN\user" or "user". Refuses what the file format cannot
    // hold safely: ':' or line breaks in a field, a leading '#', lines the
    // reader would split, names over 512 bytes.
    void add(const std::string &name, const std::string &password) {
        std::string hash = test_nt_hash(password);
        ASSERT_EQ(hash.size(), 32u) << "no MD4";
        add_line(name + ":0:XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX:" + hash + ":[U          ]:LCT-00000000:");
    }
    void add_line(const std::string &line) {
        ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos);
        ASSERT_NE(line.front(), '#');
        ASSERT_LT(line.size(), 1000u);
        std::string name = line.substr(0, line.find(':'));
        ASSERT_LE(name.size() - (name.find('\\') != std::string::npos ? 1 : 0), 512u);
        lines_ += line + "\n";
        write();
    }
    const std::string &path() const { return path_; }

  private:
    // Written beside and renamed over: the reader never sees half a file.
    void write() {
        std::string temp = path_ + ".new";
        {
            std::ofstream out(temp, std::ios::trunc);
            out << lines_;
        }
        ASSERT_EQ(std::rename(temp.c_str(), path_.c_str()), 0);
    }

    std::string dir_ = "/tmp";
    std::string path_;
    std::string lines_;
};
