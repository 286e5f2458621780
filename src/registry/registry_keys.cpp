// The registry's keys over the SQLite databases of registry_connection: a
// table of keys (each a name below a parent, compared without regard to
// case) and a table of typed values, handles to open keys, enumeration in
// case-blind name order, and answers as the registry's Windows error
// numbers.
//
// Every write that takes more than one statement runs in a transaction
// taken for writing at once (BEGIN IMMEDIATE), so two writers never
// deadlock on a lock upgrade.
//
// Map: handles and key paths (predefined_root, resolve, find_key,
// new_handle, on_key); the Reg* functions; the transactions
// (transaction_step, reg_begin_transaction ...).
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>

#include "registry/fork_gate.h"
#include "registry/registry_connection.h"
#include "registry/registry_schema.h"
#include "registry/sqlite_support.h"
#include "registry/registry.h"

namespace qor::registry {
namespace {

using schema::kRootKeyId;
using sqlite::exec;
using sqlite::from_sqlite;
using sqlite::Scope;
using sqlite::Statement;

// Where the last enumeration through a handle stopped. Asking for the
// next index then continues after the name found last instead of counting
// past every earlier subkey again, which made listing a key quadratic in
// its subkeys. It is used only while the database is unchanged (no commit
// by any connection, no change by this one), so the answer is the same
// as counting. Guarded by the connection's lock.
struct EnumCursor {
    bool valid = false;
    uint32_t index = 0;
    std::string name;
    unsigned data_version = 0;
    int64_t changes = 0;
};

struct OpenKey {
    std::shared_ptr<Connection> connection;
    int64_t id;
    uint32_t access;
    std::shared_ptr<EnumCursor> cursor = std::make_shared<EnumCursor>();
};

// The handles this process has open. Process-wide state
// (platform/process.h); the fork gate keeps every thread out of it at a
// fork, and a handle stays the caller's to close, unload or not.
struct OpenKeys {
    std::mutex lock;
    std::unordered_set<OpenKey *> handles;
};

OpenKeys &open_keys() {
    static OpenKeys *keys = new OpenKeys;
    return *keys;
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

// What a handle stands for: a connection, a key in it, the access granted.
// A predefined root gets a fresh connection of its own.
struct Target {
    std::shared_ptr<Connection> connection;
    int64_t id = kRootKeyId;
    uint32_t access = kKeyAllAccess;
    bool predefined = false;
    std::shared_ptr<EnumCursor> cursor;  // null for a predefined root
};

int32_t resolve(HKEY key, Target &target) {
    RegistryRoot root;
    if (predefined_root(key, root)) {
        target.predefined = true;
        return Connection::open(root, target.connection);
    }
    auto *open = reinterpret_cast<OpenKey *>(key);
    OpenKeys &keys = open_keys();
    std::lock_guard<std::mutex> guard(keys.lock);
    if (!open || keys.handles.count(open) == 0) return kErrorInvalidHandle;
    target.connection = open->connection;
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

bool key_exists(sqlite::Db db, int64_t id) {
    Statement s(db, schema::kKeyExists);
    return s.bind(1, id).step() == SQLITE_ROW;
}

int32_t find_child(sqlite::Db db, int64_t parent, std::string_view name, int64_t &id) {
    Statement s(db, schema::kFindChild);
    int rc = s.bind(1, parent).bind(2, name).step();
    if (rc == SQLITE_ROW) {
        id = sqlite3_column_int64(s.get(), 0);
        return kErrorSuccess;
    }
    return rc == SQLITE_DONE ? kErrorFileNotFound : from_sqlite(rc);
}

int32_t find_key(sqlite::Db db, int64_t from, std::string_view path, int64_t &id) {
    if (!key_exists(db, from)) return kErrorKeyDeleted;
    int32_t rc = kErrorSuccess;
    id = from;
    for_each_component(path, [&](std::string_view name) {
        rc = find_child(db, id, name, id);
        return rc == kErrorSuccess;
    });
    return rc;
}

HKEY new_handle(std::shared_ptr<Connection> connection, int64_t id, uint32_t access) {
    auto *open = new OpenKey{std::move(connection), id, access};
    OpenKeys &keys = open_keys();
    std::lock_guard<std::mutex> guard(keys.lock);
    keys.handles.insert(open);
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
    if (write && (!t.connection->db || !t.connection->writable)) return kErrorAccessDenied;
    if (!t.connection->db) return absent_result;
    std::lock_guard<std::mutex> guard(t.connection->lock);
    sqlite::Db db = t.connection->link();
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
    if (!t.connection->db) return kErrorFileNotFound;
    int64_t id;
    {
        std::lock_guard<std::mutex> guard(t.connection->lock);
        Scope scope(t.connection->link(), false);
        if (scope.status() != kErrorSuccess) return scope.status();
        if ((rc = find_key(t.connection->link(), t.id, path, id)) != kErrorSuccess) return rc;
        scope.commit();
    }
    *result = new_handle(std::move(t.connection), id, access);
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
    if (!t.connection->db || !t.connection->writable) return kErrorAccessDenied;
    bool created = false;
    int64_t id = t.id;
    {
        std::lock_guard<std::mutex> guard(t.connection->lock);
        sqlite::Db db = t.connection->link();
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
                Statement insert(db, schema::kInsertKey);
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
    *result = new_handle(std::move(t.connection), id, access);
    return kErrorSuccess;
}

int32_t RegEnumKeyExA(HKEY key, uint32_t index, char *name, uint32_t *name_length, uint32_t *, char *key_class,
                      uint32_t *class_length, void *last_write) {
    ForkGuard inside;
    if (!name || !name_length) return kErrorInvalidParameter;
    std::string found;
    int32_t rc = on_key(key, kKeyEnumerateSubKeys, false, kErrorNoMoreItems, [&](sqlite::Db db, const Target &t) {
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
        Statement s(db, follows ? schema::kChildAfter : schema::kChildAt);
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
    return on_key(key, kKeyQueryValue, false, kErrorFileNotFound, [&](sqlite::Db db, const Target &t) {
        Statement s(db, schema::kQueryValue);
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
    return on_key(key, kKeySetValue, true, kErrorAccessDenied, [&](sqlite::Db db, const Target &t) {
        Statement s(db, schema::kSetValue);
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
    if (!t.connection->db) return kErrorFileNotFound;
    std::lock_guard<std::mutex> guard(t.connection->lock);
    sqlite::Db db = t.connection->link();
    int64_t id;
    {
        // Find it first: a missing key is reported as such even on a
        // store this process may only read.
        Scope look(db, false);
        if (look.status() != kErrorSuccess) return look.status();
        if ((rc = find_key(db, t.id, path, id)) != kErrorSuccess) return rc;
        look.commit();
    }
    if (id == kRootKeyId || !t.connection->writable) return kErrorAccessDenied;
    Scope scope(db, true);
    if (scope.status() != kErrorSuccess) return scope.status();
    if ((rc = find_key(db, t.id, path, id)) != kErrorSuccess) return rc;
    Statement children(db, schema::kHasChild);
    int step = children.bind(1, id).step();
    if (step == SQLITE_ROW) return kErrorAccessDenied;  // subkeys go first, as on Windows
    if (step != SQLITE_DONE) return from_sqlite(step);
    Statement values(db, schema::kDeleteValues);
    if ((step = values.bind(1, id).step()) != SQLITE_DONE) return from_sqlite(step);
    Statement self(db, schema::kDeleteKey);
    if ((step = self.bind(1, id).step()) != SQLITE_DONE) return from_sqlite(step);
    return scope.commit();
}

int32_t RegCloseKey(HKEY key) {
    ForkGuard inside;
    RegistryRoot root;
    if (predefined_root(key, root)) return kErrorSuccess;
    auto *open = reinterpret_cast<OpenKey *>(key);
    {
        OpenKeys &keys = open_keys();
        std::lock_guard<std::mutex> guard(keys.lock);
        if (!open || keys.handles.erase(open) == 0) return kErrorInvalidHandle;
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
    if (!t.connection->db || (writes && !t.connection->writable)) return kErrorAccessDenied;
    std::lock_guard<std::mutex> guard(t.connection->lock);
    bool open = !sqlite3_get_autocommit(t.connection->db);
    if (open != want_open) return kErrorInvalidParameter;
    int step = exec(t.connection->db, sql);
    // A read transaction takes its lock now: the wait for it holds nothing
    // and is outside the fork gate, which the transaction enters once it
    // holds the lock.
    if (step == SQLITE_OK && sql == schema::kBeginRead) step = sqlite::run(t.connection->link(), schema::kReadVersion);
    if (step != SQLITE_OK && !sqlite3_get_autocommit(t.connection->db))
        exec(t.connection->db, schema::kRollback);  // a failed begin or commit leaves nothing half done
    if (sqlite3_get_autocommit(t.connection->db)) {
        t.connection->end_transaction();
    } else if (!t.connection->in_transaction) {
        t.connection->in_transaction = true;
        fork_gate_enter();
    }
    return from_sqlite(step);
}

}  // namespace

int32_t reg_begin_transaction(HKEY key) { return transaction_step(key, schema::kBeginWrite, false); }
// A deferred transaction, its shared lock taken at once and held to the
// commit.
int32_t reg_begin_read_transaction(HKEY key) { return transaction_step(key, schema::kBeginRead, false, false); }
int32_t reg_commit_transaction(HKEY key) { return transaction_step(key, schema::kCommit, true); }
int32_t reg_rollback_transaction(HKEY key) { return transaction_step(key, schema::kRollback, true); }

}  // namespace qor::registry
