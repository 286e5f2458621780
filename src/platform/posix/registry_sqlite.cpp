// The registry over SQLite: one database per predefined root, a table of
// keys (each a name below a parent) and a table of typed values.
//
// Durability: a rollback journal with synchronous=FULL. A process killed
// at any instant leaves a hot journal that the next writer rolls back, and
// a reader without write access to the folder (the shared roots read by
// ordinary users) can still open the database, which WAL would not allow
// without a writable -shm file. Concurrent processes wait on each other
// through the busy timeout; every write that takes more than one
// statement runs in a transaction taken for writing at once (BEGIN
// IMMEDIATE), so two writers never deadlock on a lock upgrade.
//
// Map: the pool of idle connections per database file (ConnectionPool,
// Session, take_idle); the schema and opening a session (create_schema,
// open_session); handles and key paths (predefined_root, resolve,
// find_key, new_handle, on_key); the Reg* functions; the transactions
// (transaction_step, reg_begin_transaction ...).
#include <fcntl.h>
#include <sys/stat.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/posix/fork_gate.h"
#include "platform/posix/registry_location.h"
#include "platform/posix/registry_schema.h"
#include "platform/posix/sqlite_support.h"
#include "platform/registry.h"

namespace qor::platform {
namespace {

using sqlite::exec;
using sqlite::from_sqlite;
using sqlite::Scope;
using sqlite::Statement;

constexpr int kBusyTimeoutMs = 30000;
constexpr int kSchemaVersion = 1;
using registry_schema::kRootKeyId;

// Idle connections kept for reuse, per database file: opening one means
// reading the schema and preparing statements again, which costs more
// than the reads of a whole profile. A connection is reused only for the
// same file (device and inode, so a file deleted or replaced meanwhile is
// opened afresh) and only in the process that opened it: connections are
// never carried across a fork.
struct IdleConnection {
    sqlite3 *db;
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
    pid_t pid = 0;
    std::map<std::string, std::vector<IdleConnection>> idle;
    std::map<std::string, FileCheck> checked;  // survives a fork: the files are the same
};

constexpr size_t kIdlePerFile = 4;

// Never destroyed: idle connections may be taken until the process ends.
ConnectionPool &pool() {
    static ConnectionPool *p = new ConnectionPool;
    return *p;
}

void close_connection(sqlite3 *db) {
    sqlite::StatementCache::forget(db);
    sqlite3_close_v2(db);
}

// Call with the pool locked: after a fork the parent's connections belong
// to the parent; the child leaves them alone.
void claim_pool_for_this_process(ConnectionPool &p) {
    if (p.pid == getpid()) return;
    p.idle.clear();
    p.pid = getpid();
}

// One connection to a root's database. Null db: the database does not
// exist and cannot be created, so the root reads as empty.
struct Session {
    sqlite3 *db = nullptr;
    bool writable = false;
    std::mutex lock;
    std::string path;  // set when the connection may go back to the pool
    dev_t dev = 0;
    ino_t ino = 0;
    bool in_transaction = false;  // one begun by reg_begin_*, holding the fork gate

    void end_transaction() {
        if (!in_transaction) return;
        in_transaction = false;
        fork_gate_leave();
    }

