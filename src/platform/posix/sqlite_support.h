// Small helpers over the SQLite C interface for the registry backend:
// prepared statements, grouped statements, and result codes as the
// registry's Windows error codes.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "platform/registry.h"

namespace qor::platform::sqlite {

inline int32_t from_sqlite(int rc) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_DONE:
        case SQLITE_ROW: return kErrorSuccess;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return kErrorBusy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH: return kErrorAccessDenied;
        case SQLITE_NOMEM: return kErrorOutOfMemory;
        default: return kErrorRegistryIoFailed;
    }
}

class Statement {
  public:
    Statement(sqlite3 *db, const char *sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
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
        rc_ = size ? sqlite3_bind_blob(stmt_, i, data, int(size), SQLITE_TRANSIENT) : sqlite3_bind_zeroblob(stmt_, i, 0);
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
    sqlite3_stmt *stmt_ = nullptr;
    int rc_;
};

inline int exec(sqlite3 *db, const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Runs a group of statements as one unit: its own transaction outside a
// caller's transaction, a savepoint inside one.
class Scope {
  public:
    Scope(sqlite3 *db, bool write) : db_(db), nested_(!sqlite3_get_autocommit(db)) {
        rc_ = exec(db_, nested_ ? "SAVEPOINT reg_op" : write ? "BEGIN IMMEDIATE" : "BEGIN");
        open_ = rc_ == SQLITE_OK;
    }
    ~Scope() {
        if (!open_) return;
        if (nested_) {
            exec(db_, "ROLLBACK TO reg_op");
            exec(db_, "RELEASE reg_op");
        } else {
            exec(db_, "ROLLBACK");
        }
    }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

    int32_t status() const { return from_sqlite(rc_); }
    int32_t commit() {
        int rc = exec(db_, nested_ ? "RELEASE reg_op" : "COMMIT");
        if (rc == SQLITE_OK || sqlite3_get_autocommit(db_)) open_ = false;
        return from_sqlite(rc);
    }

  private:
    sqlite3 *db_;
    bool nested_;
    bool open_ = false;
    int rc_;
};

}  // namespace qor::platform::sqlite
