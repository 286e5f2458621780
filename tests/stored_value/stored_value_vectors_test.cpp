// ldap_passwd_verify and ldapPasswdSource with the fixed values of every
// scheme: through the library on Linux and through qorldap9.dll under Wine.
#include <gtest/gtest.h>

#include <string>

#include "qorldap9.h"
#include "stored_value_vectors.h"

namespace {

TEST(StoredValueVectors, EveryValueGetsItsAnswerWithTheTagInEitherCase) {
    for (const SchemeVectors &scheme : kLibrarySchemes) {
        for (const StoredValueVector *v = scheme.begin; v != scheme.end; ++v) {
            for (const std::string &tag : {std::string(scheme.tag), swap_tag_case(scheme.tag)}) {
                std::string stored = tag + v->text;
                EXPECT_EQ(ldap_passwd_verify(stored.c_str(), v->password), v->answer)
                    << stored << " / " << (v->password ? v->password : "(null)");
            }
        }
    }
}

TEST(StoredValueVectors, NullValues) {
    EXPECT_EQ(ldap_passwd_verify(nullptr, "x"), 0);
    EXPECT_EQ(ldap_passwd_verify(nullptr, ""), 0);
    EXPECT_EQ(ldap_passwd_verify("x", nullptr), 0);
}

TEST(StoredValueVectors, SourceTagTellsTaggedValuesApart) {
    EXPECT_EQ(ldapPasswdSource("{SHA}5en6G6MezRroT3XKqkdPOmY/BfQ="), 0);
    EXPECT_EQ(ldapPasswdSource("{anything"), 0);
    EXPECT_EQ(ldapPasswdSource("{"), 0);
    EXPECT_EQ(ldapPasswdSource("secret"), 1);
    EXPECT_EQ(ldapPasswdSource(" {SHA}"), 1);
    EXPECT_EQ(ldapPasswdSource(""), 1);
    EXPECT_EQ(ldapPasswdSource(nullptr), 1);
}

}  // namespace