    ~Session() {
        if (!db) return;
        if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        end_transaction();
        if (!path.empty() && sqlite3_get_autocommit(db)) {
            ConnectionPool &p = pool();
            std::lock_guard<std::mutex> guard(p.lock);
            claim_pool_for_this_process(p);
            std::vector<IdleConnection> &idle = p.idle[path];
            if (idle.size() < kIdlePerFile) {
                idle.push_back({db, writable, dev, ino});
                return;
            }
        }
        close_connection(db);
    }
};

// Takes an idle connection to the file at path, if there is one.
bool take_idle(const std::string &path, Session &session) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    ConnectionPool &p = pool();
    std::vector<sqlite3 *> stale;
    bool found = false;
    {
        std::lock_guard<std::mutex> guard(p.lock);
        claim_pool_for_this_process(p);
        std::vector<IdleConnection> &idle = p.idle[path];
        while (!idle.empty() && !found) {
            IdleConnection c = idle.back();
            idle.pop_back();
            if (c.dev == st.st_dev && c.ino == st.st_ino) {
                session.db = c.db;
                session.writable = c.writable;
                session.dev = c.dev;
                session.ino = c.ino;
                found = true;
            } else {
                stale.push_back(c.db);
            }
        }
    }
    for (sqlite3 *db : stale) close_connection(db);
    if (found) session.path = path;
    return found;
}

// Where the last enumeration through a handle stopped. Asking for the
// next index then continues after the name found last instead of counting
// past every earlier subkey again, which made listing a key quadratic in
// its subkeys. It is used only while the database is unchanged (no commit
// by any connection, no change by this one), so the answer is the same
// as counting. Guarded by the session's lock.
struct EnumCursor {
    bool valid = false;
    uint32_t index = 0;
    std::string name;
    unsigned data_version = 0;
    int64_t changes = 0;
};

struct OpenKey {
    std::shared_ptr<Session> session;
    int64_t id;
    uint32_t access;
    std::shared_ptr<EnumCursor> cursor = std::make_shared<EnumCursor>();
};

std::mutex g_keys_lock;
std::unordered_set<OpenKey *> g_keys;

int32_t create_schema(sqlite3 *db) {
    Scope scope(db, true);
    if (scope.status() != kErrorSuccess) return scope.status();
    Statement version(db, "PRAGMA user_version");
    if (version.step() != SQLITE_ROW) return kErrorRegistryIoFailed;
    if (sqlite3_column_int(version.get(), 0) == kSchemaVersion) return scope.commit();
    int rc = exec(db,
                  "CREATE TABLE IF NOT EXISTS keys("
                  " id INTEGER PRIMARY KEY,"
                  " parent INTEGER NOT NULL,"
                  " name TEXT NOT NULL COLLATE NOCASE,"
                  " UNIQUE(parent, name));"
                  "CREATE TABLE IF NOT EXISTS vals("
                  " key INTEGER NOT NULL,"
                  " name TEXT NOT NULL COLLATE NOCASE,"
                  " type INTEGER NOT NULL,"
                  " data BLOB NOT NULL,"
                  " PRIMARY KEY(key, name)) WITHOUT ROWID;"
                  "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(1, 0, '');"
                  "PRAGMA user_version = 1;");
    if (rc != SQLITE_OK) return from_sqlite(rc);
    return scope.commit();
}

bool schema_present(sqlite3 *db) {
    Statement version(db, "PRAGMA user_version");
    return version.step() == SQLITE_ROW && sqlite3_column_int(version.get(), 0) == kSchemaVersion;
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
    Statement check(db, "PRAGMA quick_check");
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

int32_t open_session(RegistryRoot root, std::shared_ptr<Session> &out) {
    auto session = std::make_shared<Session>();
    RegistryFile file = registry_file(root);
    if (!file.path.empty() && take_idle(file.path, *session)) {
        out = std::move(session);
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
        if (sqlite3_open_v2(file.path.c_str(), &session->db, flags | SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            session->writable = true;
        } else {
            sqlite3_close_v2(session->db);
            session->db = nullptr;
            if (sqlite3_open_v2(file.path.c_str(), &session->db, flags | SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
                sqlite3_close_v2(session->db);
                session->db = nullptr;
            }
        }
    }
    if (session->db) {
        sqlite3_busy_timeout(session->db, kBusyTimeoutMs);
        struct stat st;
        if (::stat(file.path.c_str(), &st) == 0 && damaged(session->db, file.path, st)) {
            sqlite3_close_v2(session->db);
            session->db = nullptr;
            return kErrorRegistryCorrupt;
        }
        exec(session->db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;");
        // SQLite opens a file it may not write (a read-only mount) for
        // reading only.
        if (sqlite3_db_readonly(session->db, "main") == 1) session->writable = false;
        // Only a database without the schema needs the write lock that
        // creating it takes; readers then never wait on a writer here.
        bool present = schema_present(session->db);
        if (session->writable && !present) {
            int32_t rc = create_schema(session->db);
            // A file we may open for writing but not lock for writing
            // still reads.
            if (rc == kErrorAccessDenied)
                session->writable = false;
            else if (rc != kErrorSuccess)
                return rc;
            present = schema_present(session->db);
        }
        if (!present) {
            sqlite3_close_v2(session->db);
            session->db = nullptr;
            session->writable = false;
        }
    }
    if (session->db) {
        sqlite::StatementCache::enable(session->db);
        struct stat st;
        if (::stat(file.path.c_str(), &st) == 0) {
            session->path = file.path;
            session->dev = st.st_dev;
            session->ino = st.st_ino;
        }
    }
    out = std::move(session);
    return kErrorSuccess;
}

bool predefined_root(HKEY key, RegistryRoot &root) {
    if (key == LDC_HKEY_CURRENT_USER)
        root = RegistryRoot::CurrentUser;
    else if (key == LDC_HKEY_LOCAL_MACHINE)
        root = RegistryRoot::LocalMachine;
    else if (key == LDC_HKEY_USERS)
        root = RegistryRoot::Users;
    else
        return false;
    return true;
}

// What a handle stands for: a session, a key in it, the access granted.
// A predefined root gets a fresh session of its own.
struct Target {
    std::shared_ptr<Session> session;
    int64_t id = kRootKeyId;
    uint32_t access = kKeyAllAccess;
    bool predefined = false;
    std::shared_ptr<EnumCursor> cursor;  // null for a predefined root
};

int32_t resolve(HKEY key, Target &target) {
    RegistryRoot root;
    if (predefined_root(key, root)) {
        target.predefined = true;
        return open_session(root, target.session);
    }
    auto *open = reinterpret_cast<OpenKey *>(key);
    std::lock_guard<std::mutex> guard(g_keys_lock);
    if (!open || g_keys.count(open) == 0) return kErrorInvalidHandle;
    target.session = open->session;
    target.id = open->id;
    target.access = open->access;
    target.cursor = open->cursor;
    return kErrorSuccess;
}

// Splits a key path at backslashes. A trailing backslash is allowed; an
// empty component elsewhere or one longer than a key name may be is not.
int32_t check_path(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.empty()) return kErrorSuccess;
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        size_t len = (end == std::string_view::npos ? path.size() : end) - start;
        if (len == 0) return kErrorBadPathname;
        if (len > kMaxKeyNameLength) return kErrorInvalidParameter;
        if (end == std::string_view::npos) return kErrorSuccess;
        start = end + 1;
    }
}

template <typename F>
void for_each_component(std::string_view path, F f) {
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (!f(path.substr(start, end - start))) return;
        start = end + 1;
    }
}

bool key_exists(sqlite3 *db, int64_t id) {
    Statement s(db, "SELECT 1 FROM keys WHERE id = ?");
    return s.bind(1, id).step() == SQLITE_ROW;
}

int32_t find_child(sqlite3 *db, int64_t parent, std::string_view name, int64_t &id) {
    Statement s(db, registry_schema::kFindChild);
    int rc = s.bind(1, parent).bind(2, name).step();
    if (rc == SQLITE_ROW) {
        id = sqlite3_column_int64(s.get(), 0);
        return kErrorSuccess;
    }
    return rc == SQLITE_DONE ? kErrorFileNotFound : from_sqlite(rc);
}

int32_t find_key(sqlite3 *db, int64_t from, std::string_view path, int64_t &id) {
    if (!key_exists(db, from)) return kErrorKeyDeleted;
    int32_t rc = kErrorSuccess;
    id = from;
    for_each_component(path, [&](std::string_view name) {
        rc = find_child(db, id, name, id);
        return rc == kErrorSuccess;
    });
    return rc;
}

HKEY new_handle(std::shared_ptr<Session> session, int64_t id, uint32_t access) {
    auto *open = new OpenKey{std::move(session), id, access};
    std::lock_guard<std::mutex> guard(g_keys_lock);
    g_keys.insert(open);
    return reinterpret_cast<HKEY>(open);
}

std::string_view text_or_empty(const char *s) { return s ? std::string_view(s) : std::string_view(); }

// Runs body(db, target) on the key of a handle, in one unit, after the
// checks every value and enumeration call shares. A root whose database
// is absent answers absent_result.
template <typename Body>
int32_t on_key(HKEY key, uint32_t access, bool write, int32_t absent_result, Body body) {
    Target t;
    int32_t rc = resolve(key, t);
    if (rc != kErrorSuccess) return rc;
    if (!(t.access & access)) return kErrorAccessDenied;
    if (write && (!t.session->db || !t.session->writable)) return kErrorAccessDenied;
    if (!t.session->db) return absent_result;
    std::lock_guard<std::mutex> guard(t.session->lock);
    sqlite3 *db = t.session->db;
    Scope scope(db, write);
    if (scope.status() != kErrorSuccess) return scope.status();
    if (!key_exists(db, t.id)) return kErrorKeyDeleted;
    if ((rc = body(db, t)) != kErrorSuccess) return rc;
    return write ? scope.commit() : kErrorSuccess;
}

}  // namespace

int32_t RegOpenKeyExA(HKEY key, const char *sub_key, uint32_t, uint32_t access, HKEY *result) {
    ForkGuard inside;
    if (!result) return kErrorInvalidParameter;
    *result = nullptr;
    std::string_view path = text_or_empty(sub_key);
    int32_t rc = check_path(path);
    if (rc == kErrorInvalidParameter) return kErrorFileNotFound;  // no such name can exist
    if (rc != kErrorSuccess) return rc;
    Target t;
    if ((rc = resolve(key, t)) != kErrorSuccess) return rc;
    if (!t.session->db) return kErrorFileNotFound;
    int64_t id;
    {
        std::lock_guard<std::mutex> guard(t.session->lock);
        Scope scope(t.session->db, false);
        if (scope.status() != kErrorSuccess) return scope.status();
        if ((rc = find_key(t.session->db, t.id, path, id)) != kErrorSuccess) return rc;
        scope.commit();
    }
    *result = new_handle(std::move(t.session), id, access);
    return kErrorSuccess;
}

int32_t RegCreateKeyExA(HKEY key, const char *sub_key, uint32_t, char *, uint32_t, uint32_t access, void *,
                        HKEY *result, uint32_t *disposition) {
    ForkGuard inside;
    if (!result) return kErrorInvalidParameter;
    *result = nullptr;
    std::string_view path = text_or_empty(sub_key);
    int32_t rc = check_path(path);
    if (rc != kErrorSuccess) return rc;
    Target t;
    if ((rc = resolve(key, t)) != kErrorSuccess) return rc;
    if (!t.session->db || !t.session->writable) return kErrorAccessDenied;
    bool created = false;
    int64_t id = t.id;
    {
        std::lock_guard<std::mutex> guard(t.session->lock);
        sqlite3 *db = t.session->db;
        Scope scope(db, true);
        if (scope.status() != kErrorSuccess) return scope.status();
        if (!key_exists(db, t.id)) return kErrorKeyDeleted;
        for_each_component(path, [&](std::string_view name) {
            rc = find_child(db, id, name, id);
            if (rc == kErrorFileNotFound) {
                if (!created && !(t.access & kKeyCreateSubKey)) {
                    rc = kErrorAccessDenied;
                    return false;
                }
                Statement insert(db, registry_schema::kInsertKey);
                int step = insert.bind(1, id).bind(2, name).step();
                rc = from_sqlite(step);
                id = sqlite3_last_insert_rowid(db);
                created = true;
            }
            return rc == kErrorSuccess;
        });
        if (rc != kErrorSuccess) return rc;
        if ((rc = scope.commit()) != kErrorSuccess) return rc;
    }
    if (disposition) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
    *result = new_handle(std::move(t.session), id, access);
    return kErrorSuccess;
}

int32_t RegEnumKeyExA(HKEY key, uint32_t index, char *name, uint32_t *name_length, uint32_t *, char *key_class,
                      uint32_t *class_length, void *last_write) {
    ForkGuard inside;
    if (!name || !name_length) return kErrorInvalidParameter;
    std::string found;
    int32_t rc = on_key(key, kKeyEnumerateSubKeys, false, kErrorNoMoreItems, [&](sqlite3 *db, const Target &t) {
        // Names in case-blind order, as the registry lists them; the
        // order stays the same while the subkeys stay the same. Names are
        // unique under that order, so the one after the previous name is
        // the one at this index.
        unsigned version = 0;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version);
        int64_t changes = sqlite3_total_changes64(db);
        EnumCursor *cursor = t.cursor.get();
        bool follows = cursor && cursor->valid && index > 0 && cursor->index == index - 1 &&
                       cursor->data_version == version && cursor->changes == changes;
        Statement s(db, follows ? "SELECT name FROM keys WHERE parent = ? AND name > ? ORDER BY name LIMIT 1"
                                : "SELECT name FROM keys WHERE parent = ? ORDER BY name LIMIT 1 OFFSET ?");
        if (follows)
            s.bind(1, t.id).bind(2, cursor->name);
        else
            s.bind(1, t.id).bind(2, int64_t(index));
        if (cursor) cursor->valid = false;
        int step = s.step();
        if (step == SQLITE_DONE) return kErrorNoMoreItems;
        if (step != SQLITE_ROW) return from_sqlite(step);
        found.assign(reinterpret_cast<const char *>(sqlite3_column_text(s.get(), 0)),
                     size_t(sqlite3_column_bytes(s.get(), 0)));
        if (cursor) *cursor = EnumCursor{true, index, found, version, changes};
        return kErrorSuccess;
    });
    if (rc != kErrorSuccess) return rc;
    if (found.size() + 1 > *name_length) return kErrorMoreData;
    memcpy(name, found.c_str(), found.size() + 1);
    *name_length = uint32_t(found.size());
    if (key_class && class_length && *class_length > 0) key_class[0] = '\0';
    if (class_length) *class_length = 0;
    if (last_write) memset(last_write, 0, 8);
    return kErrorSuccess;
}

