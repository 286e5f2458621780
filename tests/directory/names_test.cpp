// The pieces of the password operations that need no directory.
#include <gtest/gtest.h>

#include <string>

#include "directory/logon_names.h"
#include "directory/unicode_pwd.h"

namespace {

std::string utf16le(std::u16string s) {
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

}  // namespace

TEST(UnicodePwd, AsciiIsQuotedAndWidened) {
    std::string v(qor::unicode_pwd_value("OldPass1!").view());
    EXPECT_EQ(v.size(), 2 * (9 + 2));
    EXPECT_EQ(v, utf16le(u"\"OldPass1!\""));
    EXPECT_EQ(qor::unicode_pwd_value(""), utf16le(u"\"\""));
}

TEST(UnicodePwd, LongPasswordsAreEncodedWhole) {
    std::string pw(256, 'k');
    pw[0] = 'A';
    pw[255] = 'Z';
    std::string v(qor::unicode_pwd_value(pw.c_str()).view());
    ASSERT_EQ(v.size(), 2 * 258u);
    EXPECT_EQ(v.substr(2, 2), std::string("A\0", 2));
    EXPECT_EQ(v.substr(2 * 256, 2), std::string("Z\0", 2));
    EXPECT_EQ(v.substr(2 * 257), std::string("\"\0", 2));
}

TEST(UnicodePwd, Utf8IsDecodedIncludingSurrogatePairs) {
    // "é" (2 bytes), "€" (3 bytes), U+1F511 (4 bytes, a surrogate pair)
    EXPECT_EQ(qor::unicode_pwd_value("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\x91"), utf16le(u"\"\u00E9\u20AC\U0001F511\""));
}

TEST(UnicodePwd, InvalidUtf8IsWidenedByteByByte) {
    for (const char *bad : {"\xE9t\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\xF0\x9F\x94"}) {
        std::string s(bad);
        std::string expected;
        for (char c : "\"" + s + "\"") {
            expected.push_back(c);
            expected.push_back('\0');
        }
        EXPECT_EQ(qor::unicode_pwd_value(bad), expected);
    }
}

TEST(LogonNames, DomainIsTheWholeDnsName) {
    EXPECT_EQ(qor::logon_domain("corp.example.com"), "corp.example.com");
    EXPECT_EQ(qor::logon_domain("..corp.example"), "corp.example");
    EXPECT_EQ(qor::logon_domain("corp"), "corp");
    EXPECT_EQ(qor::logon_domain("..."), "");
    EXPECT_EQ(qor::logon_domain(""), "");
}

TEST(LogonNames, UserComesFromTheFirstValue) {
    std::string name;
    ASSERT_TRUE(qor::logon_user("cn=jdoe,cn=users,dc=corp,dc=example,dc=com", name));
    EXPECT_EQ(name, "jdoe");
    ASSERT_TRUE(qor::logon_user("jdoe", name));
    EXPECT_EQ(name, "jdoe");
    ASSERT_TRUE(qor::logon_user("uid=,,,j.doe,ou=x", name));
    EXPECT_EQ(name, "j.doe");
    ASSERT_TRUE(qor::logon_user("", name));
    EXPECT_EQ(name, "");
    EXPECT_FALSE(qor::logon_user("cn=", name));
    EXPECT_FALSE(qor::logon_user("cn=,,,", name));
}
