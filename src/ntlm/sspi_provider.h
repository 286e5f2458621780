// Loading the security provider library and resolving its entry points.
#pragma once

#include "ntlm/sspi_table.h"
#include "platform/module.h"
#include "platform/version.h"

namespace qor {

// The provider's library name for this platform version: "security.dll"
// on Windows NT 4.0, "secur32.dll" everywhere else.
const char *sspi_provider_name(const OSVERSIONINFOA &version);

// Loads the provider and fills table. Returns the module, or null after a
// failure, with every entry of table null.
platform::Module sspi_load_provider(SspiTable *table);

// Releases module when it is not null and clears every entry of table.
void sspi_unload_provider(SspiTable *table, platform::Module module);

}  // namespace qor