int32_t RegQueryValueExA(HKEY key, const char *value_name, uint32_t *, uint32_t *type, unsigned char *data,
                         uint32_t *size) {
    ForkGuard inside;
    if (data && !size) return kErrorInvalidParameter;
    return on_key(key, kKeyQueryValue, false, kErrorFileNotFound, [&](sqlite3 *db, const Target &t) {
        Statement s(db, registry_schema::kQueryValue);
        int step = s.bind(1, t.id).bind(2, text_or_empty(value_name)).step();
        if (step == SQLITE_DONE) return kErrorFileNotFound;
        if (step != SQLITE_ROW) return from_sqlite(step);
        const void *blob = sqlite3_column_blob(s.get(), 1);
        uint32_t length = uint32_t(sqlite3_column_bytes(s.get(), 1));
        if (type) *type = uint32_t(sqlite3_column_int64(s.get(), 0));
        if (data) {
            if (*size < length) {
                *size = length;
                return kErrorMoreData;
            }
            if (length) memcpy(data, blob, length);
        }
        if (size) *size = length;
        return kErrorSuccess;
    });
}

int32_t RegSetValueExA(HKEY key, const char *value_name, uint32_t, uint32_t type, const unsigned char *data,
                       uint32_t size) {
    ForkGuard inside;
    if (size && !data) return kErrorInvalidParameter;
    if (type == kRegDword && size != 4) return kErrorInvalidParameter;
    return on_key(key, kKeySetValue, true, kErrorAccessDenied, [&](sqlite3 *db, const Target &t) {
        Statement s(db, "INSERT OR REPLACE INTO vals(key, name, type, data) VALUES(?, ?, ?, ?)");
        int step =
            s.bind(1, t.id).bind(2, text_or_empty(value_name)).bind(3, int64_t(type)).bind_blob(4, data, size).step();
        return step == SQLITE_DONE ? kErrorSuccess : from_sqlite(step);
    });
}

