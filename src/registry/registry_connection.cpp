// Connections to the registry's SQLite databases, one database per
// predefined root.
//
// Durability: a rollback journal with synchronous=FULL. A process killed
// at any instant leaves a hot journal that the next writer rolls back, and
// a reader without write access to the folder (the shared roots read by
// ordinary users) can still open the database, which WAL would not allow
// without a writable -shm file. Concurrent connections wait for each
// other's locks up to the busy limits (wait_for_lock).
//
// Map: the pool of idle connections per database file (ConnectionPool,
// Connection::take_idle, ~Connection); the schema and its checks
// (create_schema, schema_present, damaged); opening (Connection::open).
#include "registry/registry_connection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "registry/fork_gate.h"
#include "registry/registry.h"
#include "registry/registry_schema.h"

namespace qor::registry {
namespace {

using sqlite::exec;
using sqlite::from_sqlite;
using sqlite::Scope;
using sqlite::Statement;
using sqlite::StatementCache;

using std::chrono::milliseconds;

// Pauses between attempts to take a lock another connection holds, as
// SQLite's own busy timeout makes them.
constexpr milliseconds kBusyPauses[] = {milliseconds(1),  milliseconds(2),  milliseconds(5),  milliseconds(10),
                                        milliseconds(15), milliseconds(20), milliseconds(25), milliseconds(25),
                                        milliseconds(25), milliseconds(50), milliseconds(50), milliseconds(100)};
constexpr int kBusyPauseCount = int(sizeof kBusyPauses / sizeof kBusyPauses[0]);

std::atomic<int64_t> g_private_limit_ms{BusyLimits{}.private_root.count()};
std::atomic<int64_t> g_shared_limit_ms{BusyLimits{}.shared_root.count()};

// SQLite's busy handler: true to try again after a pause, false to give
// up (the statement then fails busy) once the root's limit has passed. A
// connection that holds no lock while it waits (its transaction is still
// to begin) steps out of the fork gate meanwhile, so a fork need not wait
// for it; one that holds a lock (a commit waiting for readers to leave)
// stays inside.
int wait_for_lock(void *arg, int attempts) {
    auto *connection = static_cast<Connection *>(arg);
    auto now = std::chrono::steady_clock::now();
    if (attempts == 0) connection->busy_since = now;
    milliseconds limit(connection->shared ? g_shared_limit_ms.load() : g_private_limit_ms.load());
    auto left = connection->busy_since + limit - now;
    if (left <= left.zero()) return 0;
    auto pause =
        std::min<std::chrono::steady_clock::duration>(kBusyPauses[std::min(attempts, kBusyPauseCount - 1)], left);
    if (sqlite3_txn_state(connection->db, nullptr) == SQLITE_TXN_NONE) {
        ForkGateStepOut waiting;
        std::this_thread::sleep_for(pause);
    } else {
        std::this_thread::sleep_for(pause);
    }
    return 1;
}

// Idle connections kept for reuse, per database file: opening one means
// reading the schema and preparing statements again, which costs more
// than the reads of a whole profile. A connection is reused only for the
// same file (device and inode, so a file deleted or replaced meanwhile is
// opened afresh) and only in the process that opened it: connections are
// never carried across a fork. Closed when the library is unloaded.
struct IdleConnection {
    sqlite3 *db;
    std::unique_ptr<StatementCache> statements;
    bool writable;
    dev_t dev;
    ino_t ino;
};

// What this process found when it first checked a database file.
struct FileCheck {
    dev_t dev;
    ino_t ino;
    bool damaged;
};

struct ConnectionPool {
    std::mutex lock;
    std::map<std::string, std::vector<IdleConnection>> idle;
    std::map<std::string, FileCheck> checked;  // survives a fork: the files are the same
};

constexpr size_t kIdlePerFile = 4;

void close_connection(sqlite3 *db, std::unique_ptr<StatementCache> statements) {
    statements.reset();
    sqlite3_close_v2(db);
}

void lock_pool_before_fork();
void unlock_pool_in_parent();
void forget_parents_connections();
void close_idle_connections();

// Process-wide state (platform/process.h).
ConnectionPool &pool() {
    static ConnectionPool *p = [] {
        platform::register_process_hooks(
            platform::ProcessStateHolder::RegistryConnections,
            {lock_pool_before_fork, unlock_pool_in_parent, forget_parents_connections, close_idle_connections});
        return new ConnectionPool;
    }();
    return *p;
}

void lock_pool_before_fork() { pool().lock.lock(); }
void unlock_pool_in_parent() { pool().lock.unlock(); }

// The parent's connections and their statements belong to the parent:
// the child leaves them alone, neither using nor closing them.
void forget_parents_connections() {
    ConnectionPool &p = pool();
    for (auto &file : p.idle)
        for (IdleConnection &c : file.second) (void)c.statements.release();
    p.idle.clear();
    p.lock.unlock();
}

void close_idle_connections() {
    std::map<std::string, std::vector<IdleConnection>> idle;
    {
        std::lock_guard<std::mutex> guard(pool().lock);
        idle.swap(pool().idle);
    }
    for (auto &file : idle)
        for (IdleConnection &c : file.second) close_connection(c.db, std::move(c.statements));
}

int32_t create_schema(sqlite3 *db) {
    Scope scope(db, true);
    if (scope.status() != kErrorSuccess) return scope.status();
    Statement version(db, schema::kReadVersion);
    if (version.step() != SQLITE_ROW) return kErrorRegistryIoFailed;
    if (sqlite3_column_int(version.get(), 0) == schema::kSchemaVersion) return scope.commit();
    int rc = exec(db, schema::kCreateTables);
    if (rc == SQLITE_OK) {
        Statement root(db, schema::kInsertRootKey);
        rc = root.bind(1, schema::kRootKeyId).step();
        if (rc == SQLITE_DONE) rc = exec(db, schema::kWriteVersion);
    }
    if (rc != SQLITE_OK) return from_sqlite(rc);
    return scope.commit();
}

bool schema_present(sqlite3 *db) {
    Statement version(db, schema::kReadVersion);
    return version.step() == SQLITE_ROW && sqlite3_column_int(version.get(), 0) == schema::kSchemaVersion;
}

// A damaged database is never written to (a write could spread the damage
// or lose what is still readable) and never read from (its answers may be
// wrong), and never deleted: what is left in it is the user's to recover.
// The check reads the whole file, so it runs once per file and process.
bool damaged(sqlite3 *db, const std::string &path, const struct stat &st) {
    ConnectionPool &p = pool();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        auto it = p.checked.find(path);
        if (it != p.checked.end() && it->second.dev == st.st_dev && it->second.ino == st.st_ino)
            return it->second.damaged;
    }
    Statement check(db, schema::kQuickCheck);
    int step = check.step();
    bool found = false;
    if (step == SQLITE_ROW) {
        auto *text = reinterpret_cast<const char *>(sqlite3_column_text(check.get(), 0));
        found = text == nullptr || strcmp(text, "ok") != 0;
    } else if ((step & 0xFF) == SQLITE_CORRUPT || (step & 0xFF) == SQLITE_NOTADB) {
        found = true;
    } else if (step != SQLITE_DONE) {
        return false;  // not decided (busy, say): checked again at the next open
    }
    std::lock_guard<std::mutex> guard(p.lock);
    p.checked[path] = FileCheck{st.st_dev, st.st_ino, found};
    return found;
}

}  // namespace

