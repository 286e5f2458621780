// The registry's SQLite databases, named in one place: the table
// definitions, the schema version, the root key's id and every statement
// the registry runs. Keys are names below a parent, compared without
// regard to case; values are typed blobs of a key. The registry's own code
// and the benchmark that measures reads against SQLite directly both take
// the statements from here. Statements are inline so that each has one
// address in the process: kept prepared statements are found by it.
#pragma once

#include <cstdint>

namespace qor::registry::schema {

constexpr int64_t kRootKeyId = 1;
constexpr int kSchemaVersion = 1;

// Parameters: none. Creates the two tables where they are missing.
inline constexpr char kCreateTables[] =
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
    " PRIMARY KEY(key, name)) WITHOUT ROWID;";
// Parameters: the root key's id (kRootKeyId). Its parent 0 is no key.
inline constexpr char kInsertRootKey[] = "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(?, 0, '')";
// Row: the schema version of the file (0 for a new file). Reading it
// takes the shared lock, which a read transaction holds to its end.
inline constexpr char kReadVersion[] = "PRAGMA user_version";
// A pragma takes no parameter: the version is written into the text.
inline constexpr char kWriteVersion[] = "PRAGMA user_version = 1";
static_assert(kSchemaVersion < 10 && kWriteVersion[sizeof kWriteVersion - 2] == '0' + kSchemaVersion,
              "kWriteVersion writes kSchemaVersion");
// Rows: "ok", or what is damaged.
inline constexpr char kQuickCheck[] = "PRAGMA quick_check";
// A rollback journal, written through before each commit returns.
inline constexpr char kDurability[] = "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;";

// Keys. Parameters: key id. Row: 1 when it exists.
inline constexpr char kKeyExists[] = "SELECT 1 FROM keys WHERE id = ?";
// Parameters: parent id, name. Row: id.
inline constexpr char kFindChild[] = "SELECT id FROM keys WHERE parent = ? AND name = ?";
// Parameters: parent id, name.
inline constexpr char kInsertKey[] = "INSERT INTO keys(parent, name) VALUES(?, ?)";
// Parameters: key id. Row: 1 when the key has a subkey.
inline constexpr char kHasChild[] = "SELECT 1 FROM keys WHERE parent = ? LIMIT 1";
// Parameters: key id.
inline constexpr char kDeleteKey[] = "DELETE FROM keys WHERE id = ?";
// Subkeys in case-blind name order. Parameters: parent id, index. Row: name.
inline constexpr char kChildAt[] = "SELECT name FROM keys WHERE parent = ? ORDER BY name LIMIT 1 OFFSET ?";
// Parameters: parent id, the name found last. Row: the next name.
inline constexpr char kChildAfter[] = "SELECT name FROM keys WHERE parent = ? AND name > ? ORDER BY name LIMIT 1";

// Values. Parameters: key id, value name. Row: type, data.
inline constexpr char kQueryValue[] = "SELECT type, data FROM vals WHERE key = ? AND name = ?";
// Parameters: key id, value name, type, data.
inline constexpr char kSetValue[] = "INSERT OR REPLACE INTO vals(key, name, type, data) VALUES(?, ?, ?, ?)";
// Parameters: key id.
inline constexpr char kDeleteValues[] = "DELETE FROM vals WHERE key = ?";
// Parameters: the new key's id, the key whose values are copied.
inline constexpr char kCopyValues[] = "INSERT INTO vals SELECT ?, name, type, data FROM vals WHERE key = ?";

// Transactions. A write takes its lock at once, so two writers never
// deadlock on a lock upgrade; a read takes its shared lock at the first
// read and holds it to the end.
inline constexpr char kBeginWrite[] = "BEGIN IMMEDIATE";
inline constexpr char kBeginRead[] = "BEGIN DEFERRED";
inline constexpr char kCommit[] = "COMMIT";
inline constexpr char kRollback[] = "ROLLBACK";
// A unit of statements inside a caller's transaction.
inline constexpr char kSavepoint[] = "SAVEPOINT reg_op";
inline constexpr char kRollbackToSavepoint[] = "ROLLBACK TO reg_op";
inline constexpr char kReleaseSavepoint[] = "RELEASE reg_op";

}  // namespace qor::registry::schema
