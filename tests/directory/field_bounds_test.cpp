// Records whose text fields hold no terminator are read only within their
// fields.
#include <gtest/gtest.h>
#include <ldap.h>

#include <cstring>
#include <string>

#include "fake_directory.h"
#include "qorldap9.h"
#include "unterminated_record.h"

// BindDN full to its last byte, a DN as it stands: the bind names exactly
// the field's 256 characters.
TEST(FieldBounds, CredentialBindReadsBindDnWithinItsField) {
    UnterminatedRecord r(LDC_MB_POSIX | LDC_MB_SIMPLE);
    ASSERT_NE(r.record, nullptr);
    std::string field(LDC_BINDDN_SIZE, 'x');
    field.replace(0, 5, "cn=a,");
    memcpy(r.record->BindDN, field.data(), field.size());
    qor_test::FakeDirectory server;
    ASSERT_TRUE(server.ready());
    LDAP *ld = nullptr;
    ASSERT_EQ(ldap_initialize(&ld, server.url().c_str()), LDAP_SUCCESS);
    int v3 = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &v3);
    EXPECT_EQ(ldapAuthEx(ld, r.record), 0);
    ldap_unbind_ext(ld, nullptr, nullptr);
    const std::string dn_element = std::string("\x04\x82\x01\x00", 4) + field;  // 256 bytes, no more
    EXPECT_NE(server.received().find(dn_element), std::string::npos);
}
