#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "registry/registry.h"
#include "temp_registry.h"

using namespace qor::registry;

namespace {

class RegistryProcesses : public TempRegistry {};

// One read-modify-write of a shared counter, in a transaction; 0 on success.
int increment(const char *writer, int round) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(LDC_HKEY_LOCAL_MACHINE, "Shared", 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr) != 0)
        return 1;
    int rc = reg_begin_transaction(key);
    int32_t count = 0;
    uint32_t size = 4;
    if (rc == 0) {
        int32_t read =
            RegQueryValueExA(key, "Count", nullptr, nullptr, reinterpret_cast<unsigned char *>(&count), &size);
        if (read == kErrorFileNotFound)
            count = 0;
        else
            rc = read;
    }
    ++count;
    if (rc == 0) rc = RegSetValueExA(key, "Count", 0, kRegDword, reinterpret_cast<const unsigned char *>(&count), 4);
    std::string name = std::string(writer) + std::to_string(round);
    HKEY own = nullptr;
    if (rc == 0) rc = RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, kKeyAllAccess, nullptr, &own, nullptr);
    if (own) RegCloseKey(own);
    if (rc == 0) rc = reg_commit_transaction(key);
    RegCloseKey(key);
    return rc;
}

TEST_F(RegistryProcesses, TwoWritersOnOneDatabaseLoseNothing) {
    constexpr int kRounds = 150;
    pid_t children[2];
    const char *names[2] = {"first", "second"};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failures = 0;
            for (int r = 0; r < kRounds; ++r) failures += increment(names[c], r) != 0;
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(LDC_HKEY_LOCAL_MACHINE, "Shared", 0, kKeyAllAccess, &key), 0);
    int32_t count = 0;
    uint32_t size = 4;
    ASSERT_EQ(RegQueryValueExA(key, "Count", nullptr, nullptr, reinterpret_cast<unsigned char *>(&count), &size), 0);
    EXPECT_EQ(count, 2 * kRounds);
    uint32_t subkeys = 0;
    char name[256];
    for (uint32_t capacity = sizeof name;
         RegEnumKeyExA(key, subkeys, name, &capacity, nullptr, nullptr, nullptr, nullptr) == 0; capacity = sizeof name)
        ++subkeys;
    EXPECT_EQ(subkeys, uint32_t(2 * kRounds));
    RegCloseKey(key);
}

}  // namespace
