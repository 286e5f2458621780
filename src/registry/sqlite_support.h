// Small helpers over the SQLite C interface for the registry backend:
// prepared statements, grouped statements, and result codes as the
// registry's Windows error codes.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "registry/registry.h"
#include "registry/registry_schema.h"

namespace qor::registry::sqlite {

inline int32_t from_sqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW:
            return kErrorSuccess;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kErrorBusy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return kErrorAccessDenied;
        case SQLITE_NOMEM:
            return kErrorOutOfMemory;
        default:
            return kErrorRegistryIoFailed;
    }
}

// Prepared statements kept for a connection's life, finalized before it is
// closed: preparing costs many times more than running the registry's
// small statements, and one profile load runs some sixty. The SQL texts
// are literals, so their addresses name them. A statement in use is not
// handed out twice; a returned one is reset and its bindings cleared.
class StatementCache {
  public:
    StatementCache() = default;
    StatementCache(const StatementCache &) = delete;
    StatementCache &operator=(const StatementCache &) = delete;
    ~StatementCache() {
        for (Entry &e : entries_) sqlite3_finalize(e.stmt);
    }
    // A ready statement, or null when one of this text is in use (the
    // caller then prepares its own).
    sqlite3_stmt *take(sqlite3 *db, const char *sql, int *rc) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (Entry &e : entries_) {
                if (e.sql != sql) continue;
                if (e.in_use) return nullptr;
                e.in_use = true;
                *rc = SQLITE_OK;
                return e.stmt;
            }
        }
        sqlite3_stmt *stmt = nullptr;
        *rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        if (*rc != SQLITE_OK) return stmt;  // not kept; finalized by its user
        std::lock_guard<std::mutex> guard(lock_);
        entries_.push_back(Entry{sql, stmt, true});
        return stmt;
    }
    // False when stmt is not a kept one (the caller finalizes it).
    bool give_back(const char *sql, sqlite3_stmt *stmt) {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        std::lock_guard<std::mutex> guard(lock_);
        for (Entry &e : entries_) {
            if (e.sql == sql && e.stmt == stmt) {
                e.in_use = false;
                return true;
            }
        }
        return false;
    }

  private:
    struct Entry {
        const char *sql;
        sqlite3_stmt *stmt;
        bool in_use;
    };
    std::mutex lock_;
    std::vector<Entry> entries_;
};

// A connection and the statements it keeps; without kept statements each
// statement is prepared for its one use.
struct Db {
    Db(sqlite3 *db, StatementCache *kept = nullptr) : handle(db), statements(kept) {}
    operator sqlite3 *() const { return handle; }
    sqlite3 *handle;
    StatementCache *statements;
};

class Statement {
  public:
    Statement(Db db, const char *sql) : kept_(db.statements), sql_(sql) {
        if (kept_) stmt_ = kept_->take(db, sql, &rc_);
        if (stmt_ == nullptr) rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }
    ~Statement() {
        if (stmt_ != nullptr && !(kept_ && kept_->give_back(sql_, stmt_))) sqlite3_finalize(stmt_);
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int i, int64_t v) {
        if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement &bind(int i, std::string_view text) {
        if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_text(stmt_, i, text.data(), int(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind_blob(int i, const void *data, uint32_t size) {
        if (rc_ != SQLITE_OK) return *this;
        // A null pointer would bind SQL NULL; an empty value is a zero-length blob.
        rc_ =
            size ? sqlite3_bind_blob(stmt_, i, data, int(size), SQLITE_TRANSIENT) : sqlite3_bind_zeroblob(stmt_, i, 0);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() {
        if (rc_ != SQLITE_OK && rc_ != SQLITE_ROW) return rc_;
        rc_ = sqlite3_step(stmt_);
        return rc_;
    }
    sqlite3_stmt *get() { return stmt_; }

  private:
    StatementCache *kept_;
    const char *sql_;
    sqlite3_stmt *stmt_ = nullptr;
    int rc_ = SQLITE_OK;
};

inline int exec(sqlite3 *db, const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// One statement (a literal), through the connection's kept statements;
// SQLITE_OK or the error, as exec gives them.
inline int run(Db db, const char *sql) {
    Statement s(db, sql);
    int rc = s.step();
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

// Runs a group of statements as one unit: its own transaction outside a
// caller's transaction, a savepoint inside one.
class Scope {
  public:
    Scope(Db db, bool write) : db_(db), nested_(!sqlite3_get_autocommit(db)) {
        rc_ = run(db_, nested_ ? schema::kSavepoint : write ? schema::kBeginWrite : schema::kBeginRead);
        open_ = rc_ == SQLITE_OK;
    }
    ~Scope() {
        if (!open_) return;
        if (nested_) {
            run(db_, schema::kRollbackToSavepoint);
            run(db_, schema::kReleaseSavepoint);
        } else {
            run(db_, schema::kRollback);
        }
    }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

    int32_t status() const { return from_sqlite(rc_); }
    int32_t commit() {
        int rc = run(db_, nested_ ? schema::kReleaseSavepoint : schema::kCommit);
        if (rc == SQLITE_OK || sqlite3_get_autocommit(db_)) open_ = false;
        return from_sqlite(rc);
    }

  private:
    Db db_;
    bool nested_;
    bool open_ = false;
    int rc_;
};

}  // namespace qor::registry::sqlite
