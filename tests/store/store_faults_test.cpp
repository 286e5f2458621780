// The profile store on a damaged database file, and across a fork taken
// while another thread is in the middle of a save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "qorldap9.h"
#include "sample_profile.h"
#include "temp_registry.h"

namespace {

class StoreFaults : public TempRegistry {
  protected:
    std::string database() const { return registry_dir() + "/current_user.db"; }

    static std::string read_file(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Replaces the file whole, as a copy from a damaged disk would.
    static bool replace_file(const std::string &path, const std::string &bytes) {
        std::string tmp = path + ".new";
        {
            std::ofstream out(tmp, std::ios::binary);
            out << bytes;
            if (!out) return false;
        }
        return rename(tmp.c_str(), path.c_str()) == 0;
    }
    // The first leaf page of the values table and the page size, found by
    // SQLite's own page statistics; 0 when the table has too few leaves
    // for a save elsewhere to leave that one alone.
    static int first_value_leaf(const std::string &path, int &page_size) {
        sqlite3 *db = nullptr;
        int leaf = 0, leaves = 0;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt *s = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT (SELECT page_size FROM pragma_page_size), pageno, "
                               "(SELECT count(*) FROM dbstat WHERE name = 'vals' AND pagetype = 'leaf') "
                               "FROM dbstat WHERE name = 'vals' AND pagetype = 'leaf' ORDER BY path LIMIT 1",
                               -1, &s, nullptr);
            if (s != nullptr && sqlite3_step(s) == SQLITE_ROW) {
                page_size = sqlite3_column_int(s, 0);
                leaf = sqlite3_column_int(s, 1);
                leaves = sqlite3_column_int(s, 2);
            }
            sqlite3_finalize(s);
        }
        sqlite3_close(db);
        return leaves >= 4 ? leaf : 0;
    }
};

}  // namespace

TEST_F(StoreFaults, DamagedDatabaseRefusesWritesAndReadsAndIsKept) {
    for (int i = 0; i < 30; ++i) {
        LDAP_Config r = sample_profile(i, "pw");
        ASSERT_EQ(LDAP_Config_saveEx(&r, ("p" + std::to_string(i)).c_str(), LDC_LOC_USER_COMMON), 1);
    }
    int page_size = 0;
    int leaf = first_value_leaf(database(), page_size);
    ASSERT_GT(leaf, 1);
    // A cell count no page can hold, in a page a later save does not touch.
    std::string bytes = read_file(database());
    size_t at = size_t(leaf - 1) * size_t(page_size) + 3;
    ASSERT_LT(at + 2, bytes.size());
    bytes[at] = bytes[at + 1] = '\xff';
    ASSERT_TRUE(replace_file(database(), bytes));

    LDAP_Config fresh = sample_profile(40, "pw");
    EXPECT_EQ(LDAP_Config_saveEx(&fresh, "fresh", LDC_LOC_USER_COMMON), 0);
    LDAP_Config r;
    LDAP_Config_initializeEx(&r);
    EXPECT_EQ(LDAP_Config_loadEx(&r, "p29", LDC_LOC_USER_COMMON), 0);
    EXPECT_TRUE(read_file(database()) == bytes) << "the damaged database was changed";
}

TEST_F(StoreFaults, ForkWhileAnotherThreadSavesLeavesTheChildAStore) {
    LDAP_Config base = sample_profile(1, "pw");
    ASSERT_EQ(LDAP_Config_saveEx(&base, "base", LDC_LOC_USER_COMMON), 1);
    // The saver pauses while a child works, so that the child waits on
    // nothing a live process holds.
    std::atomic<bool> stop{false}, pause{false};
    std::thread saver([&] {
        LDAP_Config busy = sample_profile(2, "pw");
        while (!stop) {
            if (pause)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            else
                LDAP_Config_saveEx(&busy, "busy", LDC_LOC_USER_COMMON);
        }
    });
    // The child gets far longer than its work takes; one that has not
    // finished by then is stuck.
    const auto kChildDeadline = std::chrono::seconds(60);
    for (int i = 0; i < 20 && !HasFailure(); ++i) {
        pause = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        pid_t pid = fork();
        pause = true;
        if (pid < 0) {
            ADD_FAILURE() << "fork failed";
            break;
        }
        if (pid == 0) {
            LDAP_Config mine = sample_profile(3, "pw");
            LDAP_Config loaded;
            LDAP_Config_initializeEx(&loaded);
            bool ok = LDAP_Config_saveEx(&mine, "child", LDC_LOC_USER_COMMON) == 1 &&
                      LDAP_Config_loadEx(&loaded, "base", LDC_LOC_USER_COMMON) == 1;
            _exit(ok ? 0 : 1);
        }
        auto until = std::chrono::steady_clock::now() + kChildDeadline;
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "child " << i << " still blocked in the store";
        } else {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << i;
        }
    }
    stop = true;
    saver.join();
}
