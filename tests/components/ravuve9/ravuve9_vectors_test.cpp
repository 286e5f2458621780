// passwd_verify with the fixed values of the schemes the cipher library
// checks: through libxcrypt and OpenSSL on Linux, through CryptoAPI in
// ravuve9.dll under Wine.
#include <gtest/gtest.h>

#include "ravuve9.h"
#include "stored_value_vectors.h"

namespace {

TEST(CipherLibraryVectors, EveryValueGetsItsAnswer) {
    for (const SchemeVectors &scheme : kCipherLibrarySchemes)
        for (const StoredValueVector *v = scheme.begin; v != scheme.end; ++v)
            EXPECT_EQ(passwd_verify(v->password, v->text), v->answer) << scheme.tag << v->text;
}

TEST(CipherLibraryVectors, NoStoredTextAnswersNo) { EXPECT_EQ(passwd_verify("secret", nullptr), 0); }

}  // namespace
