// A save is all or nothing even for a process killed half way: a child
// saves two alternating profiles under one name without pause, the test
// kills it at random moments and loads after each kill.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "qorldap9.h"
#include "sample_profile.h"
#include "temp_registry.h"

namespace {

class ProfileKill : public TempRegistry {};

TEST_F(ProfileKill, KilledSaverLeavesOldOrNewProfile) {
    constexpr int kKills = 200;
    const LDAP_Config profiles[2] = {sample_profile(1), sample_profile(2)};
    LDAP_Config first = profiles[0];
    ASSERT_EQ(LDAP_Config_saveEx(&first, "victim", 0), 1);

    std::mt19937 rng(7);
    std::uniform_int_distribution<int> delay_us(0, 60000);
    int failed_loads = 0, neither = 0, seen[2] = {0, 0}, killed = 0;
    for (int round = 0; round < kKills; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                LDAP_Config r = profiles[(i + 1) % 2];  // the new one first
                if (LDAP_Config_saveEx(&r, "victim", 0) != 1) _exit(3);
            }
        }
        usleep(useconds_t(delay_us(rng)));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_FALSE(WIFEXITED(status)) << "the saving child failed a save: " << WEXITSTATUS(status);
        killed += WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;

        LDAP_Config loaded;
        LDAP_Config_initializeEx(&loaded);
        if (LDAP_Config_loadEx(&loaded, "victim", 0) != 1) {
            ++failed_loads;
            continue;
        }
        if (same_stored_fields(loaded, profiles[0]))
            ++seen[0];
        else if (same_stored_fields(loaded, profiles[1]))
            ++seen[1];
        else
            ++neither;
    }
    printf("kills %d, failed loads %d, mixed profiles %d, old/new seen %d/%d\n", killed, failed_loads, neither, seen[0],
           seen[1]);
    EXPECT_EQ(killed, kKills);
    EXPECT_EQ(failed_loads, 0);
    EXPECT_EQ(neither, 0);
    // Kills landed at different points of the alternation.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

// A load while another process saves sees one profile or the other,
// never fields of both.
TEST_F(ProfileKill, LoadDuringSavesSeesOneWholeProfile) {
    const LDAP_Config profiles[2] = {sample_profile(1), sample_profile(2)};
    LDAP_Config first = profiles[0];
    ASSERT_EQ(LDAP_Config_saveEx(&first, "busy", 0), 1);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < 600; ++i) {
            LDAP_Config r = profiles[(i + 1) % 2];
            if (LDAP_Config_saveEx(&r, "busy", 0) != 1) _exit(3);
        }
        _exit(0);
    }
    int loads = 0, mixed = 0, failed = 0;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        LDAP_Config loaded;
        LDAP_Config_initializeEx(&loaded);
        ++loads;
        if (LDAP_Config_loadEx(&loaded, "busy", 0) != 1)
            ++failed;
        else if (!same_stored_fields(loaded, profiles[0]) && !same_stored_fields(loaded, profiles[1]))
            ++mixed;
    }
    printf("loads %d, mixed %d, failed %d\n", loads, mixed, failed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the saving child failed a save";
    EXPECT_GT(loads, 0);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(mixed, 0);
}

}  // namespace