int32_t RegDeleteKeyA(HKEY key, const char *sub_key) {
    ForkGuard inside;
    std::string_view path = text_or_empty(sub_key);
    int32_t rc = check_path(path);
    if (rc == kErrorInvalidParameter) return kErrorFileNotFound;
    if (rc != kErrorSuccess) return rc;
    Target t;
    if ((rc = resolve(key, t)) != kErrorSuccess) return rc;
    if (!t.session->db) return kErrorFileNotFound;
    std::lock_guard<std::mutex> guard(t.session->lock);
    sqlite3 *db = t.session->db;
    int64_t id;
    {
        // Find it first: a missing key is reported as such even on a
        // store this process may only read.
        Scope look(db, false);
        if (look.status() != kErrorSuccess) return look.status();
        if ((rc = find_key(db, t.id, path, id)) != kErrorSuccess) return rc;
        look.commit();
    }
    if (id == kRootKeyId || !t.session->writable) return kErrorAccessDenied;
    Scope scope(db, true);
    if (scope.status() != kErrorSuccess) return scope.status();
    if ((rc = find_key(db, t.id, path, id)) != kErrorSuccess) return rc;
    Statement children(db, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
    int step = children.bind(1, id).step();
    if (step == SQLITE_ROW) return kErrorAccessDenied;  // subkeys go first, as on Windows
    if (step != SQLITE_DONE) return from_sqlite(step);
    Statement values(db, "DELETE FROM vals WHERE key = ?");
    if ((step = values.bind(1, id).step()) != SQLITE_DONE) return from_sqlite(step);
    Statement self(db, "DELETE FROM keys WHERE id = ?");
    if ((step = self.bind(1, id).step()) != SQLITE_DONE) return from_sqlite(step);
    return scope.commit();
}

int32_t RegCloseKey(HKEY key) {
    ForkGuard inside;
    RegistryRoot root;
    if (predefined_root(key, root)) return kErrorSuccess;
    auto *open = reinterpret_cast<OpenKey *>(key);
    {
        std::lock_guard<std::mutex> guard(g_keys_lock);
        if (!open || g_keys.erase(open) == 0) return kErrorInvalidHandle;
    }
    delete open;
    return kErrorSuccess;
}

namespace {

int32_t transaction_step(HKEY key, const char *sql, bool want_open, bool writes = true) {
    ForkGuard inside;
    Target t;
    RegistryRoot root;
    if (predefined_root(key, root)) return kErrorInvalidHandle;
    int32_t rc = resolve(key, t);
    if (rc != kErrorSuccess) return rc;
    if (!t.session->db || (writes && !t.session->writable)) return kErrorAccessDenied;
    std::lock_guard<std::mutex> guard(t.session->lock);
    bool open = !sqlite3_get_autocommit(t.session->db);
    if (open != want_open) return kErrorInvalidParameter;
    int step = exec(t.session->db, sql);
    if (step != SQLITE_OK && want_open && !sqlite3_get_autocommit(t.session->db))
        exec(t.session->db, "ROLLBACK");  // a failed commit leaves nothing half done
    if (sqlite3_get_autocommit(t.session->db)) {
        t.session->end_transaction();
    } else if (!t.session->in_transaction) {
        t.session->in_transaction = true;
        fork_gate_enter();
    }
    return from_sqlite(step);
}

}  // namespace

int32_t reg_begin_transaction(HKEY key) { return transaction_step(key, "BEGIN IMMEDIATE", false); }
// A deferred transaction takes its shared lock at the first read and
// holds it to the commit.
int32_t reg_begin_read_transaction(HKEY key) { return transaction_step(key, "BEGIN DEFERRED", false, false); }
int32_t reg_commit_transaction(HKEY key) { return transaction_step(key, "COMMIT", true); }
int32_t reg_rollback_transaction(HKEY key) { return transaction_step(key, "ROLLBACK", true); }

}  // namespace qor::platform