void Connection::end_transaction() {
    if (!in_transaction) return;
    in_transaction = false;
    fork_gate_leave();
}

Connection::~Connection() {
    if (!db) return;
    if (!sqlite3_get_autocommit(db)) exec(db, schema::kRollback);
    end_transaction();
    sqlite3_busy_handler(db, nullptr, nullptr);  // it names this object
    if (!path.empty() && sqlite3_get_autocommit(db)) {
        ConnectionPool &p = pool();
        std::lock_guard<std::mutex> guard(p.lock);
        std::vector<IdleConnection> &idle = p.idle[path];
        if (idle.size() < kIdlePerFile) {
            idle.push_back({db, std::move(statements), writable, dev, ino});
            return;
        }
    }
    close_connection(db, std::move(statements));
}

// Takes an idle connection to the file, if there is one.
bool Connection::take_idle(const std::string &file) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) return false;
    ConnectionPool &p = pool();
    std::vector<IdleConnection> stale;
    bool found = false;
    {
        std::lock_guard<std::mutex> guard(p.lock);
        std::vector<IdleConnection> &idle = p.idle[file];
        while (!idle.empty() && !found) {
            IdleConnection c = std::move(idle.back());
            idle.pop_back();
            if (c.dev == st.st_dev && c.ino == st.st_ino) {
                db = c.db;
                statements = std::move(c.statements);
                writable = c.writable;
                dev = c.dev;
                ino = c.ino;
                found = true;
            } else {
                stale.push_back(std::move(c));
            }
        }
    }
    for (IdleConnection &c : stale) close_connection(c.db, std::move(c.statements));
    if (found) path = file;
    return found;
}

