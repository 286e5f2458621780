// ravuve9.dll on Windows: the "{crypt}" forms it has no implementation
// for match nothing. The values both platforms check are in
// components/ravuve9/ravuve9_vectors_test.cpp.
#include <gtest/gtest.h>

#include "ravuve9.h"

namespace {

TEST(Ravuve9Windows, FormsWithoutAnImplementationHereMatchNothing) {
    // traditional DES and bcrypt: valid values elsewhere, not checkable here
    EXPECT_EQ(passwd_verify("secret", "abNANd1rDfiNc"), 0);
    EXPECT_EQ(passwd_verify("secret", "$2b$05$9hcVmKlJQvmKLkJSfdlMBOGyOfNEOm2tBj1Kx2bIZfrKsHxnP23eG"), 0);
    EXPECT_EQ(passwd_verify("", "*0"), 0);
    EXPECT_EQ(passwd_verify("x", "$6$"), 0);
}

}  // namespace
