// The registry functions the store calls, forwarded to the registry of the
// library that loaded this component: the library hands its calls over
// before it creates any object, so the component holds no registry state
// of its own. Without a library the registry is unreachable and every call
// fails.
#include <atomic>

#include "registry/registry_calls.h"

namespace qor::registry {
namespace {

std::atomic<const RegistryCalls *> g_calls{nullptr};

template <auto RegistryCalls::*call, typename... Args>
int32_t forward(Args... args) {
    const RegistryCalls *calls = g_calls.load(std::memory_order_acquire);
    return calls ? (calls->*call)(args...) : kErrorInvalidHandle;
}

}  // namespace

int32_t RegOpenKeyExA(HKEY key, const char *sub_key, uint32_t options, uint32_t access, HKEY *result) {
    return forward<&RegistryCalls::open_key>(key, sub_key, options, access, result);
}

int32_t RegCreateKeyExA(HKEY key, const char *sub_key, uint32_t reserved, char *key_class, uint32_t options,
                        uint32_t access, void *security, HKEY *result, uint32_t *disposition) {
    return forward<&RegistryCalls::create_key>(key, sub_key, reserved, key_class, options, access, security, result,
                                               disposition);
}

int32_t RegEnumKeyExA(HKEY key, uint32_t index, char *name, uint32_t *name_length, uint32_t *reserved, char *key_class,
                      uint32_t *class_length, void *last_write) {
    return forward<&RegistryCalls::enum_key>(key, index, name, name_length, reserved, key_class, class_length,
                                             last_write);
}

int32_t RegQueryValueExA(HKEY key, const char *value_name, uint32_t *reserved, uint32_t *type, unsigned char *data,
                         uint32_t *size) {
    return forward<&RegistryCalls::query_value>(key, value_name, reserved, type, data, size);
}

int32_t RegSetValueExA(HKEY key, const char *value_name, uint32_t reserved, uint32_t type, const unsigned char *data,
                       uint32_t size) {
    return forward<&RegistryCalls::set_value>(key, value_name, reserved, type, data, size);
}

int32_t RegDeleteKeyA(HKEY key, const char *sub_key) { return forward<&RegistryCalls::delete_key>(key, sub_key); }
int32_t RegCloseKey(HKEY key) { return forward<&RegistryCalls::close_key>(key); }
int32_t reg_begin_transaction(HKEY key) { return forward<&RegistryCalls::begin_transaction>(key); }
int32_t reg_begin_read_transaction(HKEY key) { return forward<&RegistryCalls::begin_read_transaction>(key); }
int32_t reg_commit_transaction(HKEY key) { return forward<&RegistryCalls::commit_transaction>(key); }
int32_t reg_rollback_transaction(HKEY key) { return forward<&RegistryCalls::rollback_transaction>(key); }

}  // namespace qor::registry

extern "C" __attribute__((visibility("default"))) void QorComponentAttachRegistry(
    const qor::registry::RegistryCalls *calls) {
    qor::registry::g_calls.store(calls, std::memory_order_release);
}
