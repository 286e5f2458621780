#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "registry/registry.h"
#include "temp_registry.h"

using namespace qor::registry;

namespace {

class Registry : public TempRegistry {
  protected:
    HKEY create(HKEY root, const char *path, uint32_t *disposition = nullptr) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, kKeyAllAccess, nullptr, &key, disposition), 0) << path;
        return key;
    }
    int32_t open(HKEY root, const char *path, uint32_t access, HKEY &key) {
        return RegOpenKeyExA(root, path, 0, access, &key);
    }
    std::vector<std::string> subkeys(HKEY key) {
        std::vector<std::string> names;
        for (uint32_t i = 0;; ++i) {
            char name[256];
            uint32_t capacity = sizeof name;
            int32_t rc = RegEnumKeyExA(key, i, name, &capacity, nullptr, nullptr, nullptr, nullptr);
            if (rc == kErrorNoMoreItems) break;
            EXPECT_EQ(rc, 0);
            if (rc != 0) break;
            EXPECT_EQ(capacity, strlen(name));
            names.push_back(name);
        }
        return names;
    }
};

TEST_F(Registry, NestedKeysAreCreatedOnceAndNamedWithoutRegardToCase) {
    uint32_t disposition = 0;
    HKEY key = create(LDC_HKEY_CURRENT_USER, "Software\\Vendor\\Product", &disposition);
    EXPECT_EQ(disposition, kRegCreatedNewKey);
    RegCloseKey(key);
    key = create(LDC_HKEY_CURRENT_USER, "SOFTWARE\\vendor\\PRODUCT", &disposition);
    EXPECT_EQ(disposition, kRegOpenedExistingKey);
    RegCloseKey(key);

    HKEY found = nullptr;
    ASSERT_EQ(open(LDC_HKEY_CURRENT_USER, "software\\VENDOR", kKeyAllAccess, found), 0);
    EXPECT_EQ(subkeys(found), std::vector<std::string>{"Product"});  // the name keeps its first spelling
    HKEY below = nullptr;
    EXPECT_EQ(open(found, "product", kKeyQueryValue, below), 0);
    RegCloseKey(below);
    EXPECT_EQ(open(found, "Other", kKeyQueryValue, below), kErrorFileNotFound);
    EXPECT_EQ(below, nullptr);
    RegCloseKey(found);
    EXPECT_EQ(open(LDC_HKEY_CURRENT_USER, "Software\\\\Vendor", kKeyQueryValue, below), kErrorBadPathname);
    EXPECT_EQ(open(LDC_HKEY_CURRENT_USER, "Software\\Vendor\\", kKeyQueryValue, below), 0);
    RegCloseKey(below);
}

TEST_F(Registry, ValuesKeepTheirTypeAndBytes) {
    HKEY key = create(LDC_HKEY_LOCAL_MACHINE, "Values");
    const char text[] = "hello";
    int32_t number = -7;
    ASSERT_EQ(RegSetValueExA(key, "Text", 0, kRegSz, reinterpret_cast<const unsigned char *>(text), sizeof text), 0);
    ASSERT_EQ(RegSetValueExA(key, "Number", 0, kRegDword, reinterpret_cast<const unsigned char *>(&number), 4), 0);
    ASSERT_EQ(RegSetValueExA(key, "Empty", 0, kRegSz, nullptr, 0), 0);
    EXPECT_EQ(RegSetValueExA(key, "Short", 0, kRegDword, reinterpret_cast<const unsigned char *>(&number), 2),
              kErrorInvalidParameter);

    uint32_t type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "TEXT", nullptr, &type, nullptr, &size), 0);  // size only
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, sizeof text);
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, reinterpret_cast<unsigned char *>(buffer), &size),
              kErrorMoreData);
    EXPECT_EQ(size, sizeof text);
    EXPECT_EQ(buffer[0], '#');  // nothing written when it does not fit
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, reinterpret_cast<unsigned char *>(buffer), &size), 0);
    EXPECT_STREQ(buffer, "hello");

    int32_t read = 0;
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "number", nullptr, &type, reinterpret_cast<unsigned char *>(&read), &size), 0);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(read, -7);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, reinterpret_cast<unsigned char *>(buffer), &size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, reinterpret_cast<unsigned char *>(buffer), &size),
              kErrorFileNotFound);

    // Writing again replaces the value, type included.
    ASSERT_EQ(RegSetValueExA(key, "NUMBER", 0, kRegSz, reinterpret_cast<const unsigned char *>(text), sizeof text), 0);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<unsigned char *>(buffer), &size), 0);
    EXPECT_EQ(type, kRegSz);
    RegCloseKey(key);
}

