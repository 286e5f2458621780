// The profile store on a private registry: on Linux the library's own,
// on Windows the real one through the registry store COM server, read
// and written apart from the store through ADVAPI32.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sqlite3.h>

#include "platform/component_path.h"
#endif
#include "qorldap9.h"
#include "registry/registry_store.h"
#include "registry_access.h"
#include "sample_profile.h"
#include "seam_guard.h"
#include "store/seal.h"
#include "temp_registry.h"

using namespace test_registry;

namespace {

const std::string kCommon = "Software\\Marblegrove\\Tidewell\\9.00\\Common\\Ldap";
const std::string kQuillpane = "Software\\Marblegrove\\Tidewell\\9.00\\Common\\Quillpane\\Ldap";

class ProfileStore : public TempRegistry {
  protected:
    SeamGuard seams_;

    static Values full_values(const std::string &password) {
        char sealed[qor::kSealedTextSize];
        EXPECT_TRUE(qor::seal_password(password.c_str(), sealed, sizeof sealed));
        return {{"ProfileName", "raw"}, {"BaseDN", "dc=raw"},      {"BindDN", "cn=raw"},
                {"BindPwd", sealed},    {"HostNames", "raw.host"}, {"GString", "g"},
                {"Version", "#2"},      {"Port", "#1389"},         {"SizeLimit", "#5"},
                {"Timeout", "#6"},      {"Deref", "#1"},           {"Referal", "#0"},
                {"Ssl", "#1"},          {"Anonymous", "#0"},       {"MBFlags", "#34"}};
    }
    void TearDown() override {
        qor::registry::refuse_library_store_for_testing(false);
        TempRegistry::TearDown();
    }
};

TEST_F(ProfileStore, RoundTripAtEveryLocation) {
    struct Where {
        int32_t code;
        const char *name;
        LDC_HKEY root;
        std::string path;
    } places[] = {
        {0, "alpha", LDC_HKEY_CURRENT_USER, kCommon + "\\alpha"},
        {1, "alpha", LDC_HKEY_LOCAL_MACHINE, kCommon + "\\alpha"},
        {2, "alpha", LDC_HKEY_CURRENT_USER, kQuillpane + "\\alpha"},
        {3, "u1", LDC_HKEY_USERS, "u1\\" + kCommon + "\\user"},
    };
    for (const Where &w : places) {
        LDAP_Config saved = sample_profile(w.code);
        ASSERT_EQ(LDAP_Config_saveEx(&saved, w.name, w.code), 1) << w.code;
        EXPECT_TRUE(key_exists(w.root, w.path)) << w.code;
        EXPECT_EQ(read_text(w.root, w.path, "ProfileName"), w.name);  // the name argument, not the field
        // Numbers as numbers, the sealed password as text.
        Length type = 0;
        read_text(w.root, w.path, "Port", &type);
        EXPECT_EQ(type, kNumber) << w.code;
        read_text(w.root, w.path, "BindPwd", &type);
        EXPECT_EQ(type, kText) << w.code;
    }
    for (const Where &w : places) {
        LDAP_Config loaded;
        LDAP_Config_initializeEx(&loaded);
        ASSERT_EQ(LDAP_Config_loadEx(&loaded, w.name, w.code), 1) << w.code;
        expect_stored_fields(sample_profile(w.code), loaded);
        EXPECT_STREQ(loaded.ProfileName, w.name);
        EXPECT_EQ(loaded.RegLocation, w.code);
    }
    LDAP_Config other;
    LDAP_Config_initializeEx(&other);
    EXPECT_EQ(LDAP_Config_loadEx(&other, "beta", 0), 0);
    EXPECT_EQ(other.RegLocation, -1);
}

TEST_F(ProfileStore, StoredPasswordIsSealed) {
    for (const std::string &password :
         std::initializer_list<std::string>{"plain password", "", "x", "with,comma", std::string(175, '\xF0')}) {
        LDAP_Config saved = sample_profile(1);
        LDC_setBindPwdEx(&saved, password.c_str());
        ASSERT_EQ(LDAP_Config_saveEx(&saved, "sealed", 0), 1);
        std::string stored = read_text(LDC_HKEY_CURRENT_USER, kCommon + "\\sealed", "BindPwd");
        if (password.empty()) {
            EXPECT_EQ(stored, "");
        } else {
            EXPECT_EQ(stored.find(password), std::string::npos);
            EXPECT_EQ(stored.find_first_not_of("0123456789 "), std::string::npos) << stored;
        }
        LDAP_Config loaded;
        LDAP_Config_initializeEx(&loaded);
        ASSERT_EQ(LDAP_Config_loadEx(&loaded, "sealed", 0), 1);
        EXPECT_EQ(std::string(loaded.BindPwd), password);
    }
}

TEST_F(ProfileStore, MissingOptionalValuesTakeDefaults) {
    Values values = full_values("pw");
    for (const char *optional : {"Version", "MBFlags", "GString"}) values.erase(optional);
    write_key(LDC_HKEY_CURRENT_USER, kCommon + "\\partial", values);
    LDAP_Config r = sample_profile(2);  // Version 2, MBFlags 33, a GString
    ASSERT_EQ(LDAP_Config_loadEx(&r, "partial", 0), 1);
    EXPECT_EQ(r.Version, 3);
    EXPECT_EQ(r.MBFlags, 25);
    EXPECT_STREQ(r.GString, "");
    EXPECT_STREQ(r.BindPwd, "pw");
    EXPECT_EQ(r.Port, 1389);
    EXPECT_EQ(r.RegLocation, 0);
}

TEST_F(ProfileStore, MissingRequiredValueFailsButKeepsWhatWasRead) {
    Values values = full_values("pw");
    values.erase("Port");
    write_key(LDC_HKEY_LOCAL_MACHINE, kCommon + "\\noport", values);
    LDAP_Config r = sample_profile(4);
    LDC_setRegLocationEx(&r, 2);
    ASSERT_EQ(LDAP_Config_loadEx(&r, "noport", 1), 0);
    EXPECT_EQ(r.RegLocation, 2);
    EXPECT_EQ(r.Port, 1004);  // not read: as it was
    EXPECT_STREQ(r.BaseDN, "dc=raw");
    EXPECT_STREQ(r.HostNames, "raw.host");
    EXPECT_STREQ(r.BindPwd, "pw");
    EXPECT_EQ(r.SizeLimit, 5);
    EXPECT_EQ(r.MBFlags, 34);
}

TEST_F(ProfileStore, DamagedValuesFailTheLoadWithoutOverrunningFields) {
    Values values = full_values("pw");
    values["ProfileName"] = std::string(60, 'n');
    write_key(LDC_HKEY_CURRENT_USER, kCommon + "\\longname", values);
    LDAP_Config r = sample_profile(5);
    EXPECT_EQ(LDAP_Config_loadEx(&r, "longname", 0), 0);
    EXPECT_LT(strnlen(r.ProfileName, sizeof r.ProfileName), sizeof r.ProfileName);

    // A number of two bytes, or of four bytes but not of type number.
    const std::pair<Length, Length> shapes[] = {{kBinary, 2}, {kBinary, 4}, {kText, 4}};
    for (auto [type, size] : shapes) {
        write_key(LDC_HKEY_CURRENT_USER, kCommon + "\\shortport", full_values("pw"));
        const unsigned char bytes[4] = {1, 2, 0, 0};
        write_raw(LDC_HKEY_CURRENT_USER, kCommon + "\\shortport", "Port", type, bytes, size);
        r = sample_profile(5);
        r.Port = 0x7f7f7f7f;
        EXPECT_EQ(LDAP_Config_loadEx(&r, "shortport", 0), 0) << type << " " << size;
        EXPECT_EQ(r.Port, 0x7f7f7f7f) << type << " " << size;
    }
}

TEST_F(ProfileStore, SealedValueThatDoesNotUnsealLoadsAsEmptyPassword) {
    Values values = full_values("pw");
    values["BindPwd"] = "123 456 ";  // not a text sealing makes
    write_key(LDC_HKEY_CURRENT_USER, kCommon + "\\tampered", values);
    LDAP_Config r = sample_profile(5);
    EXPECT_EQ(LDAP_Config_loadEx(&r, "tampered", 0), 1);
    EXPECT_STREQ(r.BindPwd, "");
    EXPECT_STREQ(r.HostNames, "raw.host");
    EXPECT_EQ(r.RegLocation, 0);
}

TEST_F(ProfileStore, UnsupportedCodesTouchNothing) {
    LDAP_Config r = sample_profile(6);
    for (int32_t code : {4, -1, 100}) {
        EXPECT_EQ(LDAP_Config_saveEx(&r, "alpha", code), 0);
        EXPECT_EQ(LDAP_Config_loadEx(&r, "alpha", code), 0);
    }
    EXPECT_EQ(LDAP_Config_saveEx(&r, "", 0), 0);                            // would write into the base key
    EXPECT_EQ(LDAP_Config_saveEx(&r, std::string(51, 'n').c_str(), 0), 0);  // could never load
    for (LDC_HKEY root : {LDC_HKEY_CURRENT_USER, LDC_HKEY_LOCAL_MACHINE, LDC_HKEY_USERS})
        EXPECT_FALSE(key_exists(root, "Software"));
    expect_stored_fields(sample_profile(6), r);
}

TEST_F(ProfileStore, ResetDeletesTheCommonProfileOfTheChosenRoot) {
    LDAP_Config r = sample_profile(7);
    for (int32_t code : {0, 1, 2}) ASSERT_EQ(LDAP_Config_saveEx(&r, "alpha", code), 1);
    EXPECT_EQ(LDAP_Config_resetEx("alpha", 2), 1);  // any nonzero flag: the machine root
    EXPECT_FALSE(key_exists(LDC_HKEY_LOCAL_MACHINE, kCommon + "\\alpha"));
    EXPECT_TRUE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\alpha"));
    EXPECT_TRUE(key_exists(LDC_HKEY_CURRENT_USER, kQuillpane + "\\alpha"));
    EXPECT_EQ(LDAP_Config_resetEx("alpha", 1), 0);
    EXPECT_EQ(LDAP_Config_resetEx("", 0), 0);
    EXPECT_TRUE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\alpha"));
    EXPECT_EQ(LDAP_Config_resetEx("alpha", 0), 1);
    EXPECT_FALSE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\alpha"));
    EXPECT_EQ(LDAP_Config_loadEx(&r, "alpha", 0), 0);
    EXPECT_TRUE(key_exists(LDC_HKEY_CURRENT_USER, kCommon));
}

TEST_F(ProfileStore, FailedWriteLeavesTheOldProfile) {
#ifdef _WIN32
    GTEST_SKIP() << "the store is made to refuse a write through the SQLite file of the Linux registry";
#else
    LDAP_Config first = sample_profile(1), second = sample_profile(2);
    ASSERT_EQ(LDAP_Config_saveEx(&first, "alpha", 0), 1);
    // The real store, made to refuse one value: the tenth of fifteen writes.
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open((registry_dir() + "/current_user.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER refuse BEFORE INSERT ON vals WHEN NEW.name = 'HostNames' "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(LDAP_Config_saveEx(&second, "alpha", 0), 0);
    EXPECT_EQ(LDAP_Config_saveEx(&second, "beta", 0), 0);
    EXPECT_FALSE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\beta"));
    ASSERT_EQ(sqlite3_exec(db, "DROP TRIGGER refuse", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    LDAP_Config loaded;
    LDAP_Config_initializeEx(&loaded);
    ASSERT_EQ(LDAP_Config_loadEx(&loaded, "alpha", 0), 1);
    expect_stored_fields(first, loaded);
#endif
}

TEST_F(ProfileStore, PasswordSealingRefusesMeansNothingSaved) {
    LDAP_Config r = sample_profile(8);
    memset(r.BindPwd, 'p', sizeof r.BindPwd);  // no terminator: longer than the field holds
    EXPECT_EQ(LDAP_Config_saveEx(&r, "alpha", 0), 0);
    EXPECT_FALSE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\alpha"));
}

struct GuardedTable {
    unsigned char before[64];
    LDAP_ConfigAux table[LDC_TABLE_SIZE];
    unsigned char after[64];
    GuardedTable() { memset(this, 0x5A, sizeof *this); }
    bool intact() const {
        for (size_t i = 0; i < sizeof before; ++i)
            if (before[i] != 0x5A || after[i] != 0x5A) return false;
        return true;
    }
    bool all_initialised() const {
        for (const LDAP_ConfigAux &e : table) {
            LDAP_ConfigAux fresh;
            memset(&fresh, 0x5A, sizeof fresh);
            LDAP_Config_initializeAuxEx(&fresh);
            if (memcmp(&fresh, &e, sizeof fresh) != 0) return false;
        }
        return true;
    }
};

TEST_F(ProfileStore, TableHoldsTheFirstTenProfilesInEnumerationOrder) {
    for (int i : {11, 3, 7, 0, 9, 1, 10, 5, 2, 8, 6, 4}) {
        LDAP_Config r = sample_profile(i);
        char name[16];
        snprintf(name, sizeof name, "p%02d", i);
        ASSERT_EQ(LDAP_Config_saveEx(&r, name, 2), 1);
    }
    GuardedTable t;
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(t.table, 2), 259);
    EXPECT_TRUE(t.intact());
    for (int i = 0; i < LDC_TABLE_SIZE; ++i) {
        char name[16];
        snprintf(name, sizeof name, "p%02d", i);
        EXPECT_STREQ(t.table[i].KeyName, name);
        expect_stored_fields(sample_profile(i), t.table[i].Config);
        EXPECT_EQ(t.table[i].Config.RegLocation, 2);
        EXPECT_EQ(LDAP_Config_searchEx(t.table, name), i);
    }
    EXPECT_EQ(LDAP_Config_searchEx(t.table, "p10"), 7001);
    EXPECT_EQ(LDAP_Config_searchEx(t.table, "P01"), 7001);  // case counts
}

TEST_F(ProfileStore, TableOfAnEmptyMissingOrUnsupportedLocation) {
    GuardedTable t;
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(t.table, 0), 1010);  // no base key yet
    EXPECT_TRUE(t.all_initialised());
    EXPECT_TRUE(t.intact());
    write_key(LDC_HKEY_CURRENT_USER, kCommon, {});
    GuardedTable empty;
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(empty.table, 0), 259);
    EXPECT_TRUE(empty.all_initialised());
    EXPECT_EQ(LDAP_Config_searchEx(empty.table, ""), 7001);
    for (int32_t code : {3, 4, -1}) {
        GuardedTable other;
        EXPECT_EQ(LDAP_Config_loadAllAuxEx(other.table, code), 1010);
        EXPECT_TRUE(other.all_initialised());
        EXPECT_TRUE(other.intact());
    }
}

TEST_F(ProfileStore, TablePassesOverNamesTooLongForAnEntry) {
    LDAP_Config r = sample_profile(1);
    ASSERT_EQ(LDAP_Config_saveEx(&r, "b-short", 0), 1);
    write_key(LDC_HKEY_CURRENT_USER, kCommon + "\\a" + std::string(60, 'x'), full_values("pw"));
    GuardedTable t;
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(t.table, 0), 259);
    EXPECT_TRUE(t.intact());
    EXPECT_STREQ(t.table[0].KeyName, "b-short");
    EXPECT_EQ(t.table[1].KeyName[0], '\0');
}

TEST_F(ProfileStore, SearchStopsAtTheFirstEmptyBaseDN) {
    LDAP_ConfigAux table[LDC_TABLE_SIZE];
    for (LDAP_ConfigAux &e : table) LDAP_Config_initializeAuxEx(&e);
    EXPECT_EQ(LDAP_Config_searchEx(table, "any"), 7001);
    for (int i = 0; i < LDC_TABLE_SIZE; ++i) {
        snprintf(table[i].KeyName, sizeof table[i].KeyName, "n%d", i);
        if (i != 2) LDC_setBaseDNEx(&table[i].Config, "dc=x");
    }
    EXPECT_EQ(LDAP_Config_searchEx(table, "n1"), 1);
    EXPECT_EQ(LDAP_Config_searchEx(table, "n2"), 7001);
    EXPECT_EQ(LDAP_Config_searchEx(table, "n5"), 7001);
    LDC_setBaseDNEx(&table[2].Config, "dc=x");
    EXPECT_EQ(LDAP_Config_searchEx(table, "n9"), 9);
}

TEST_F(ProfileStore, FallBackFlag) {
    EXPECT_EQ(LDC_setFallBack(1, 0), 0);  // the base key is not created
    EXPECT_FALSE(key_exists(LDC_HKEY_CURRENT_USER, "Software"));
    EXPECT_EQ(LDC_isFallBack(0), 0);
    LDAP_Config r = sample_profile(1);
    ASSERT_EQ(LDAP_Config_saveEx(&r, "alpha", 0), 1);
    EXPECT_EQ(LDC_setFallBack(2, 0), 1);
    EXPECT_EQ(LDC_isFallBack(0), 0);
    EXPECT_EQ(LDC_setFallBack(1, 0), 1);
    EXPECT_EQ(LDC_isFallBack(0), 1);
    EXPECT_EQ(LDC_isFallBack(2), 0);  // another base key
    EXPECT_EQ(LDC_setFallBack(1, 3), 0);
    EXPECT_EQ(LDC_isFallBack(3), 0);
    EXPECT_EQ(LDC_setFallBack(1, -1), 0);
}

TEST_F(ProfileStore, DeleteKeyTreeTakesEverythingBelow) {
    for (const char *path : {"T\\a\\b\\c", "T\\a\\d", "T\\e", "U"})
        write_key(LDC_HKEY_LOCAL_MACHINE, path, {{"v", "x"}});
    EXPECT_EQ(LDC_RegDeleteKeyNT(LDC_HKEY_LOCAL_MACHINE, ""), 1010);
    EXPECT_EQ(LDC_RegDeleteKeyNT(LDC_HKEY_LOCAL_MACHINE, nullptr), 1010);
    EXPECT_EQ(LDC_RegDeleteKeyNT(LDC_HKEY_LOCAL_MACHINE, "t"), 0);
    EXPECT_FALSE(key_exists(LDC_HKEY_LOCAL_MACHINE, "T"));
    EXPECT_TRUE(key_exists(LDC_HKEY_LOCAL_MACHINE, "U"));
    EXPECT_EQ(LDC_RegDeleteKeyNT(LDC_HKEY_LOCAL_MACHINE, "T"), 2);
}

TEST_F(ProfileStore, StoreObjectUnavailable) {
    LDAP_Config r = sample_profile(1);
#ifndef _WIN32
    // The library's own store calls never go out through the component.
    qor::platform::set_component_dir_for_testing((registry_dir() + "/no-components").c_str());
#endif
    ASSERT_EQ(LDAP_Config_saveEx(&r, "alpha", 0), 1);
    qor::registry::refuse_library_store_for_testing(true);
    GuardedTable t;
    GuardedTable untouched;
    EXPECT_EQ(LDAP_Config_loadAllAuxEx(t.table, 0), 7000);
    EXPECT_EQ(memcmp(&t, &untouched, sizeof t), 0);
    LDAP_Config loaded = sample_profile(9);
    EXPECT_EQ(LDAP_Config_loadEx(&loaded, "alpha", 0), 0);
    expect_stored_fields(sample_profile(9), loaded);
    EXPECT_EQ(LDAP_Config_saveEx(&r, "beta", 0), 0);
    EXPECT_EQ(LDAP_Config_resetEx("alpha", 0), 0);
    EXPECT_EQ(LDC_setFallBack(1, 0), 0);
    EXPECT_EQ(LDC_isFallBack(0), 0);
    qor::registry::refuse_library_store_for_testing(false);
    EXPECT_TRUE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\alpha"));
    EXPECT_FALSE(key_exists(LDC_HKEY_CURRENT_USER, kCommon + "\\beta"));
}

}  // namespace
