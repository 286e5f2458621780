// Profiles of qorldap9.dll in the real registry, through the registry
// store COM server: what the DLL writes is checked with ADVAPI32 itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "qorldap9.h"

namespace {

const char kCommon[] = "Software\\Marblegrove\\Tidewell\\9.00\\Common\\Ldap";
const char kQuillpane[] = "Software\\Marblegrove\\Tidewell\\9.00\\Common\\Quillpane\\Ldap";

std::string unique(const char *stem) { return stem + std::to_string(GetCurrentProcessId()); }

LDAP_Config sample() {
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    LDC_setProfileNameEx(&r, "not the key name");
    LDC_setBaseDNEx(&r, "dc=example,dc=com");
    LDC_setBindDNEx(&r, "cn=reader,dc=example,dc=com");
    LDC_setBindPwdEx(&r, "S3cret pass");
    LDC_setHostNamesEx(&r, "ldap1 ldap2:1389");
    LDC_setGString(&r, "free text");
    LDC_setPortEx(&r, 1636);
    LDC_setSizeLimitEx(&r, 50);
    LDC_setTimeoutEx(&r, 7);
    LDC_setSslEx(&r, 1);
    LDC_setmbFlags(&r, LDC_MB_POSIX | LDC_MB_SIMPLE);
    return r;
}

std::string read_text(HKEY root, const std::string &path, const char *name, DWORD *type = nullptr) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_ANY, type, buffer, &size) != ERROR_SUCCESS) return "<none>";
    return buffer;
}

