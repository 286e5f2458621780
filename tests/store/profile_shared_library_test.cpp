// The profile store through the shared library as callers load it, with
// the store component found beside it.
#include <gtest/gtest.h>

#include <cstring>

#include "qorldap9.h"
#include "sample_profile.h"
#include "temp_registry.h"

namespace {

class SharedLibraryStore : public TempRegistry {};

TEST_F(SharedLibraryStore, SaveLoadTableFallBackAndDelete) {
    LDAP_Config saved = sample_profile(4, "pass, word");
    ASSERT_EQ(LDAP_Config_saveEx(&saved, "shared", 1), 1);
    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    ASSERT_EQ(LDAP_Config_loadEx(&loaded, "shared", 1), 1);
    expect_stored_fields(saved, loaded);
    EXPECT_EQ(loaded.RegLocation, 1);

    LDAP_ConfigAux table[LDC_TABLE_SIZE];
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(table, 1), LDC_TABLE_END);
    EXPECT_EQ(LDAP_Config_searchEx(table, "shared"), 0);
    EXPECT_STREQ(table[0].Config.BindPwd, "pass, word");

    EXPECT_EQ(LDC_setFallBack(1, 1), 1);
    EXPECT_EQ(LDC_isFallBack(1), 1);
    EXPECT_EQ(LDAP_Config_resetEx("shared", 1), 1);
    EXPECT_EQ(LDAP_Config_loadEx(&loaded, "shared", 1), 0);
    EXPECT_EQ(LDC_RegDeleteKeyNT(LDC_HKEY_LOCAL_MACHINE, "Software"), 0);
    EXPECT_EQ(LDC_isFallBack(1), 0);
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(table, 1), LDC_E_BAD_KEY);
}

}  // namespace
