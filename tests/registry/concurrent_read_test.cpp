// Opening a store and reading from it while another connection holds the
// write lock: reads do not wait for the writer (they would run into the
// busy timeout and fail), and what they see is the last committed state.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "registry/registry.h"
#include "temp_registry.h"

using namespace qor::registry;

namespace {

class ConcurrentRead : public TempRegistry {};

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

}  // namespace