TEST(Win32Profiles, SaveAndLoadAtTheUsersCommonLocation) {
    std::string name = unique("wt");
    LDAP_Config saved = sample();
    ASSERT_EQ(LDAP_Config_saveEx(&saved, name.c_str(), LDC_LOC_USER_COMMON), 1);

    // In the registry: the key name as "ProfileName", numbers as DWORDs,
    // the password sealed.
    std::string path = std::string(kCommon) + "\\" + name;
    EXPECT_EQ(read_text(HKEY_CURRENT_USER, path, "ProfileName"), name);
    DWORD port = 0, size = sizeof port, type = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, path.c_str(), "Port", RRF_RT_ANY, &type, &port, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(port, 1636u);
    std::string sealed = read_text(HKEY_CURRENT_USER, path, "BindPwd", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_NE(sealed, "<none>");
    EXPECT_EQ(sealed.find("S3cret"), std::string::npos);

    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    ASSERT_EQ(LDAP_Config_loadEx(&loaded, name.c_str(), LDC_LOC_USER_COMMON), 1);
    EXPECT_STREQ(loaded.ProfileName, name.c_str());
    EXPECT_STREQ(loaded.BindPwd, "S3cret pass");
    EXPECT_STREQ(loaded.HostNames, "ldap1 ldap2:1389");
    EXPECT_STREQ(loaded.GString, "free text");
    EXPECT_EQ(loaded.SizeLimit, 50);
    EXPECT_EQ(loaded.Timeout, 7);
    EXPECT_EQ(loaded.Ssl, 1);
    EXPECT_EQ(loaded.MBFlags, LDC_MB_POSIX | LDC_MB_SIMPLE);
    EXPECT_EQ(loaded.RegLocation, LDC_LOC_USER_COMMON);

    EXPECT_EQ(LDAP_Config_resetEx(name.c_str(), 0), 1);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(LDAP_Config_loadEx(&loaded, name.c_str(), LDC_LOC_USER_COMMON), 0);
}

TEST(Win32Profiles, MachineAndNamedUserLocations) {
    std::string name = unique("wm");
    LDAP_Config saved = sample();
    ASSERT_EQ(LDAP_Config_saveEx(&saved, name.c_str(), LDC_LOC_MACHINE_COMMON), 1);
    EXPECT_EQ(read_text(HKEY_LOCAL_MACHINE, std::string(kCommon) + "\\" + name, "BaseDN"), "dc=example,dc=com");
    // reset with any nonzero flag works on the machine's profiles
    EXPECT_EQ(LDAP_Config_resetEx(name.c_str(), 2), 1);
    EXPECT_EQ(read_text(HKEY_LOCAL_MACHINE, std::string(kCommon) + "\\" + name, "BaseDN"), "<none>");

    // code 3: the user's key directly below HKEY_USERS, profile "user"
    std::string user = unique("qoru");
    ASSERT_EQ(LDAP_Config_saveEx(&saved, user.c_str(), LDC_LOC_NAMED_USER), 1);
    std::string path = user + "\\" + kCommon + "\\user";
    EXPECT_EQ(read_text(HKEY_USERS, path, "ProfileName"), user);
    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    EXPECT_EQ(LDAP_Config_loadEx(&loaded, user.c_str(), LDC_LOC_NAMED_USER), 1);
    EXPECT_EQ(loaded.RegLocation, LDC_LOC_NAMED_USER);
    EXPECT_EQ(LDC_RegDeleteKeyNT(HKEY_USERS, user.c_str()), 0);
    EXPECT_EQ(read_text(HKEY_USERS, path, "ProfileName"), "<none>");
}

TEST(Win32Profiles, MissingValuesOnLoad) {
    std::string name = unique("wd");
    LDAP_Config saved = sample();
    ASSERT_EQ(LDAP_Config_saveEx(&saved, name.c_str(), LDC_LOC_USER_COMMON), 1);
    std::string path = std::string(kCommon) + "\\" + name;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    for (const char *value : {"Version", "MBFlags", "GString"}) RegDeleteValueA(key, value);
    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    LDC_setVersionEx(&loaded, 2);
    EXPECT_EQ(LDAP_Config_loadEx(&loaded, name.c_str(), LDC_LOC_USER_COMMON), 1);
    EXPECT_EQ(loaded.Version, 3);
    EXPECT_EQ(loaded.MBFlags, 0x19);
    EXPECT_STREQ(loaded.GString, "");

    RegDeleteValueA(key, "Port");
    RegCloseKey(key);
    LDAP_Config partial;
    LDAP_Config_initializeEx(&partial);
    EXPECT_EQ(LDAP_Config_loadEx(&partial, name.c_str(), LDC_LOC_USER_COMMON), 0);
    EXPECT_EQ(partial.RegLocation, -1);
    EXPECT_STREQ(partial.BaseDN, "dc=example,dc=com");
    EXPECT_EQ(LDAP_Config_resetEx(name.c_str(), 0), 1);
    // codes outside 0..3 touch nothing
    EXPECT_EQ(LDAP_Config_saveEx(&saved, name.c_str(), 4), 0);
    EXPECT_EQ(read_text(HKEY_CURRENT_USER, path, "BaseDN"), "<none>");
}

TEST(Win32Profiles, TableSearchAndFallBack) {
    // The Quillpane location belongs to this test alone.
    LDC_RegDeleteKeyNT(HKEY_CURRENT_USER, kQuillpane);
    static LDAP_ConfigAux table[LDC_TABLE_SIZE];
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(table, LDC_LOC_USER_QUILLPANE), LDC_E_BAD_KEY);
    EXPECT_EQ(LDC_setFallBack(1, LDC_LOC_USER_QUILLPANE), 0);  // the base key is not created

    LDAP_Config r = sample();
    for (const char *name : {"first", "second", "third"})
        ASSERT_EQ(LDAP_Config_saveEx(&r, name, LDC_LOC_USER_QUILLPANE), 1);
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(table, LDC_LOC_USER_QUILLPANE), LDC_TABLE_END);
    EXPECT_EQ(LDAP_Config_searchEx(table, "second"), 1);
    EXPECT_EQ(LDAP_Config_searchEx(table, "Second"), LDC_E_NOT_IN_TABLE);
    EXPECT_STREQ(table[2].KeyName, "third");
    EXPECT_STREQ(table[2].Config.BindPwd, "S3cret pass");
    EXPECT_EQ(table[3].KeyName[0], '\0');

    EXPECT_EQ(LDC_isFallBack(LDC_LOC_USER_QUILLPANE), 0);
    EXPECT_EQ(LDC_setFallBack(1, LDC_LOC_USER_QUILLPANE), 1);
    EXPECT_EQ(LDC_isFallBack(LDC_LOC_USER_QUILLPANE), 1);
    EXPECT_EQ(LDC_setFallBack(2, LDC_LOC_USER_QUILLPANE), 1);
    EXPECT_EQ(LDC_isFallBack(LDC_LOC_USER_QUILLPANE), 0);

    EXPECT_EQ(LDC_RegDeleteKeyNT(HKEY_CURRENT_USER, ""), LDC_E_BAD_KEY);
    EXPECT_EQ(LDC_RegDeleteKeyNT(HKEY_CURRENT_USER, kQuillpane), 0);
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(table, LDC_LOC_USER_QUILLPANE), LDC_E_BAD_KEY);
}

}  // namespace
