// One connection to a root's registry database: the SQLite connection, the
// statements it keeps and the pool of idle connections it returns to.
#pragma once

#include <sys/types.h>
#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "registry/registry_location.h"
#include "registry/sqlite_support.h"

namespace qor::registry {

// How long a call waits for a lock another connection holds on a root's
// database before it fails busy. A shared root waits less: a member of the
// qorldap9 group may hold a read lock on it as long as it likes, and root's
// saves wait for that to end with fork() held meanwhile.
struct BusyLimits {
    std::chrono::milliseconds private_root{30000};
    std::chrono::milliseconds shared_root{5000};
};

// Tests only: the limits from now on; BusyLimits{} puts back the defaults.
void set_busy_limits_for_testing(const BusyLimits &limits);

// Null db: the database does not exist and cannot be created, so the root
// reads as empty.
class Connection {
  public:
    // A connection to root's database: an idle one to the same file, else
    // a new one, the schema created when the file is new.
    static int32_t open(RegistryRoot root, std::shared_ptr<Connection> &out);

    Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    // Goes back to the pool when it may, else is closed.
    ~Connection();

    sqlite::Db link() { return sqlite::Db(db, statements.get()); }
    void end_transaction();

    sqlite3 *db = nullptr;
    bool writable = false;
    bool shared = false;                               // a shared root's database: the shorter busy limit
    std::chrono::steady_clock::time_point busy_since;  // the current wait for a lock began
    std::mutex lock;
    bool in_transaction = false;  // one begun by reg_begin_*, holding the fork gate

  private:
    bool take_idle(const std::string &file);

    std::unique_ptr<sqlite::StatementCache> statements;
    std::string path;  // set when the connection may go back to the pool
    dev_t dev = 0;
    ino_t ino = 0;
};

}  // namespace qor::registry
