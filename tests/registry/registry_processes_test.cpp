#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/process.h"
#include "platform/process_backend.h"
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

// Descriptors this process holds open on path.
int descriptors_on(const std::string &path) {
    int count = 0;
    DIR *fds = opendir("/proc/self/fd");
    while (dirent *entry = fds ? readdir(fds) : nullptr) {
        char target[PATH_MAX];
        ssize_t n = readlinkat(dirfd(fds), entry->d_name, target, sizeof target - 1);
        count += n > 0 && std::string(target, size_t(n)) == path;
    }
    if (fds) closedir(fds);
    return count;
}

TEST_F(RegistryProcesses, UnloadClosesIdleConnectionsAndLeavesTheRegistryUsable) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(LDC_HKEY_CURRENT_USER, "K", 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr), 0);
    RegCloseKey(key);  // its connection goes idle
    const std::string database = registry_dir() + "/current_user.db";
    EXPECT_GT(descriptors_on(database), 0);
    qor::platform::run_unload_hooks();
    EXPECT_EQ(descriptors_on(database), 0);
    ASSERT_EQ(RegOpenKeyExA(LDC_HKEY_CURRENT_USER, "K", 0, kKeyQueryValue, &key), 0);
    RegCloseKey(key);
}

std::string g_hooks_run;
template <char kHolder, char kStage>
void note() {
    g_hooks_run += kHolder;
    g_hooks_run += kStage;
}
template <char kHolder>
qor::platform::ProcessHooks noting() {
    return {note<kHolder, 'p'>, note<kHolder, 'a'>, note<kHolder, 'c'>, note<kHolder, 'u'>};
}

// In a child of its own, so that the hooks of the test program stay.
TEST(ProcessHooks, EveryHolderRunsInItsOrderAroundForkAndAtUnload) {
    using qor::platform::ProcessStateHolder;
    pid_t tester = fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        qor::platform::register_process_hooks(ProcessStateHolder::Components, noting<'C'>());
        qor::platform::register_process_hooks(ProcessStateHolder::RegistryGate, noting<'G'>());
        qor::platform::register_process_hooks(ProcessStateHolder::RegistryConnections, noting<'R'>());
        qor::platform::register_process_hooks(ProcessStateHolder::DirectorySessions, noting<'D'>());
        pid_t child = fork();
        if (child == 0) _exit(g_hooks_run == "GpDpRpCpCcRcDcGc" ? 0 : 1);
        int status = 1;
        bool child_ok =
            child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        bool parent_ok = g_hooks_run == "GpDpRpCpCaRaDaGa";
        g_hooks_run.clear();
        qor::platform::run_unload_hooks();
        _exit(child_ok && parent_ok && g_hooks_run == "GuDuRuCu" ? 0 : 1);
    }
    int status = 1;
    ASSERT_EQ(waitpid(tester, &status, 0), tester);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
