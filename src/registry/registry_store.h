// The registry store object: the IRegStore slots (platform/regstore_interface.h)
// over the registry functions of the module it is compiled into. On POSIX
// the library's own profile functions use one made in the library, over
// its registry; the registry store component serves the same object to
// outside callers, and on Windows to the library too, as a COM server.
#pragma once

#include "platform/regstore_interface.h"

namespace qor::registry {

// Returns a new store object holding one reference, or null when memory
// runs out.
platform::IRegStore *new_registry_store();

// The store object of the library's own profile functions. Returns a new
// object holding one reference, or null when none can be had: on POSIX
// one of new_registry_store; on Windows one the registered COM server
// makes, COM initialised on the calling thread by the caller.
platform::IRegStore *library_store_object();

// Tests only: library_store_object answers null while refuse is true.
void refuse_library_store_for_testing(bool refuse);

}  // namespace qor::registry
