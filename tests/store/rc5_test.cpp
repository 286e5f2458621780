#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "store/rc5.h"

namespace {

// Bytes from hex text; block words are little-endian, A first.
template <size_t N>
void from_hex(const std::string &hex, uint8_t (&out)[N]) {
    ASSERT_EQ(hex.size(), 2 * N);
    for (size_t i = 0; i < N; ++i) out[i] = uint8_t(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
}

uint32_t le_word(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Vector {
    const char *key;
    const char *plain;
    const char *cipher;
};

// The RC5-32/12/16 examples of the published description of RC5.
constexpr Vector kVectors[] = {
    {"00000000000000000000000000000000", "0000000000000000", "21a5dbee154b8f6d"},
    {"915f4619be41b2516355a50110a9ce91", "21a5dbee154b8f6d", "f7c013ac5b2b8952"},
    {"783348e75aeb0f2fd7b169bb8dc16787", "f7c013ac5b2b8952", "2f42b3b70369fc92"},
    {"dc49db1375a5584f6485b413b5f12baf", "2f42b3b70369fc92", "65c178b284d197cc"},
    {"5269f149d41ba0152497574d7f153125", "65c178b284d197cc", "eb44e415da319824"},
};

TEST(Rc5, PublishedVectorsEncryptAndDecrypt) {
    for (const Vector &v : kVectors) {
        uint8_t key[16], plain[8], cipher[8];
        from_hex(v.key, key);
        from_hex(v.plain, plain);
        from_hex(v.cipher, cipher);
        qor::Rc5 rc5(key);
        uint32_t a = le_word(plain), b = le_word(plain + 4);
        rc5.encrypt(a, b);
        EXPECT_EQ(a, le_word(cipher)) << v.key;
        EXPECT_EQ(b, le_word(cipher + 4)) << v.key;
        rc5.decrypt(a, b);
        EXPECT_EQ(a, le_word(plain)) << v.key;
        EXPECT_EQ(b, le_word(plain + 4)) << v.key;
    }
}

}  // namespace