int32_t Connection::open(RegistryRoot root, std::shared_ptr<Connection> &out) {
    auto connection = std::make_shared<Connection>();
    RegistryFile file = registry_file(root);
    connection->shared = file.shared;
    if (!file.path.empty() && connection->take_idle(file.path)) {
        sqlite3_busy_handler(connection->db, wait_for_lock, connection.get());
        out = std::move(connection);
        return kErrorSuccess;
    }
    if (!file.path.empty()) {
        // Create the file ourselves so that it gets its permissions from
        // the start; SQLite gives its journal the same ones.
        int fd = ::open(file.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, file.mode);
        if (fd >= 0) {
            if (file.shared) give_to_shared_group(fd);
            ::close(fd);
        }
        const int flags = SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW;
        if (sqlite3_open_v2(file.path.c_str(), &connection->db, flags | SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            connection->writable = true;
        } else {
            sqlite3_close_v2(connection->db);
            connection->db = nullptr;
            if (sqlite3_open_v2(file.path.c_str(), &connection->db, flags | SQLITE_OPEN_READONLY, nullptr) !=
                SQLITE_OK) {
                sqlite3_close_v2(connection->db);
                connection->db = nullptr;
            }
        }
    }
    if (connection->db) {
        sqlite3_busy_handler(connection->db, wait_for_lock, connection.get());
        struct stat st;
        if (::stat(file.path.c_str(), &st) == 0 && damaged(connection->db, file.path, st)) {
            sqlite3_close_v2(connection->db);
            connection->db = nullptr;
            return kErrorRegistryCorrupt;
        }
        exec(connection->db, schema::kDurability);
        // SQLite opens a file it may not write (a read-only mount) for
        // reading only.
        if (sqlite3_db_readonly(connection->db, "main") == 1) connection->writable = false;
        // Only a database without the schema needs the write lock that
        // creating it takes; readers then never wait on a writer here.
        bool present = schema_present(connection->db);
        if (connection->writable && !present) {
            int32_t rc = create_schema(connection->db);
            // A file we may open for writing but not lock for writing
            // still reads.
            if (rc == kErrorAccessDenied)
                connection->writable = false;
            else if (rc != kErrorSuccess)
                return rc;
            present = schema_present(connection->db);
        }
        if (!present) {
            sqlite3_close_v2(connection->db);
            connection->db = nullptr;
            connection->writable = false;
        }
    }
    if (connection->db) {
        connection->statements = std::make_unique<StatementCache>();
        struct stat st;
        if (::stat(file.path.c_str(), &st) == 0) {
            connection->path = file.path;
            connection->dev = st.st_dev;
            connection->ino = st.st_ino;
        }
    }
    out = std::move(connection);
    return kErrorSuccess;
}

void set_busy_limits_for_testing(const BusyLimits &limits) {
    g_private_limit_ms.store(limits.private_root.count());
    g_shared_limit_ms.store(limits.shared_root.count());
}

}  // namespace qor::registry
