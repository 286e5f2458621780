// The registry's tables in its SQLite databases, named in one place: keys
// (each a name below a parent, the root key's id fixed) and typed values.
// The registry's own code and the benchmark that measures reads against
// SQLite directly both take the statements from here.
#pragma once

#include <cstdint>

namespace qor::platform::registry_schema {

constexpr int64_t kRootKeyId = 1;

// Parameters: parent id, name. Row: id.
constexpr char kFindChild[] = "SELECT id FROM keys WHERE parent = ? AND name = ?";
// Parameters: parent id, name.
constexpr char kInsertKey[] = "INSERT INTO keys(parent, name) VALUES(?, ?)";
// Parameters: key id, value name. Row: type, data.
constexpr char kQueryValue[] = "SELECT type, data FROM vals WHERE key = ? AND name = ?";
// Parameters: the new key's id, the key whose values are copied.
constexpr char kCopyValues[] = "INSERT INTO vals SELECT ?, name, type, data FROM vals WHERE key = ?";

}  // namespace qor::platform::registry_schema
