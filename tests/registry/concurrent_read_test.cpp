// Opening a store and reading from it while another connection holds the
// write lock: reads do not wait for the writer (they would run into the
// busy timeout and fail), and what they see is the last committed state.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "registry/registry.h"
#include "registry/registry_connection.h"
#include "temp_registry.h"

using namespace qor::registry;

namespace {

using std::chrono::milliseconds;

class ConcurrentRead : public TempRegistry {
  protected:
    void TearDown() override {
        set_busy_limits_for_testing(BusyLimits{});
        TempRegistry::TearDown();
    }
    // Another connection to a root's database, as another process holds one.
    sqlite3 *other_connection(const char *file) {
        sqlite3 *db = nullptr;
        EXPECT_EQ(sqlite3_open_v2((registry_dir() + "/" + file).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        return db;
    }
    HKEY created(HKEY root, const char *path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr), 0);
        return key;
    }
};

TEST_F(ConcurrentRead, ReadsGoOnWhileAWriterHoldsTheLockAndSeeOnlyCommittedValues) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(LDC_HKEY_CURRENT_USER, "Profiles\\One", 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr),
        0);
    const unsigned char value[] = "committed";
    ASSERT_EQ(RegSetValueExA(key, "Host", 0, kRegSz, value, sizeof value), 0);
    RegCloseKey(key);

    sqlite3 *writer = nullptr;
    std::string file = registry_dir() + "/current_user.db";
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &writer, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; UPDATE vals SET data = x'00' WHERE name = 'Host'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);

    // Each call below opens a connection of its own for the root.
    HKEY reader = nullptr;
    EXPECT_EQ(RegOpenKeyExA(LDC_HKEY_CURRENT_USER, "Profiles\\One", 0, kKeyQueryValue, &reader), 0);
    unsigned char read[32] = {};
    uint32_t size = sizeof read;
    EXPECT_EQ(RegQueryValueExA(reader, "Host", nullptr, nullptr, read, &size), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(read)), "committed");
    if (reader != nullptr) RegCloseKey(reader);

    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(writer);
}

TEST_F(ConcurrentRead, ManyConnectionsOpenedAndClosedKeepWorking) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(LDC_HKEY_CURRENT_USER, "Many", 0, nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr), 0);
    RegCloseKey(key);
    // Every open is a new connection with statements kept for it; a
    // connection's statements must go with it, and a later connection must
    // never be handed one of them.
    for (int i = 0; i < 200; ++i) {
        HKEY open = nullptr;
        ASSERT_EQ(RegOpenKeyExA(LDC_HKEY_CURRENT_USER, "Many", 0, kKeyAllAccess, &open), 0) << i;
        uint32_t n = static_cast<uint32_t>(i);
        ASSERT_EQ(RegSetValueExA(open, "N", 0, kRegDword, reinterpret_cast<unsigned char *>(&n), 4), 0);
        uint32_t back = 0, size = 4;
        ASSERT_EQ(RegQueryValueExA(open, "N", nullptr, nullptr, reinterpret_cast<unsigned char *>(&back), &size), 0);
        EXPECT_EQ(back, n);
        RegCloseKey(open);
    }
}

// A call waiting for another connection's lock, holding none itself, does
// not hold up a fork.
TEST_F(ConcurrentRead, ForkGoesAheadWhileACallWaitsForALock) {
    set_busy_limits_for_testing({milliseconds(900), milliseconds(900)});
    HKEY key = created(LDC_HKEY_CURRENT_USER, "Waits");
    sqlite3 *writer = other_connection("current_user.db");
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::atomic<int32_t> written{-1};
    std::thread waiter([&] {
        const uint32_t n = 1;
        written = RegSetValueExA(key, "N", 0, kRegDword, reinterpret_cast<const unsigned char *>(&n), 4);
    });
    std::this_thread::sleep_for(milliseconds(100));  // the waiter waits for the writer's lock by now
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) _exit(0);
    auto forking = std::chrono::steady_clock::now() - start;
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    waiter.join();
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(forking).count(), 500);
    EXPECT_EQ(written.load(), 0);
    sqlite3_close_v2(writer);
    RegCloseKey(key);
}

// A reader holding a shared root's read lock (a member of the group) makes
// a save there fail after the shared root's shorter limit.
TEST_F(ConcurrentRead, ReaderHoldingASharedRootFailsASaveAfterTheSharedLimit) {
    set_busy_limits_for_testing({std::chrono::seconds(30), milliseconds(200)});
    HKEY key = created(LDC_HKEY_LOCAL_MACHINE, "Held");
    sqlite3 *reader = other_connection("local_machine.db");
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM keys", nullptr, nullptr, nullptr), SQLITE_OK);
    const uint32_t n = 1;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RegSetValueExA(key, "N", 0, kRegDword, reinterpret_cast<const unsigned char *>(&n), 4), kErrorBusy);
    EXPECT_LT(std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start).count(), 1000);
    sqlite3_exec(reader, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(RegSetValueExA(key, "N", 0, kRegDword, reinterpret_cast<const unsigned char *>(&n), 4), 0);
    sqlite3_close_v2(reader);
    RegCloseKey(key);
}

}  // namespace