TEST_F(Registry, EnumerationIsAlphabeticalWithoutCaseAndStable) {
    HKEY base = create(LDC_HKEY_USERS, "Base");
    for (const char *name : {"gamma", "Beta", "alpha", "Delta"}) RegCloseKey(create(base, name));
    std::vector<std::string> expected{"alpha", "Beta", "Delta", "gamma"};
    EXPECT_EQ(subkeys(base), expected);
    EXPECT_EQ(subkeys(base), expected);

    char small[5];
    uint32_t capacity = sizeof small;  // "alpha" needs 6
    EXPECT_EQ(RegEnumKeyExA(base, 0, small, &capacity, nullptr, nullptr, nullptr, nullptr), kErrorMoreData);
    char name[256];
    capacity = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(base, 4, name, &capacity, nullptr, nullptr, nullptr, nullptr), kErrorNoMoreItems);
    RegCloseKey(base);
}

TEST_F(Registry, RootsAreSeparateDatabasesOnlyTheUserCanRead) {
    RegCloseKey(create(LDC_HKEY_CURRENT_USER, "OnlyHere"));
    HKEY key = nullptr;
    EXPECT_EQ(open(LDC_HKEY_LOCAL_MACHINE, "OnlyHere", kKeyQueryValue, key), kErrorFileNotFound);
    EXPECT_EQ(open(LDC_HKEY_USERS, "OnlyHere", kKeyQueryValue, key), kErrorFileNotFound);
    struct stat st {};
    ASSERT_EQ(stat((registry_dir() + "/current_user.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Registry, DeletingTakesLeavesOnly) {
    RegCloseKey(create(LDC_HKEY_CURRENT_USER, "Tree\\Leaf"));
    HKEY leaf = nullptr;
    ASSERT_EQ(open(LDC_HKEY_CURRENT_USER, "Tree\\Leaf", kKeyAllAccess, leaf), 0);
    const char v[] = "x";
    ASSERT_EQ(RegSetValueExA(leaf, "V", 0, kRegSz, reinterpret_cast<const unsigned char *>(v), 2), 0);

    EXPECT_EQ(RegDeleteKeyA(LDC_HKEY_CURRENT_USER, "Tree"), kErrorAccessDenied);
    EXPECT_EQ(RegDeleteKeyA(LDC_HKEY_CURRENT_USER, "tree\\leaf"), 0);
    EXPECT_EQ(RegDeleteKeyA(LDC_HKEY_CURRENT_USER, "Tree\\Leaf"), kErrorFileNotFound);
    // The open handle now names a deleted key.
    uint32_t size = 0;
    EXPECT_EQ(RegQueryValueExA(leaf, "V", nullptr, nullptr, nullptr, &size), kErrorKeyDeleted);
    EXPECT_EQ(RegSetValueExA(leaf, "V", 0, kRegSz, reinterpret_cast<const unsigned char *>(v), 2), kErrorKeyDeleted);
    RegCloseKey(leaf);
    // Recreated, it holds none of the old values.
    HKEY again = create(LDC_HKEY_CURRENT_USER, "Tree\\Leaf");
    EXPECT_EQ(RegQueryValueExA(again, "V", nullptr, nullptr, nullptr, &size), kErrorFileNotFound);
    RegCloseKey(again);
    EXPECT_EQ(RegDeleteKeyA(LDC_HKEY_CURRENT_USER, ""), kErrorAccessDenied);  // never the root
}

TEST_F(Registry, AccessRightsAreEnforcedAndHandlesChecked) {
    RegCloseKey(create(LDC_HKEY_CURRENT_USER, "Guarded\\Child"));
    HKEY read_only = nullptr, write_only = nullptr;
    ASSERT_EQ(open(LDC_HKEY_CURRENT_USER, "Guarded", kKeyQueryValue, read_only), 0);
    ASSERT_EQ(open(LDC_HKEY_CURRENT_USER, "Guarded", kKeySetValue, write_only), 0);
    int32_t n = 1;
    EXPECT_EQ(RegSetValueExA(read_only, "N", 0, kRegDword, reinterpret_cast<const unsigned char *>(&n), 4),
              kErrorAccessDenied);
    EXPECT_EQ(RegSetValueExA(write_only, "N", 0, kRegDword, reinterpret_cast<const unsigned char *>(&n), 4), 0);
    uint32_t size = 4;
    EXPECT_EQ(RegQueryValueExA(write_only, "N", nullptr, nullptr, reinterpret_cast<unsigned char *>(&n), &size),
              kErrorAccessDenied);
    char name[256];
    uint32_t capacity = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(read_only, 0, name, &capacity, nullptr, nullptr, nullptr, nullptr), kErrorAccessDenied);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(read_only, "New", 0, nullptr, 0, kKeyAllAccess, nullptr, &child, nullptr),
              kErrorAccessDenied);
    EXPECT_EQ(RegCloseKey(read_only), 0);
    EXPECT_EQ(RegCloseKey(read_only), kErrorInvalidHandle);
    EXPECT_EQ(RegQueryValueExA(read_only, "N", nullptr, nullptr, nullptr, &size), kErrorInvalidHandle);
    RegCloseKey(write_only);
}

TEST_F(Registry, TransactionsApplyAllOrNothing) {
    HKEY base = create(LDC_HKEY_CURRENT_USER, "Txn");
    int32_t one = 1;
    auto value = reinterpret_cast<const unsigned char *>(&one);

    ASSERT_EQ(reg_begin_transaction(base), 0);
    HKEY inside = create(base, "Inside");
    ASSERT_EQ(RegSetValueExA(inside, "V", 0, kRegDword, value, 4), 0);
    EXPECT_EQ(reg_rollback_transaction(base), 0);
    RegCloseKey(inside);
    HKEY probe = nullptr;
    EXPECT_EQ(open(LDC_HKEY_CURRENT_USER, "Txn\\Inside", kKeyQueryValue, probe), kErrorFileNotFound);

    ASSERT_EQ(reg_begin_transaction(base), 0);
    EXPECT_EQ(reg_begin_transaction(base), kErrorInvalidParameter);
    inside = create(base, "Inside");
    ASSERT_EQ(RegSetValueExA(inside, "V", 0, kRegDword, value, 4), 0);
    EXPECT_EQ(reg_commit_transaction(base), 0);
    RegCloseKey(inside);
    ASSERT_EQ(open(LDC_HKEY_CURRENT_USER, "Txn\\Inside", kKeyQueryValue, probe), 0);
    RegCloseKey(probe);

    // Closing every handle of a session with its transaction open rolls it back.
    ASSERT_EQ(reg_begin_transaction(base), 0);
    RegCloseKey(create(base, "Abandoned"));
    RegCloseKey(base);
    EXPECT_EQ(open(LDC_HKEY_CURRENT_USER, "Txn\\Abandoned", kKeyQueryValue, probe), kErrorFileNotFound);

    EXPECT_EQ(reg_begin_transaction(LDC_HKEY_CURRENT_USER), kErrorInvalidHandle);
    EXPECT_EQ(reg_commit_transaction(probe), kErrorInvalidHandle);
}

TEST(RegistryLocation, DefaultUserRootLivesInThePrivateConfigFolder) {
    char pattern[] = "/tmp/qorldap9-home-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string config = std::string(pattern) + "/config";
    unsetenv("QORLDAP9_REGISTRY_DIR");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(LDC_HKEY_CURRENT_USER, "K", 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr), 0);
    RegCloseKey(key);
    unsetenv("XDG_CONFIG_HOME");
    struct stat folder {
    }, file{};
    ASSERT_EQ(stat((config + "/qorldap9").c_str(), &folder), 0);
    ASSERT_EQ(stat((config + "/qorldap9/current_user.db").c_str(), &file), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(system(("rm -rf '" + std::string(pattern) + "'").c_str()), 0);
}

}  // namespace
