#include "ntlm/sspi_provider.h"

#include <cstring>

#include "util/scope_exit.h"

namespace qor {
namespace {

constexpr uint32_t kOsVersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kOsVersionInfoSize, "OSVERSIONINFOA layout");

template <class Entry>
bool resolve(platform::Module module, const char *name, Entry *slot) {
    *slot = reinterpret_cast<Entry>(platform::get_proc_address(module, name));
    return *slot != nullptr;
}

// In the table's order; stops at the first required entry point missing.
bool resolve_all(platform::Module module, SspiTable *t) {
    if (!resolve(module, "AcceptSecurityContext", &t->AcceptSecurityContext)) return false;
    if (!resolve(module, "AcquireCredentialsHandleA", &t->AcquireCredentialsHandleA)) return false;
    resolve(module, "CompleteAuthToken", &t->CompleteAuthToken);  // may be absent
    if (!resolve(module, "DeleteSecurityContext", &t->DeleteSecurityContext)) return false;
    if (!resolve(module, "FreeContextBuffer", &t->FreeContextBuffer)) return false;
    if (!resolve(module, "FreeCredentialsHandle", &t->FreeCredentialsHandle)) return false;
    if (!resolve(module, "InitializeSecurityContextA", &t->InitializeSecurityContextA)) return false;
    return resolve(module, "QuerySecurityPackageInfoA", &t->QuerySecurityPackageInfoA);
}

}  // namespace

const char *sspi_provider_name(const OSVERSIONINFOA &version) {
    bool nt4 =
        version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 4 && version.dwMinorVersion == 0;
    return nt4 ? "security.dll" : "secur32.dll";
}

platform::Module sspi_load_provider(SspiTable *table) {
    std::memset(table, 0, sizeof *table);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = kOsVersionInfoSize;
    if (!platform::get_version_ex(&version)) return nullptr;

    platform::Module module = platform::load_library(sspi_provider_name(version));
    if (module == nullptr) return nullptr;

    bool complete = false;
    ScopeExit unload_unless_complete([&] {
        if (!complete) sspi_unload_provider(table, module);
    });
    complete = resolve_all(module, table);
    return complete ? module : nullptr;
}

void sspi_unload_provider(SspiTable *table, platform::Module module) {
    if (module != nullptr) platform::free_library(module);
    std::memset(table, 0, sizeof *table);
}

}  // namespace qor
