// The registry as a table of calls, handed by the library to a component
// it loads. The component works through the library's registry, so one
// process holds one pool of connections and one table of open keys.
#pragma once

#include <cstdint>

#include "registry/registry.h"

namespace qor::registry {

struct RegistryCalls {
    decltype(&RegOpenKeyExA) open_key;
    decltype(&RegCreateKeyExA) create_key;
    decltype(&RegEnumKeyExA) enum_key;
    decltype(&RegQueryValueExA) query_value;
    decltype(&RegSetValueExA) set_value;
    decltype(&RegDeleteKeyA) delete_key;
    decltype(&RegCloseKey) close_key;
    decltype(&reg_begin_transaction) begin_transaction;
    decltype(&reg_begin_read_transaction) begin_read_transaction;
    decltype(&reg_commit_transaction) commit_transaction;
    decltype(&reg_rollback_transaction) rollback_transaction;
};

// A component that works on the registry exports this entry; the library
// calls it once, after loading the component and before creating objects.
using ComponentAttachRegistryFn = void (*)(const RegistryCalls *calls);
constexpr const char *kComponentAttachRegistrySymbol = "QorComponentAttachRegistry";

// The library's own registry, for handing to components.
inline constexpr RegistryCalls kHostRegistryCalls{
    RegOpenKeyExA,
    RegCreateKeyExA,
    RegEnumKeyExA,
    RegQueryValueExA,
    RegSetValueExA,
    RegDeleteKeyA,
    RegCloseKey,
    reg_begin_transaction,
    reg_begin_read_transaction,
    reg_commit_transaction,
    reg_rollback_transaction,
};

}  // namespace qor::registry
