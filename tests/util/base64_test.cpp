// The Base64 routines: RFC 4648 section 10 vectors and the room rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/base64.h"

namespace {

const unsigned char *bytes(const char *text) { return reinterpret_cast<const unsigned char *>(text); }

TEST(Base64Encode, Rfc4648Vectors) {
    const char *vectors[][2] = {{"", ""},
                                {"f", "Zg=="},
                                {"fo", "Zm8="},
                                {"foo", "Zm9v"},
                                {"foob", "Zm9vYg=="},
                                {"fooba", "Zm9vYmE="},
                                {"foobar", "Zm9vYmFy"}};
    for (auto &v : vectors) {
        char out[16];
        memset(out, 'X', sizeof out);
        EXPECT_EQ(qor::base64_encode(bytes(v[0]), strlen(v[0]), out, sizeof out), static_cast<int>(strlen(v[1])));
        EXPECT_STREQ(out, v[1]);
    }
    const unsigned char high[] = {0xfb, 0xff, 0xbf};
    char out[5];
    EXPECT_EQ(qor::base64_encode(high, 3, out, sizeof out), 4);
    EXPECT_STREQ(out, "+/+/");
}

TEST(Base64Encode, RoomRules) {
    unsigned char digest[20];
    for (int i = 0; i < 20; ++i) digest[i] = static_cast<unsigned char>(i * 13);
    char out[40];
    memset(out, 'X', sizeof out);
    EXPECT_EQ(qor::base64_encode(digest, 20, out, 29), 28);
    EXPECT_EQ(out[28], '\0');
    EXPECT_EQ(out[27], '=');
    // Every group fits in 28, the terminator does not.
    memset(out, 'X', sizeof out);
    EXPECT_EQ(qor::base64_encode(digest, 20, out, 28), -1);
    EXPECT_EQ(out[28], 'X');
    // The last, partial group needs its four places too.
    memset(out, 'X', sizeof out);
    EXPECT_EQ(qor::base64_encode(digest, 20, out, 27), -1);
    EXPECT_EQ(out[24], 'X');
    EXPECT_EQ(qor::base64_encode(digest, 1, out, 5), 4);
    EXPECT_EQ(qor::base64_encode(digest, 1, out, 4), -1);
    EXPECT_EQ(qor::base64_encode(digest, 0, out, 1), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(qor::base64_encode(digest, 0, out, 0), -1);
}

TEST(Base64Decode, RoundTripsTheVectors) {
    const char *vectors[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
    for (const char *v : vectors) {
        char text[16];
        int n = qor::base64_encode(bytes(v), strlen(v), text, sizeof text);
        ASSERT_GE(n, 0);
        unsigned char back[16];
        long m = qor::base64_decode(text, static_cast<size_t>(n), back, sizeof back);
        ASSERT_EQ(m, static_cast<long>(strlen(v))) << text;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(back), static_cast<size_t>(m)), v);
    }
}

TEST(Base64Decode, RefusesWhatIsNotPaddedBase64) {
    unsigned char out[16];
    for (const char *bad : {"Zg", "Zg=", "Zm9vY", "Z===", "Zg==Zg==", "Zm=v", "Zm9v\n", "Zm 9", "Zm-_", "Zm9*"})
        EXPECT_EQ(qor::base64_decode(bad, strlen(bad), out, sizeof out), -1) << bad;
}

TEST(Base64Decode, NeverWritesBeyondTheRoom) {
    unsigned char out[6];
    memset(out, 0xAA, sizeof out);
    EXPECT_EQ(qor::base64_decode("Zm9vYmFy", 8, out, 5), -1);
    EXPECT_EQ(out[5], 0xAA);
    EXPECT_EQ(qor::base64_decode("Zm9vYg==", 8, out, 4), 4);
    EXPECT_EQ(qor::base64_decode("Zm9vYg==", 8, out, 3), -1);
}

}  // namespace
